#include "launcher/download/resume_saver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_dir.h"

namespace {

using test_support::FileExists;
using test_support::ReadFileBytes;
using test_support::ScratchDir;
using test_support::WriteFileBytes;

constexpr char kMd5[] = "0123456789abcdef0123456789abcdef";

TEST(ResumeSaverTest, WritesTheNewestStateQueued) {
  ScratchDir scratch;
  WriteFileBytes(scratch.Child(L"data.bin"), std::string(300, 'x'));
  ResumeSaver saver(scratch.ChildUtf8(L"data.bin"), kMd5);
  std::vector<ChunkInfo> chunks = {{0, 0, 99}, {1, 100, 199}, {2, 200, 299}};
  for (int64_t step = 1; step <= 50; ++step) {
    chunks[0].begin = step;
    chunks[2].begin = 200 + step;
    saver.Save(chunks);
  }
  saver.WaitUntilSaved();
  EXPECT_EQ(ReadFileBytes(scratch.Child(L"data.bin.cfg")), FormatResumeText(kMd5, chunks));
  EXPECT_FALSE(FileExists(scratch.Child(L"data.bin.cfg.saving.tmp")));
}

TEST(ResumeSaverTest, NoOffsetsWithoutADataFileToFlush) {
  ScratchDir scratch;
  ResumeSaver saver(scratch.ChildUtf8(L"missing.bin"), kMd5);
  saver.Save({{0, 10, 99}});
  saver.WaitUntilSaved();
  EXPECT_FALSE(FileExists(scratch.Child(L"missing.bin.cfg")));
}

TEST(ResumeSaverTest, GoesAwayWithNothingQueuedOrMidway) {
  ScratchDir scratch;
  WriteFileBytes(scratch.Child(L"data.bin"), std::string(100, 'x'));
  { ResumeSaver idle(scratch.ChildUtf8(L"data.bin"), kMd5); }
  {
    ResumeSaver busy(scratch.ChildUtf8(L"data.bin"), kMd5);
    busy.Save({{0, 10, 99}});
  }
  // Whatever was written is whole: either nothing or the queued state.
  if (FileExists(scratch.Child(L"data.bin.cfg"))) {
    EXPECT_EQ(ReadFileBytes(scratch.Child(L"data.bin.cfg")), FormatResumeText(kMd5, {{0, 10, 99}}));
  }
}

}  // namespace
