#include "browser/runtime/cursor_names.h"

namespace qoz_runtime {

LPCWSTR SystemCursorFor(const std::string& css_name) {
  static const struct {
    const char* name;
    LPCWSTR cursor;
  } kCursors[] = {
      {"default", IDC_ARROW},      {"pointer", IDC_HAND},         {"text", IDC_IBEAM},
      {"wait", IDC_WAIT},          {"progress", IDC_APPSTARTING}, {"move", IDC_SIZEALL},
      {"not-allowed", IDC_NO},     {"crosshair", IDC_CROSS},      {"help", IDC_HELP},
      {"n-resize", IDC_SIZENS},    {"s-resize", IDC_SIZENS},      {"ns-resize", IDC_SIZENS},
      {"row-resize", IDC_SIZENS},  {"e-resize", IDC_SIZEWE},      {"w-resize", IDC_SIZEWE},
      {"ew-resize", IDC_SIZEWE},   {"col-resize", IDC_SIZEWE},    {"ne-resize", IDC_SIZENESW},
      {"sw-resize", IDC_SIZENESW}, {"nesw-resize", IDC_SIZENESW}, {"nw-resize", IDC_SIZENWSE},
      {"se-resize", IDC_SIZENWSE}, {"nwse-resize", IDC_SIZENWSE},
  };
  for (const auto& entry : kCursors) {
    if (css_name == entry.name) return entry.cursor;
  }
  return IDC_ARROW;
}

}  // namespace qoz_runtime
