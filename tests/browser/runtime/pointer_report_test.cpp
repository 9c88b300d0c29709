#include "browser/runtime/pointer_report.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace {

using qoz_runtime::PointerReport;

std::string Menu(const std::string& fields) { return "{\"m\":{" + fields + "}}"; }

const std::string kFields =
    R"("x":12,"y":34.6,"l":"http://a/","s":"s\u00e9l","e":true,"p":"http://p/")";

TEST(PointerReportTest, ReadsMenusAndCursorsAndDropsMalformedOnes) {
  const std::optional<PointerReport> menu = PointerReport::Parse(Menu(kFields));
  ASSERT_TRUE(menu && menu->menu());
  EXPECT_EQ(12, menu->menu()->x);
  EXPECT_EQ(34, menu->menu()->y);
  EXPECT_EQ(L"http://a/", menu->menu()->link_url);
  EXPECT_EQ(L"s\u00e9l", menu->menu()->selection_text);
  EXPECT_TRUE(menu->menu()->editable);
  EXPECT_EQ(L"http://p/", menu->menu()->page_url);
  EXPECT_TRUE(menu->cursor().empty());

  const std::optional<PointerReport> cursor = PointerReport::Parse(R"({"c":"pointer"})");
  ASSERT_TRUE(cursor);
  EXPECT_EQ("pointer", cursor->cursor());
  EXPECT_FALSE(cursor->menu());

  // Reports of the right kind but wrong content: taken, and nothing in them.
  const std::string dropped[] = {
      Menu(R"("x":12,"y":34,"l":"","s":"","e":true)"),
      Menu(R"("x":"12","y":34,"l":"","s":"","e":true,"p":"")"),
      Menu(R"("x":12,"y":1e9,"l":"","s":"","e":true,"p":"")"),
      Menu(R"("x":12,"y":34,"l":"","s":"","e":1,"p":"")"),
      Menu(R"("x":12,"y":34,"l":")" + std::string(70000, 'a') + R"(","s":"","e":true,"p":"")"),
      R"({"m":[]})",
      R"({"c":7})",
      R"({"c":""})",
      "{\"c\":\"" + std::string(65, 'a') + "\"}",
  };
  for (const std::string& payload : dropped) {
    SCOPED_TRACE(payload.substr(0, 80));
    const std::optional<PointerReport> report = PointerReport::Parse(payload);
    ASSERT_TRUE(report);
    EXPECT_FALSE(report->menu());
    EXPECT_TRUE(report->cursor().empty());
  }

  // Anything else is left to the page side: calls, focus reports, bad text.
  const std::string others[] = {
      R"({"e":0,"n":"f","i":1,"a":[]})",
      R"({"f":1})",
      R"({"c":"pointer","f":1})",
      R"({"c":"pointer",})",
      R"({"c":"pointer"} x)",
      "[1]",
      "",
      "{\"c\":\"" + std::string(300000, 'a') + "\"}",
  };
  for (const std::string& payload : others) {
    SCOPED_TRACE(payload.substr(0, 80));
    EXPECT_FALSE(PointerReport::Parse(payload));
  }
}

}  // namespace
