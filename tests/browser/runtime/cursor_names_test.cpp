#include "browser/runtime/cursor_names.h"

#include <gtest/gtest.h>

namespace {

TEST(CursorNamesTest, CssNamesMapToSystemCursorsAndTheRestToTheArrow) {
  const struct {
    const char* name;
    LPCWSTR cursor;
  } cases[] = {
      {"pointer", IDC_HAND},       {"text", IDC_IBEAM},
      {"wait", IDC_WAIT},          {"progress", IDC_APPSTARTING},
      {"move", IDC_SIZEALL},       {"not-allowed", IDC_NO},
      {"crosshair", IDC_CROSS},    {"help", IDC_HELP},
      {"default", IDC_ARROW},      {"ns-resize", IDC_SIZENS},
      {"n-resize", IDC_SIZENS},    {"row-resize", IDC_SIZENS},
      {"ew-resize", IDC_SIZEWE},   {"w-resize", IDC_SIZEWE},
      {"col-resize", IDC_SIZEWE},  {"nesw-resize", IDC_SIZENESW},
      {"sw-resize", IDC_SIZENESW}, {"nwse-resize", IDC_SIZENWSE},
      {"se-resize", IDC_SIZENWSE}, {"grab", IDC_ARROW},
      {"Pointer", IDC_ARROW},      {"", IDC_ARROW},
      {"pointer ", IDC_ARROW},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.cursor, qoz_runtime::SystemCursorFor(c.name)) << "'" << c.name << "'";
    // Each names a cursor the system has.
    EXPECT_NE(nullptr, LoadCursorW(nullptr, qoz_runtime::SystemCursorFor(c.name))) << c.name;
  }
}

}  // namespace
