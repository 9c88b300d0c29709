#include "launcher/core/extra_config.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(ExtraConfigTest, ParseExtraConfig) {
  struct Case {
    const char* text;
    bool ok;
    const char* expected;  // starting from "before"
  };
  const Case cases[] = {
      {R"({"install_package_type": "steam"})", true, "steam"},
      {R"({"install_package_type": "", "x": 1})", true, ""},
      {"{}", true, "before"},
      {R"({"install_package_type": 3})", true, "before"},
      {R"({"install_package_type": null})", true, "before"},
      {"[1]", true, "before"},
      {"{", false, "before"},
      {"", false, "before"},
  };
  for (const Case& test : cases) {
    std::string type = "before";
    EXPECT_EQ(ParseExtraConfig(test.text, &type), test.ok) << test.text;
    EXPECT_EQ(type, test.expected) << test.text;
  }
}

}  // namespace
