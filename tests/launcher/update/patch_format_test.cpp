#include "launcher/update/patch_format.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/patch_writer.h"

namespace {

using test_support::EncodePatchNumber;

int64_t Decode(const std::string& bytes) {
  return DecodePatchNumber(reinterpret_cast<const uint8_t*>(bytes.data()));
}

TEST(PatchFormatTest, Numbers) {
  struct Case {
    std::string bytes;
    int64_t value;
  };
  const Case cases[] = {
      {std::string(8, '\0'), 0},
      {std::string("\x01\0\0\0\0\0\0\0", 8), 1},
      {std::string("\x01\0\0\0\0\0\0\x80", 8), -1},
      {std::string("\0\0\0\0\0\0\0\x80", 8), 0},  // negative zero
      {std::string("\xff\xff\xff\x7f\0\0\0\0", 8), INT32_MAX},
      // Bytes 4 to 6 count: positions past 4 GiB keep their high bits.
      {std::string("\x10\0\0\0\x01\0\0\0", 8), (int64_t{1} << 32) + 16},
      {std::string("\0\0\0\0\0\0\x01\x80", 8), -(int64_t{1} << 48)},
      {std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8), INT64_MAX},
      {std::string("\xff\xff\xff\xff\xff\xff\xff\xff", 8), -INT64_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(c.bytes), c.value) << c.value;
  for (int64_t value :
       {int64_t{0}, int64_t{7}, int64_t{-7}, int64_t{3} << 40, -(int64_t{5} << 33)}) {
    EXPECT_EQ(Decode(EncodePatchNumber(value)), value);
  }
}

TEST(PatchFormatTest, Headers) {
  const auto header = [](int64_t l, int64_t d, int64_t n) {
    return "BSDIFN40" + EncodePatchNumber(l) + EncodePatchNumber(d) + EncodePatchNumber(n);
  };
  struct Case {
    const char* name;
    std::string payload;
    bool valid;
  };
  const Case cases[] = {
      {"empty", "", false},
      {"one byte short", header(0, 0, 0).substr(0, 31), false},
      {"wrong magic", "BSDIFN41" + header(0, 0, 0).substr(8), false},
      {"negative control length", header(-24, 0, 1), false},
      {"negative diff length", header(0, -1, 1), false},
      {"negative new size", header(0, 0, -1), false},
      // The header alone decides; whether the blocks fit is the apply's check.
      {"blocks past the payload", header(1000, 1000, 5), true},
      {"trailing blocks", header(0, 0, 3) + "abc", true},
  };
  for (const Case& c : cases) {
    const std::optional<PatchHeader> parsed = ParsePatchHeader(c.payload);
    EXPECT_EQ(parsed.has_value(), c.valid) << c.name;
  }
  const std::optional<PatchHeader> parsed = ParsePatchHeader(header(24, int64_t{1} << 35, 9));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->controlLength, 24);
  EXPECT_EQ(parsed->diffLength, int64_t{1} << 35);
  EXPECT_EQ(parsed->newSize, 9);
}

}  // namespace
