#include "launcher/core/download_log.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <json/json.h>

namespace {

struct ParseCase {
  const char* name;
  const char* text;
  bool ok;
  DownloadLog expected;
};

DownloadLog Log(bool first_install, int64_t size, int64_t speed, int64_t time,
                const char* version) {
  DownloadLog log;
  log.firstInstall = first_install;
  log.downloadSize = size;
  log.downloadSpeed = speed;
  log.downloadTime = time;
  log.downloadVersion = version;
  return log;
}

TEST(DownloadLogTest, ParseIsTypeStrict) {
  const DownloadLog defaults;
  const ParseCase cases[] = {
      {"every member",
       R"({"firstInstall": false, "downloadSize": 6442450944, "downloadSpeed": 1048576,
           "downloadTime": 3600, "downloadVersion": "1_2_3"})",
       true, Log(false, 6442450944LL, 1048576, 3600, "1_2_3")},
      {"negative size kept", R"({"downloadSize": -5})", true, defaults},
      {"size as text kept", R"({"downloadSize": "5"})", true, defaults},
      {"integral real counts", R"({"downloadTime": 60.0})", true, Log(true, 0, 0, 60, "")},
      {"fractional real kept", R"({"downloadTime": 60.5})", true, defaults},
      {"beyond the signed range kept", R"({"downloadSize": 18446744073709551615})", true, defaults},
      {"largest signed count", R"({"downloadSize": 9223372036854775807})", true,
       Log(true, 9223372036854775807LL, 0, 0, "")},
      {"number is no flag", R"({"firstInstall": 0})", true, defaults},
      {"number is no version", R"({"downloadVersion": 123})", true, defaults},
      {"not JSON", "{", false, defaults},
      {"root is a number", "5", false, defaults},
  };
  for (const ParseCase& test : cases) {
    DownloadLog parsed;
    EXPECT_EQ(ParseDownloadLog(test.text, &parsed), test.ok) << test.name;
    EXPECT_EQ(parsed.firstInstall, test.expected.firstInstall) << test.name;
    EXPECT_EQ(parsed.downloadSize, test.expected.downloadSize) << test.name;
    EXPECT_EQ(parsed.downloadSpeed, test.expected.downloadSpeed) << test.name;
    EXPECT_EQ(parsed.downloadTime, test.expected.downloadTime) << test.name;
    EXPECT_EQ(parsed.downloadVersion, test.expected.downloadVersion) << test.name;
  }
}

TEST(DownloadLogTest, WriteThenParseKeeps64BitCounts) {
  const DownloadLog written = Log(false, 5000000000LL, 123, 7, "1040012_5_3");
  const std::string text = WriteDownloadLog(written);
  EXPECT_EQ(text.find("{\n\t\""), 0u) << text;

  Json::Value root;
  Json::CharReaderBuilder builder;
  std::string error;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &root, &error));
  EXPECT_EQ(root.size(), 5u);
  EXPECT_TRUE(root["downloadSize"].isIntegral());
  EXPECT_EQ(root["downloadSize"].asInt64(), 5000000000LL);

  DownloadLog read;
  ASSERT_TRUE(ParseDownloadLog(text, &read));
  EXPECT_EQ(read.firstInstall, false);
  EXPECT_EQ(read.downloadSize, 5000000000LL);
  EXPECT_EQ(read.downloadSpeed, 123);
  EXPECT_EQ(read.downloadTime, 7);
  EXPECT_EQ(read.downloadVersion, "1040012_5_3");
}

}  // namespace
