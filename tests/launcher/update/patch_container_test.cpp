#include "launcher/update/patch_container.h"

#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/patch_writer.h"

namespace {

using test_support::MakePatchContainer;

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random() & 0xff);
  return bytes;
}

TEST(PatchContainerTest, ReadsThePayload) {
  // Beyond the first output buffer, so the output grows on the way.
  const std::string large = RandomBytes(300000, 7);
  struct Case {
    const char* name;
    std::string container;
    std::string payload;
  };
  const Case cases[] = {
      {"small", MakePatchContainer("BSDIFN40 payload"), "BSDIFN40 payload"},
      {"empty payload", MakePatchContainer(""), ""},
      {"large payload", MakePatchContainer(large), large},
      {"bytes after the stream", MakePatchContainer("abc") + "trailing", "abc"},
  };
  for (const Case& c : cases) {
    std::string payload = "old";
    EXPECT_EQ(ReadPatchContainer(c.container, &payload), PatchContainerResult::Ok) << c.name;
    EXPECT_EQ(payload, c.payload) << c.name;
  }
}

TEST(PatchContainerTest, RejectsBadContainers) {
  const std::string payload = RandomBytes(5000, 11);
  const std::string good = MakePatchContainer(payload);
  const uint32_t size = static_cast<uint32_t>(payload.size());
  std::string corrupt_stream = good;
  corrupt_stream[8] = 0x00;  // a zlib header that names no method
  // The compressed size field says 10 bytes fewer than the stream has.
  std::string compressed_size_too_small = good;
  const uint32_t cut = static_cast<uint32_t>(good.size() - 8 - 10);
  for (int i = 0; i < 4; ++i) compressed_size_too_small[4 + i] = static_cast<char>(cut >> (8 * i));
  struct Case {
    const char* name;
    std::string container;
    PatchContainerResult result;
  };
  const Case cases[] = {
      {"nothing", "", PatchContainerResult::PayloadSizeShort},
      {"three bytes", good.substr(0, 3), PatchContainerResult::PayloadSizeShort},
      {"one size", good.substr(0, 4), PatchContainerResult::CompressedSizeShort},
      {"seven bytes", good.substr(0, 7), PatchContainerResult::CompressedSizeShort},
      {"data cut short", good.substr(0, good.size() - 1),
       PatchContainerResult::CompressedDataShort},
      {"not zlib", corrupt_stream, PatchContainerResult::DecompressFailed},
      {"stream ends inside", compressed_size_too_small, PatchContainerResult::DecompressFailed},
      // The size field must match what the stream holds, in either direction
      // and by any amount.
      {"understated by 1", MakePatchContainer(payload, size - 1),
       PatchContainerResult::PayloadSizeMismatch},
      {"understated by 2000", MakePatchContainer(payload, size - 2000),
       PatchContainerResult::PayloadSizeMismatch},
      {"understated to 0", MakePatchContainer(payload, 0),
       PatchContainerResult::PayloadSizeMismatch},
      {"overstated by 1", MakePatchContainer(payload, size + 1),
       PatchContainerResult::PayloadSizeMismatch},
      {"overstated to 4 GiB", MakePatchContainer(payload, UINT32_MAX),
       PatchContainerResult::PayloadSizeMismatch},
  };
  for (const Case& c : cases) {
    std::string out = "kept";
    EXPECT_EQ(ReadPatchContainer(c.container, &out), c.result) << c.name;
    EXPECT_EQ(out, "kept") << c.name;
  }
}

}  // namespace
