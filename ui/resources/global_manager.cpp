#include "ui/resources/global_manager.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <versionhelpers.h>

#include <cwchar>

#include "base/file_path.h"
#include "base/string_util.h"
#include "base/file_io.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/skin_render_environment.h"

namespace ui {

std::wstring GlobalManager::resourcePath;
std::wstring GlobalManager::language = L"zh_CN";
std::wstring GlobalManager::channel = L"AppStore";
std::unique_ptr<ZipHandle> GlobalManager::resourceZip;
std::unique_ptr<IRenderFactory> GlobalManager::renderFactory;
CreateControlCallback GlobalManager::createControlCallback;
std::function<void()> GlobalManager::globalResourceLoader;
LayoutBuilder GlobalManager::layoutBuilder;
std::function<void()> GlobalManager::layoutCacheClearer;
std::vector<Window*> GlobalManager::windowList;
std::map<std::wstring, std::unique_ptr<FontInfo>> GlobalManager::fonts;
std::wstring GlobalManager::defaultFontId;
std::map<std::wstring, DWORD> GlobalManager::textColors;
std::wstring GlobalManager::defaultTextColor = L"textdefaultcolor";
std::wstring GlobalManager::defaultDisabledTextColor = L"textdefaultdisablecolor";
std::map<std::wstring, std::wstring> GlobalManager::classes;
std::map<std::wstring, std::weak_ptr<ImageInfo>> GlobalManager::imageCache;
std::wstring GlobalManager::systemFontFace;
std::wstring GlobalManager::systemBoldFontFace;
std::wstring GlobalManager::systemItalicFontFace;
std::wstring GlobalManager::buttonFontFace;
std::wstring GlobalManager::buttonBoldFontFace;
std::wstring GlobalManager::buttonItalicFontFace;
bool GlobalManager::systemFontUsable = false;
bool GlobalManager::systemBoldFontUsable = false;
bool GlobalManager::systemItalicFontUsable = false;
bool GlobalManager::buttonFontUsable = false;
bool GlobalManager::buttonBoldFontUsable = false;
bool GlobalManager::buttonItalicFontUsable = false;
ScopedMemoryDc GlobalManager::measureDC;
ULONG_PTR GlobalManager::gdiplusToken = 0;
bool GlobalManager::dpiAware = false;
int GlobalManager::dpiScalePercent = 100;

namespace {

// What every render context of the factory looks fonts, colours and the
// screen's scale up in.
SkinRenderEnvironment skin_render_environment;

using Gdiplus::DllExports::GdipCreateFont;
using Gdiplus::DllExports::GdipCreateFontFromLogfontW;
using Gdiplus::DllExports::GdipCreateFromHDC;
using Gdiplus::DllExports::GdipGetGenericFontFamilySansSerif;
using Gdiplus::DllExports::GdipGetLogFontW;

// Looks a user32 export up by name once per process.
template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

void EnableDpiAwareness() {
  if (GlobalManager::dpiAware) return;
  if (!IsWindowsVersionOrGreater(6, 0, 0)) {
    GlobalManager::dpiAware = true;
    return;
  }
  using SetAwarenessFunction = HRESULT(WINAPI*)(int);
  using SetAwareFunction = BOOL(WINAPI*)();
  static const auto set_awareness =
      User32Function<SetAwarenessFunction>("SetProcessDpiAwarenessInternal");
  static const auto set_aware = User32Function<SetAwareFunction>("SetProcessDPIAware");
  if (set_awareness && set_awareness(2) == 0) {
    GlobalManager::dpiAware = true;
  } else {
    GlobalManager::dpiAware = set_aware && set_aware() != 0;
  }
}

void MeasureScreenScale() {
  const HMONITOR monitor = MonitorFromPoint(POINT{1, 1}, MONITOR_DEFAULTTONEAREST);
  UINT dpi = 96;
  if (IsWindowsVersionOrGreater(6, 2, 0)) {
    using GetDpiFunction = BOOL(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto get_dpi = User32Function<GetDpiFunction>("GetDpiForMonitorInternal");
    UINT x = 0;
    UINT y = 0;
    dpi = get_dpi && get_dpi(monitor, 0, &x, &y) ? x : 96;
  } else {
    const ScopedScreenDc screen;
    dpi = static_cast<UINT>(GetDeviceCaps(screen.get(), LOGPIXELSX));
  }
  if (GlobalManager::dpiAware) GlobalManager::dpiScalePercent = MulDiv(dpi, 100, 96);
}

LOGFONTW StockLogFont() {
  LOGFONTW log_font = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(log_font), &log_font);
  log_font.lfCharSet = DEFAULT_CHARSET;
  return log_font;
}

// Whether GDI+ can make a font of the face; an empty face is never usable.
bool ProbeFace(const std::wstring& face, LOGFONTW* log_font) {
  if (face.empty()) return false;
  wcsncpy(log_font->lfFaceName, face.c_str(), LF_FACESIZE - 1);
  log_font->lfFaceName[LF_FACESIZE - 1] = L'\0';
  Gdiplus::GpFont* font = nullptr;
  if (GdipCreateFontFromLogfontW(GlobalManager::measureDC.get(), log_font, &font) != Gdiplus::Ok ||
      !font) {
    return false;
  }
  GdiplusPtr<Gdiplus::GpFont> owned(font);
  return true;
}

// Regular, then bold (+700), then bold italic, on one record as the faces build on each other.
void ProbeFaceFamily(const std::wstring& regular, const std::wstring& bold,
                     const std::wstring& italic, bool* regular_usable, bool* bold_usable,
                     bool* italic_usable) {
  LOGFONTW log_font = StockLogFont();
  log_font.lfHeight = -12;
  *regular_usable = ProbeFace(regular, &log_font);
  log_font.lfWeight += FW_BOLD;
  *bold_usable = ProbeFace(bold, &log_font);
  log_font.lfItalic = 1;
  *italic_usable = ProbeFace(italic, &log_font);
}

void InitCommonControlsByOrdinal() {
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  if (!comctl) return;
  using InitFunction = void(WINAPI*)();
  auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(GetProcAddress(comctl, MAKEINTRESOURCEA(17))));
  if (init) init();
}

const std::wstring& FallbackFace() {
  static const std::wstring face =
      IsWindowsVersionOrGreater(6, 0, 0) ? L"\u5FAE\u8F6F\u96C5\u9ED1" : L"Arial";
  return face;
}

std::wstring ResolveFace(const std::wstring& face, bool bold, bool italic) {
  using G = GlobalManager;
  const std::wstring* chosen = nullptr;
  bool usable = false;
  if (face == L"system") {
    chosen = bold      ? &G::systemBoldFontFace
             : !italic ? &G::systemFontFace
                       : &G::systemItalicFontFace;
    usable = bold      ? G::systemBoldFontUsable
             : !italic ? G::systemFontUsable
                       : G::systemItalicFontUsable;
  } else if (face == L"button") {
    chosen = bold      ? &G::buttonBoldFontFace
             : !italic ? &G::buttonFontFace
                       : &G::buttonItalicFontFace;
    usable = bold      ? G::buttonBoldFontUsable
             : !italic ? G::buttonFontUsable
                       : G::buttonItalicFontUsable;
  } else {
    return face;
  }
  return usable && !chosen->empty() ? *chosen : FallbackFace();
}

// The generic sans-serif font at the unscaled size in points, with its GDI twin.
bool MakeFallbackFont(int32_t size, bool bold, bool underline, bool italic, ScopedFont* gdi_font,
                      GdiplusPtr<Gdiplus::GpFont>* gdiplus_font) {
  static Gdiplus::GpFontFamily* family = nullptr;
  if (!family) GdipGetGenericFontFamilySansSerif(&family);
  if (!family) return false;
  int style = 0;
  if (bold) style |= 1;
  if (italic) style |= 2;
  if (underline) style |= 4;
  Gdiplus::GpFont* font = nullptr;
  if (GdipCreateFont(family, static_cast<Gdiplus::REAL>(size), style, Gdiplus::UnitPoint, &font) !=
          Gdiplus::Ok ||
      !font) {
    return false;
  }
  GdiplusPtr<Gdiplus::GpFont> owned(font);
  Gdiplus::GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(GlobalManager::measureDC.get(), &graphics) != Gdiplus::Ok || !graphics) {
    return false;
  }
  GdiplusPtr<Gdiplus::GpGraphics> owned_graphics(graphics);
  LOGFONTW log_font = {};
  if (GdipGetLogFontW(font, graphics, &log_font) != Gdiplus::Ok) return false;
  gdi_font->reset(CreateFontIndirectW(&log_font));
  if (!*gdi_font) return false;
  *gdiplus_font = std::move(owned);
  return true;
}

void LoadLanguageFile(const std::wstring& path) {
  LanguageStringTable* table = LanguageStringTable::GetInstance();
  if (GlobalManager::resourceZip) {
    if (const ScopedGlobalMemory block = GlobalManager::GetZipData(path)) {
      table->LoadFromMemory(block.get());
    }
  } else {
    table->LoadFromFile(path);
  }
}

// Unpacks a package entry into a new movable block; null on any failure.
ScopedGlobalMemory UnpackEntry(const std::wstring& entry_name, uint32_t* size) {
  if (!GlobalManager::resourceZip || entry_name.empty()) return nullptr;
  int32_t index = -1;
  ZipEntry entry;
  if (FindZipEntry(entry_name, &index, &entry) != ZipResult::Ok || index < 0) return nullptr;
  // Zero-length entries still get a lockable block.
  ScopedGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                       entry.uncompressedSize > 0 ? entry.uncompressedSize : 1));
  if (!block) return nullptr;
  ZipResult result = ZipResult::BadArguments;
  {
    const GlobalMemoryLock bytes(block.get());
    ZipHandle* handle = GlobalManager::resourceZip.get();
    if (!bytes.data() || !handle || !handle->archive) {
      result = ZipResult::BadArguments;
    } else if (handle->kind != kZipHandleRead) {
      result = ZipResult::WrongMode;
    } else {
      result = handle->archive->UnzipEntry(index, bytes.data(), entry.uncompressedSize);
    }
  }
  SetLastZipResult(result);
  if (result != ZipResult::Ok) return nullptr;
  *size = entry.uncompressedSize;
  return block;
}

}  // namespace

void GlobalManager::Startup(const std::wstring& resource_root,
                            const CreateControlCallback& callback, const std::wstring& theme_folder,
                            const std::wstring& language_code) {
  renderFactory = std::make_unique<RenderFactory_GdiPlus>(&skin_render_environment);
  SetResourcePath(resource_root + theme_folder);
  createControlCallback = callback;
  EnableDpiAwareness();
  MeasureScreenScale();
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
  measureDC.reset(CreateCompatibleDC(nullptr));
  ProbeFaceFamily(systemFontFace, systemBoldFontFace, systemItalicFontFace, &systemFontUsable,
                  &systemBoldFontUsable, &systemItalicFontUsable);
  ProbeFaceFamily(buttonFontFace, buttonBoldFontFace, buttonItalicFontFace, &buttonFontUsable,
                  &buttonBoldFontUsable, &buttonItalicFontUsable);
  LoadGlobalResource();
  language = language_code;
  LoadLanguageFile(resource_root + L"lang\\" + language_code + L".ini");
  InitCommonControlsByOrdinal();
}

void GlobalManager::LoadGlobalResource() {
  if (globalResourceLoader) globalResourceLoader();
}

Box* GlobalManager::CreateBoxWithCache(const std::wstring& path,
                                       const CreateControlCallback& callback) {
  return layoutBuilder ? layoutBuilder(path, callback, nullptr, true) : nullptr;
}

bool GlobalManager::FillBox(Box* box, const std::wstring& path,
                            const CreateControlCallback& callback) {
  return box && layoutBuilder && layoutBuilder(path, callback, box, false);
}

bool GlobalManager::FillBoxWithCache(Box* box, const std::wstring& path,
                                     const CreateControlCallback& callback) {
  return box && layoutBuilder && layoutBuilder(path, callback, box, true);
}

void GlobalManager::Shutdown() {
  CloseResourceZip();
  renderFactory.reset();
  windowList.clear();
  RemoveAllFonts();
  measureDC.reset();
  if (gdiplusToken) Gdiplus::GdiplusShutdown(gdiplusToken);
  gdiplusToken = 0;
}

void GlobalManager::SetResourcePath(const std::wstring& path) {
  // Not NormalizeDirPathW: an empty root must stay empty so skin paths stay
  // relative, and "/" is turned later by NormalizeFilePath where it is used.
  resourcePath = path;
  if (!resourcePath.empty() && resourcePath.back() != L'\\' && resourcePath.back() != L'/') {
    resourcePath += L'\\';
  }
}

void GlobalManager::ReloadSkin(const std::wstring& resource_path,
                               const std::function<void()>& completion) {
  RemoveAllFonts();
  textColors.clear();
  classes.clear();
  imageCache.clear();
  // Layouts parsed from the old skin would outlive it.
  if (layoutCacheClearer) layoutCacheClearer();
  if (!resource_path.empty()) SetResourcePath(resource_path);
  LoadGlobalResource();
  if (resourceZip) {
    LoadLanguageFile(L"resources\\lang\\" + language + L".ini");
  } else {
    LoadLanguageFile(L".\\resources\\lang\\" + language + L".ini");
  }
  if (completion) completion();
}

HFONT GlobalManager::AddFont(const std::wstring& id, const std::wstring& face, int32_t size,
                             bool bold, bool underline, bool italic, bool is_default) {
  const std::wstring font_id = id.empty() ? std::to_wstring(fonts.size()) : id;
  const std::wstring resolved = ResolveFace(face, bold, italic);
  LOGFONTW log_font = StockLogFont();
  wcsncpy(log_font.lfFaceName, resolved.c_str(), LF_FACESIZE - 1);
  log_font.lfFaceName[LF_FACESIZE - 1] = L'\0';
  const int32_t scaled = ScaleFontSize(size, dpiAware, dpiScalePercent);
  log_font.lfHeight = -scaled;
  if (bold) log_font.lfWeight += FW_BOLD;
  if (underline) log_font.lfUnderline = 1;
  if (italic) log_font.lfItalic = 1;

  ScopedFont gdi_font(CreateFontIndirectW(&log_font));
  Gdiplus::GpFont* raw_font = nullptr;
  GdipCreateFontFromLogfontW(measureDC.get(), &log_font, &raw_font);
  GdiplusPtr<Gdiplus::GpFont> gdiplus_font(raw_font);
  if (!gdi_font || !gdiplus_font) {
    gdi_font.reset();
    gdiplus_font.reset();
    if (!MakeFallbackFont(size, bold, underline, italic, &gdi_font, &gdiplus_font)) return nullptr;
  }

  HFONT result = nullptr;
  auto existing = fonts.find(font_id);
  if (existing == fonts.end()) {
    result = gdi_font.get();
    auto info = std::make_unique<FontInfo>();
    info->font = std::move(gdi_font);
    info->face = resolved;
    info->size = scaled;
    info->bold = bold;
    info->underline = underline;
    info->italic = italic;
    info->gdiplusFont = std::move(gdiplus_font);
    fonts.emplace(font_id, std::move(info));
  } else {
    // The table keeps its first font of an id; the new one is not kept alive.
    result = existing->second->font.get();
  }
  if (is_default) defaultFontId = font_id;
  return result;
}

FontInfo* GlobalManager::GetFont(const std::wstring& id) {
  auto found = fonts.find(id.empty() ? defaultFontId : id);
  return found == fonts.end() ? nullptr : found->second.get();
}

void GlobalManager::RemoveAllFonts() { fonts.clear(); }

void GlobalManager::AddTextColor(const std::wstring& name, const std::wstring& value) {
  if (!name.empty()) textColors[name] = ParseColorValue(value);
}

DWORD GlobalManager::GetTextColor(const std::wstring& name) { return textColors[name]; }

void GlobalManager::AddClass(const std::wstring& name,
                             const std::vector<std::pair<std::wstring, std::wstring>>& attributes) {
  if (!name.empty()) classes[name] = BuildClassText(attributes);
}

void GlobalManager::CloseResourceZip() {
  if (!resourceZip) return;
  const bool readable = resourceZip->kind == kZipHandleRead;
  if (readable && resourceZip->archive) resourceZip->archive->Close();
  resourceZip.reset();
  SetLastZipResult(readable ? ZipResult::Ok : ZipResult::WrongMode);
}

ScopedGlobalMemory GlobalManager::GetZipData(const std::wstring& path) {
  uint32_t size = 0;
  return UnpackEntry(GetZipEntryPath(path), &size);
}

bool GlobalManager::ReadResourceFile(const std::wstring& path, std::string* bytes) {
  std::wstring full_path = PathIsRelativeW(path.c_str()) ? resourcePath + path : path;
  full_path = qbase::NormalizeFilePath(full_path);
  uint32_t size = 0;
  if (const ScopedGlobalMemory block = UnpackEntry(GetZipEntryPath(full_path), &size)) {
    const GlobalMemoryLock lock(block.get());
    if (lock.data()) {
      bytes->assign(static_cast<const char*>(lock.data()), size);
      return true;
    }
  }
  std::string disk_bytes;
  if (!ReadFileToStringW(full_path, &disk_bytes)) return false;
  *bytes = std::move(disk_bytes);
  return true;
}

// Builds the "/" form the package stores, since lookups match separators
// exactly; CleanZipEntryName does not, so that a listed name finds its entry.
std::wstring GlobalManager::GetZipEntryPath(const std::wstring& path) {
  std::wstring name = path;
  qbase::ReplaceAllWide(L"\\", L"/", &name);
  qbase::ReplaceAllWide(L"//", L"/", &name);
  size_t i = 0;
  while (i < name.size()) {
    if (i > 0 && name[i - 1] != L'/') {
      ++i;
    } else if (name[i] == L'/') {
      name.erase(i, 1);
    } else if (name.compare(i, 2, L"./") == 0) {
      name.erase(i, 2);
    } else if (name.compare(i, 3, L"../") == 0) {
      if (i == 0) {
        // Nothing above the root to fold into: the segment goes alone.
        name.erase(0, 3);
        continue;
      }
      name.erase(i, 2);
      // name[i - 1] ends the previous segment; its start follows the "/" before it.
      const size_t before = i >= 2 ? name.rfind(L'/', i - 2) : std::wstring::npos;
      const size_t begin = before == std::wstring::npos ? 0 : before;
      name.erase(begin, i - begin);
      i = begin;
    } else {
      ++i;
    }
  }
  return name;
}

DWORD ParseColorValue(const std::wstring& value) {
  if (value.size() < 2) return 0;
  return static_cast<DWORD>(std::wcstoul(value.c_str() + 1, nullptr, 16));
}

std::wstring BuildClassText(const std::vector<std::pair<std::wstring, std::wstring>>& attributes) {
  std::wstring text;
  for (const auto& attribute : attributes) {
    if (attribute.first == L"value") {
      text += attribute.second;
    } else if (attribute.first == L"_value") {
      text += L" value=\"" + attribute.second + L"\"";
    } else {
      text += L" " + attribute.first + L"=\"" + attribute.second + L"\"";
    }
  }
  size_t start = 0;
  while (start < text.size() && (text[start] <= 29 || text[start] == 32)) ++start;
  return text.substr(start);
}

int32_t ScaleFontSize(int32_t size, bool dpi_aware, int scale_percent) {
  if (!dpi_aware || scale_percent == 100) return size;
  return MulDiv(size, scale_percent, 100);
}

}  // namespace ui
