#include "launcher/update/patch_block_reader.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/patch_writer.h"

namespace {

using test_support::EncodePatchNumber;

TEST(PatchBlockReaderTest, ReadsTriplesAndStopsOnlyAtThePayloadEnd) {
  const std::string payload = EncodePatchNumber(3) + EncodePatchNumber(-2) + EncodePatchNumber(1) +
                              EncodePatchNumber(40) + "abc";
  PatchBlockReader reader(payload, 0);
  const std::optional<ControlTriple> triple = reader.ReadControlTriple();
  ASSERT_TRUE(triple);
  EXPECT_EQ(triple->add, 3);
  EXPECT_EQ(triple->copy, -2);
  EXPECT_EQ(triple->seek, 1);
  // The fourth number is whole, the fifth is not: the triple fails.
  EXPECT_FALSE(reader.ReadControlTriple());
  // A number that does not fit leaves the cursor where it was.
  EXPECT_FALSE(reader.ReadNumber());
  EXPECT_EQ(reader.Take(10), "abc");
  EXPECT_EQ(reader.Take(1), "");
}

TEST(PatchBlockReaderTest, TakesAcrossBlockBoundaries) {
  const std::string payload = "diffextra";
  // A diff cursor knows no block end: it runs on into the extra block.
  PatchBlockReader diff(payload, 0);
  EXPECT_EQ(diff.Take(6), "diffex");
  EXPECT_EQ(diff.Take(6), "tra");
  EXPECT_EQ(diff.position(), payload.size());
  PatchBlockReader at_end(payload, payload.size());
  EXPECT_EQ(at_end.Take(1), "");
  EXPECT_FALSE(at_end.ReadNumber());
  PatchBlockReader past_end(payload, payload.size() + 5);
  EXPECT_EQ(past_end.Take(1), "");
}

}  // namespace
