#include "launcher/windows/notice_page_address.h"

#include <gtest/gtest.h>

namespace {

TEST(NoticePageAddressTest, TheConfiguredAddressElseTheActivityAddressWithTheLanguage) {
  const struct {
    const char* configured;
    const char* activity;
    const char* language;
    const char* address;
  } cases[] = {
      // A configured address is loaded as it is.
      {"http://qa.test/notice?x=1", "https://a.test/act?id=7", "ko", "http://qa.test/notice?x=1"},
      {"http://qa.test/notice", "", "", "http://qa.test/notice"},
      // Before the directory answered there is nothing to load.
      {"", "", "ko", ""},
      // The activity address's own query is kept.
      {"", "https://a.test/act?id=7", "ko", "https://a.test/act?id=7&lang=ko"},
      {"", "https://a.test/act?id=7", "zh_TW", "https://a.test/act?id=7&lang=zh_TW"},
      {"", "https://a.test/act?id=7", "", "https://a.test/act?id=7&lang=en"},
      // Without a query the language starts one.
      {"", "https://a.test/act", "en", "https://a.test/act?lang=en"},
      {"", "https://a.test/act?", "en", "https://a.test/act?lang=en"},
      {"", "https://a.test/act?id=7&", "en", "https://a.test/act?id=7&lang=en"},
      // A fragment stays last.
      {"", "https://a.test/act#news", "ko", "https://a.test/act?lang=ko#news"},
      {"", "https://a.test/act?id=7#news", "ko", "https://a.test/act?id=7&lang=ko#news"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NoticePageAddress(c.configured, c.activity, c.language), c.address)
        << c.configured << " | " << c.activity << " | " << c.language;
  }
}

}  // namespace
