#include "launcher/core/skin_package.h"

#include <windows.h>

#include <string>

#include "base/folder_util.h"
#include "base/scoped_handle.h"
#include "base/file_path.h"
#include "launcher/core/launcher_folders.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/zip_archive.h"

namespace {

constexpr int kSkinResourceId = 129;
constexpr wchar_t kSkinResourceType[] = L"RESOURCES";

bool OpenPackageCopy() {
  {
    const qbase::ScopedHandle probe(CreateFileW(L"resources.zip", GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.IsValid()) return false;
  }

  ui::GlobalManager::CloseResourceZip();
  // A first start has no update folder yet; without it the copy would fail
  // and a skin beside the executable would be ignored.
  MakeDirectoriesW(GetUpdateDirW());
  const std::wstring copy = NormalizeDirPathW(GetUpdateDirW(), true) + L"tmp_resources.zip";
  if (!CopyFileW(L"resources.zip", copy.c_str(), FALSE)) return false;
  ui::GlobalManager::CloseResourceZip();
  ui::GlobalManager::resourceZip = OpenZipArchive(copy.c_str(), 0, kZipSourceFile, "");
  // A damaged package beside the executable must not leave the launcher
  // without any skin: the embedded one stands in.
  return ui::GlobalManager::resourceZip != nullptr;
}

void OpenEmbeddedPackage() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kSkinResourceId), kSkinResourceType);
  ui::GlobalManager::CloseResourceZip();
  if (resource == nullptr) return;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return;
  const DWORD size = SizeofResource(module, resource);
  ui::GlobalManager::resourceZip =
      OpenZipArchive(bytes, static_cast<int32_t>(size), kZipSourceMemory, "");
}

}  // namespace

void OpenSkinPackage() {
  if (!OpenPackageCopy()) OpenEmbeddedPackage();
}
