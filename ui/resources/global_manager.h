#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/render/gdiplus_handles.h"
#include "ui/resources/global_memory.h"
#include "ui/resources/zip_archive.h"

namespace ui {

class Box;
class Control;
class ImageInfo;
class IRenderFactory;
class Window;

// Asked by the markup builder for a class name it does not know; empty means none.
using CreateControlCallback = std::function<Control*(const std::wstring& class_name)>;

// Builds a layout file into `box`, or into a new box without a window when
// `box` is null, from the document kept for the path when `cached` (parsed
// and kept on first use). The box built, or null when the file cannot be
// read or built.
using LayoutBuilder = std::function<Box*(
    const std::wstring& path, const CreateControlCallback& callback, Box* box, bool cached)>;

// One font of the font table, owned by the table.
struct FontInfo {
  ScopedFont font;
  std::wstring face;  // the face actually used
  int32_t size = 0;   // pixel height after DPI scaling
  bool bold = false;
  bool underline = false;
  bool italic = false;
  TEXTMETRICW textMetrics = {};
  GdiplusPtr<Gdiplus::GpFont> gdiplusFont;
};

// The UI framework's process-wide services: resource root, skin package,
// fonts, text colours, classes and windows. Static data with no instance;
// everything belongs to the UI thread.
class GlobalManager {
 public:
  GlobalManager() = delete;

  // Once, on the UI thread, after the skin package was opened and before the
  // first window exists.
  static void Startup(const std::wstring& resource_root, const CreateControlCallback& callback,
                      const std::wstring& theme_folder, const std::wstring& language_code);
  // Once, after the UI loop has ended.
  static void Shutdown();

  // Builds "global.xml" into the font, colour and class tables through
  // `globalResourceLoader`; nothing while the markup builder above has not
  // set it. Called by Startup and ReloadSkin.
  static void LoadGlobalResource();

  // A new box built from a layout file, without window or parent, now the
  // caller's (a raw pointer: the box type lives above this library); null
  // when the file cannot be read or holds no box, or while `layoutBuilder` is
  // not set.
  static Box* CreateBoxWithCache(const std::wstring& path, const CreateControlCallback& callback);
  // Builds a layout file's controls into the box, on the box's window; false
  // when the file cannot be read or built. The cached form parses a path once.
  static bool FillBox(Box* box, const std::wstring& path, const CreateControlCallback& callback);
  static bool FillBoxWithCache(Box* box, const std::wstring& path,
                               const CreateControlCallback& callback);

  // Keeps the path with a trailing separator ("\" added unless it ends in one).
  static void SetResourcePath(const std::wstring& path);
  // Empties fonts, colours, classes and the parsed layouts and loads
  // "global.xml" and the language file of `language` again; an empty path
  // keeps the resource directory.
  static void ReloadSkin(const std::wstring& resource_path,
                         const std::function<void()>& completion);

  // The "Font" element: an empty id becomes the table's size in decimal; an
  // id already present keeps its first font. Null when no font can be made.
  static HFONT AddFont(const std::wstring& id, const std::wstring& face, int32_t size, bool bold,
                       bool underline, bool italic, bool is_default);
  // Empty id: the default font. Null when the id names no font.
  static FontInfo* GetFont(const std::wstring& id);
  static void RemoveAllFonts();

  // The "TextColor" element: "#AARRGGBB" under the name (replacing an entry).
  static void AddTextColor(const std::wstring& name, const std::wstring& value);
  // A name not in the table reads 0 and is entered with it.
  static DWORD GetTextColor(const std::wstring& name);
  // The "Class" element: its attributes other than "name", in document order.
  static void AddClass(const std::wstring& name,
                       const std::vector<std::pair<std::wstring, std::wstring>>& attributes);

  static void CloseResourceZip();
  // The unpacked entry of a resource path as a movable global block, now the
  // caller's; null when no package is open, the entry is missing or it cannot
  // be unpacked.
  static ScopedGlobalMemory GetZipData(const std::wstring& path);
  // A skin file from the package, else from the disk; a relative path is
  // taken under the resource directory. False when neither has it.
  static bool ReadResourceFile(const std::wstring& path, std::string* bytes);
  // The package entry name of a resource path: "/" separators, no empty,
  // "." or leading ".." segments, "x/.." folded away.
  static std::wstring GetZipEntryPath(const std::wstring& path);

  static std::wstring resourcePath;
  static std::wstring language;
  static std::wstring channel;
  static std::unique_ptr<ZipHandle> resourceZip;
  static std::unique_ptr<IRenderFactory> renderFactory;
  static CreateControlCallback createControlCallback;
  // Set once by the markup builder's owner before Startup.
  static std::function<void()> globalResourceLoader;
  // Set likewise: the layout forms above build through the first, and a skin
  // reload forgets the parsed layouts through the second.
  static LayoutBuilder layoutBuilder;
  static std::function<void()> layoutCacheClearer;
  static std::vector<Window*> windowList;  // not owned, in creation order
  static std::map<std::wstring, std::unique_ptr<FontInfo>> fonts;
  static std::wstring defaultFontId;
  static std::map<std::wstring, DWORD> textColors;
  static std::wstring defaultTextColor;
  static std::wstring defaultDisabledTextColor;
  static std::map<std::wstring, std::wstring> classes;
  static std::map<std::wstring, std::weak_ptr<ImageInfo>> imageCache;
  static std::wstring systemFontFace;
  static std::wstring systemBoldFontFace;
  static std::wstring systemItalicFontFace;
  static std::wstring buttonFontFace;
  static std::wstring buttonBoldFontFace;
  static std::wstring buttonItalicFontFace;
  static bool systemFontUsable;
  static bool systemBoldFontUsable;
  static bool systemItalicFontUsable;
  static bool buttonFontUsable;
  static bool buttonBoldFontUsable;
  static bool buttonItalicFontUsable;
  static ScopedMemoryDc measureDC;
  static ULONG_PTR gdiplusToken;
  // The process's DPI awareness and the screen's scale in percent; fonts are
  // scaled by it while awareness is on.
  static bool dpiAware;
  static int dpiScalePercent;
};

// The colour of a "TextColor" value: its first character (by convention "#")
// skipped, the rest read as hexadecimal ARGB; 0 when nothing follows.
DWORD ParseColorValue(const std::wstring& value);
// The attribute text of a "Class" element, without leading blanks.
std::wstring BuildClassText(const std::vector<std::pair<std::wstring, std::wstring>>& attributes);
// A font's pixel height at the screen's scale.
int32_t ScaleFontSize(int32_t size, bool dpi_aware, int scale_percent);

}  // namespace ui
