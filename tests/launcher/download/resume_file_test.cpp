#include "launcher/download/resume_file.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

namespace {

constexpr int64_t kMiB32 = 33554432;

std::string Entries(const std::string& md5, const std::string& list) {
  return "{\"md5\":\"" + md5 + "\",\"infoList\":[" + list + "]}";
}

TEST(PlanChunksTest, CutsIn32MiBRanges) {
  struct Case {
    int64_t size;
    std::vector<std::pair<int64_t, int64_t>> ranges;
  } cases[] = {
      {1, {{0, 0}}},
      {kMiB32, {{0, kMiB32 - 1}}},
      {kMiB32 + 1, {{0, kMiB32 - 1}, {kMiB32, kMiB32}}},
      {2 * kMiB32, {{0, kMiB32 - 1}, {kMiB32, 2 * kMiB32 - 1}}},
      {5000000000, {}},
  };
  for (const Case& c : cases) {
    const std::vector<ChunkInfo> chunks = PlanChunks(c.size);
    if (c.size == 5000000000) {
      // Files past 4 GiB keep exact 64-bit offsets.
      ASSERT_EQ(chunks.size(), 150u);
      EXPECT_EQ(chunks.back().index, 149);
      EXPECT_EQ(chunks.back().begin, 149 * kMiB32);
      EXPECT_EQ(chunks.back().end, 4999999999);
      continue;
    }
    ASSERT_EQ(chunks.size(), c.ranges.size()) << c.size;
    for (size_t i = 0; i < chunks.size(); ++i) {
      EXPECT_EQ(chunks[i].index, static_cast<int32_t>(i));
      EXPECT_EQ(chunks[i].begin, c.ranges[i].first);
      EXPECT_EQ(chunks[i].end, c.ranges[i].second);
    }
  }
}

TEST(WrittenPrefixTest, EndsAtTheLowestPendingOffset) {
  struct Case {
    const char* name;
    std::vector<ChunkInfo> pending;
    int64_t prefix;
  } cases[] = {
      {"nothing pending", {}, 100},
      {"first range under way", {{0, 40, 49}, {1, 50, 99}}, 40},
      {"first range done, second started", {{1, 70, 99}}, 70},
      {"a later range ahead of an earlier one", {{2, 90, 99}, {1, 55, 89}}, 55},
      {"finished entries do not hold it back", {{0, 50, 49}, {1, 80, 99}}, 80},
      {"a range not started", {{0, 0, 49}}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WrittenPrefix(c.pending, 100), c.prefix) << c.name;
  }
}

TEST(ParseResumeTextTest, AcceptsOnlyRangesOfThisFile) {
  const std::string md5 = "0123456789abcdef0123456789abcdef";
  const int64_t size = 2 * kMiB32 + 10;  // three ranges
  struct Case {
    const char* name;
    std::string text;
    ResumeState state;
    size_t pending;
  } cases[] = {
      {"pending",
       Entries(md5,
               "{\"index\":0,\"begin\":100,\"end\":33554431},"
               "{\"index\":2,\"begin\":67108864,\"end\":67108873}"),
       ResumeState::Pending, 2},
      {"finished entries skipped",
       Entries(md5,
               "{\"index\":1,\"begin\":67108864,\"end\":67108863},"
               "{\"index\":2,\"begin\":67108870,\"end\":67108873}"),
       ResumeState::Pending, 1},
      {"all finished", Entries(md5, "{\"index\":0,\"begin\":33554432,\"end\":33554431}"),
       ResumeState::Finished, 0},
      {"empty list", Entries(md5, ""), ResumeState::Finished, 0},
      {"not json", "{\"md5\":", ResumeState::Unparsable, 0},
      {"empty text", "", ResumeState::Unparsable, 0},
      {"other md5",
       Entries("ffffffffffffffffffffffffffffffff", "{\"index\":0,\"begin\":0,\"end\":33554431}"),
       ResumeState::Invalid, 0},
      {"md5 not a string", "{\"md5\":5,\"infoList\":[]}", ResumeState::Invalid, 0},
      {"list not an array", "{\"md5\":\"" + md5 + "\",\"infoList\":{}}", ResumeState::Invalid, 0},
      {"not an object", "[1,2]", ResumeState::Invalid, 0},
      {"begin not a number", Entries(md5, "{\"index\":0,\"begin\":\"0\",\"end\":33554431}"),
       ResumeState::Invalid, 0},
      {"index out of the file", Entries(md5, "{\"index\":3,\"begin\":0,\"end\":10}"),
       ResumeState::Invalid, 0},
      {"negative index", Entries(md5, "{\"index\":-1,\"begin\":0,\"end\":10}"),
       ResumeState::Invalid, 0},
      {"end not the range's end", Entries(md5, "{\"index\":0,\"begin\":0,\"end\":99999999}"),
       ResumeState::Invalid, 0},
      {"begin before the range", Entries(md5, "{\"index\":1,\"begin\":5,\"end\":67108863}"),
       ResumeState::Invalid, 0},
      {"begin past the range", Entries(md5, "{\"index\":2,\"begin\":67108875,\"end\":67108873}"),
       ResumeState::Invalid, 0},
      {"duplicate index",
       Entries(md5,
               "{\"index\":0,\"begin\":0,\"end\":33554431},"
               "{\"index\":0,\"begin\":9,\"end\":33554431}"),
       ResumeState::Invalid, 0},
  };
  for (const Case& c : cases) {
    std::vector<ChunkInfo> pending;
    EXPECT_EQ(ParseResumeText(c.text, md5, size, &pending), c.state) << c.name;
    EXPECT_EQ(pending.size(), c.pending) << c.name;
  }
}

TEST(ResumeFileTest, WriteThenReadGivesThePendingRanges) {
  test_support::ScratchDir scratch;
  const std::string path = scratch.ChildUtf8(L"sub\\data.bin");
  const std::string md5 = "0123456789abcdef0123456789abcdef";
  std::vector<ChunkInfo> chunks = PlanChunks(kMiB32 + 5);
  chunks[0].begin = 4096;
  WriteResumeFile(path, md5, chunks);
  test_support::WriteFileBytes(scratch.Child(L"sub\\data.bin"), "partial");

  EXPECT_TRUE(ResumeFileMatchesMd5(path, md5));
  EXPECT_FALSE(ResumeFileMatchesMd5(path, "ffffffffffffffffffffffffffffffff"));
  EXPECT_NE(test_support::ReadFileBytes(scratch.Child(L"sub\\data.bin.cfg")).find("\t"),
            std::string::npos);
  std::vector<ChunkInfo> pending;
  ASSERT_TRUE(ReadResumeFile(path, md5, kMiB32 + 5, &pending));
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0].begin, 4096);
  EXPECT_EQ(pending[1].index, 1);
  EXPECT_EQ(pending[1].end, kMiB32 + 4);
  EXPECT_FALSE(test_support::FileExists(scratch.Child(L"sub\\data.bin.cfg.saving.tmp")));
}

TEST(ResumeFileTest, BadResumeFilesCostOnlyWhatIsUnsafe) {
  test_support::ScratchDir scratch;
  const std::string path = scratch.ChildUtf8(L"data.bin");
  const std::wstring data = scratch.Child(L"data.bin");
  const std::wstring resume = scratch.Child(L"data.bin.cfg");
  const std::string md5 = "0123456789abcdef0123456789abcdef";
  std::vector<ChunkInfo> pending;

  // Another file's: both go.
  test_support::WriteFileBytes(data, "old");
  test_support::WriteFileBytes(resume, Entries("ffffffffffffffffffffffffffffffff", ""));
  EXPECT_FALSE(ReadResumeFile(path, md5, 100, &pending));
  EXPECT_FALSE(test_support::FileExists(data));
  EXPECT_FALSE(test_support::FileExists(resume));

  // Unparsable: nothing is deleted.
  test_support::WriteFileBytes(data, "old");
  test_support::WriteFileBytes(resume, "{garbage");
  EXPECT_FALSE(ReadResumeFile(path, md5, 100, &pending));
  EXPECT_TRUE(test_support::FileExists(data));
  EXPECT_TRUE(test_support::FileExists(resume));

  // Nothing pending: the data may be complete and stays for its MD5 check.
  test_support::WriteFileBytes(resume, Entries(md5, "{\"index\":0,\"begin\":100,\"end\":99}"));
  EXPECT_FALSE(ReadResumeFile(path, md5, 100, &pending));
  EXPECT_TRUE(test_support::FileExists(data));
  EXPECT_FALSE(test_support::FileExists(resume));

  // Missing: nothing happens.
  EXPECT_FALSE(ReadResumeFile(path, md5, 100, &pending));
  EXPECT_TRUE(test_support::FileExists(data));
}

}  // namespace
