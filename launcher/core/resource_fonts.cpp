#include "launcher/core/resource_fonts.h"

#include <shlobj.h>

#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/json_util.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "launcher/core/command_line.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/core/registry_util.h"
#include "launcher/core/version_map.h"
#include "ui/render/render_context_gdiplus.h"
#include "ui/resources/global_manager.h"

const ResourceFont kResourceFonts[4] = {
    {138, L"Loma", L"Loma (TrueType)", L"LomaN.ttf"},
    {139, L"Loma Bold", L"Loma Bold (TrueType)", L"LomaB.ttf"},
    {143, L"Noto Sans CJK TC", L"Noto Sans CJK TC (TrueType)", L"SourceHanSansCNRegular.ttf"},
    {142, L"Noto Sans CJK TC Bold", L"Noto Sans CJK TC Bold (TrueType)",
     L"SourceHanSansCNBold.ttf"},
};

namespace {

constexpr wchar_t kFontsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr char kFontListName[] = "font_update.txt";

bool FileReadable(const std::wstring& path) {
  qbase::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.IsValid();
}

bool WriteFontResource(HMODULE module, int id, const std::wstring& path) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"FONTS");
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (!data || size == 0) return false;
  qbase::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return false;
  DWORD written = 0;
  if (!WriteFile(file.Get(), data, size, &written, nullptr) || written != size) {
    file.Reset();
    // A cut font would be taken as installed by the next start.
    DeleteFileW(path.c_str());
    return false;
  }
  return true;
}

std::string LastComponent(const std::string& name) {
  size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

std::wstring GetSystemFontFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_FONTS, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return std::wstring();
  }
  return NormalizeDirPathW(folder, false);
}

FontTarget SystemFontTarget() { return FontTarget{GetSystemFontFolder(), kFontsKey}; }

void ApplyPendingFontUpdate(const std::wstring& font_folder) {
  const std::string list_path = GetUpdateDirA() + "\\" + kFontListName;
  std::vector<std::string> names;
  if (!ReadStringListFile(list_path, &names)) return;
  bool all_installed = !font_folder.empty();
  for (const std::string& name : names) {
    // A name that would leave the folders is dropped rather than followed.
    if (name.empty() || !IsSafeEntryName(name) || font_folder.empty()) continue;
    const std::wstring source = qbase::Utf8ToWide(GetUpdateDirA() + "\\" + name);
    const std::wstring installed =
        NormalizeDirPathW(font_folder, true) + qbase::Utf8ToWide(LastComponent(name));
    if (!CopyFileW(source.c_str(), installed.c_str(), FALSE)) {
      all_installed = false;
      continue;
    }
    const std::string local_narrow = ".\\" + name;
    std::string local_folder;
    std::string file_name;
    if (SplitPathA(local_narrow, &local_folder, &file_name) && !local_folder.empty()) {
      MakeDirectoriesA(local_folder);
    }
    const std::wstring local = qbase::Utf8ToWide(local_narrow);
    if (CopyFileW(source.c_str(), local.c_str(), FALSE)) DeleteFileW(source.c_str());
  }
  if (all_installed) DeleteFileA(list_path.c_str());
}

void UseCarriedFontFaces() {
  const wchar_t* regular = kResourceFonts[2].faceName;
  const wchar_t* bold = kResourceFonts[3].faceName;
  ui::GlobalManager::systemFontFace = regular;
  ui::GlobalManager::systemItalicFontFace = regular;
  ui::GlobalManager::buttonFontFace = regular;
  ui::GlobalManager::buttonItalicFontFace = regular;
  ui::GlobalManager::systemBoldFontFace = bold;
  ui::GlobalManager::buttonBoldFontFace = bold;
}

bool InstallResourceFonts(HMODULE module, const FontTarget& target) {
  if (target.folder.empty()) return false;
  const std::wstring folder = NormalizeDirPathW(target.folder, true);
  for (const ResourceFont& font : kResourceFonts) {
    const std::wstring path = folder + font.fileName;
    if (!FileReadable(path) && !WriteFontResource(module, font.resourceId, path)) return false;
    // The system reads its fonts key only when a session starts: without this
    // the faces stay unknown to this run and the UI falls back to another font.
    AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
    if (RegWriteStringIfChanged(target.registryKey, target.registryKey, font.registryName,
                                font.fileName) < 0) {
      return false;
    }
  }
  ApplyPendingFontUpdate(target.folder);
  UseCarriedFontFaces();
  bool anti_alias = true;
  if (CommandLineTextAntiAlias.given) {
    anti_alias = CommandLineTextAntiAlias.text == L"text_anti_alias" ||
                 CommandLineTextAntiAlias.text == L"taa";
  }
  ui::SetTextAntiAliasEnabled(anti_alias);
  return true;
}

void UninstallResourceFonts(const FontTarget& target, std::map<std::wstring, DWORD>* failures) {
  for (const ResourceFont& font : kResourceFonts) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, target.registryKey.c_str(), 0, KEY_SET_VALUE, &key) ==
        ERROR_SUCCESS) {
      RegDeleteValueW(key, font.registryName);
      RegCloseKey(key);
    }
  }
  PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
  const std::wstring folder = NormalizeDirPathW(target.folder, true);
  for (const ResourceFont& font : kResourceFonts) {
    const std::wstring path = folder + font.fileName;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    // A font this process still holds cannot be deleted.
    RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr);
    if (!DeleteFileW(path.c_str())) (*failures)[font.fileName] = GetLastError();
  }
}
