#include "launcher/update/file_hasher.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/md5.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(FileHasherTest, ResultsComeInListOrderOnTheCallingThread) {
  test_support::ScratchDir scratch;
  std::vector<std::string> paths;
  std::vector<std::string> contents;
  // More files than readers, the big ones first so that later files finish
  // before earlier ones.
  for (int i = 0; i < 23; ++i) {
    std::string bytes((23 - i) * 100000 + i, static_cast<char>('a' + i));
    const std::wstring name = i == 5 ? std::wstring(test_support::kCjkFile) : std::to_wstring(i);
    test_support::WriteFileBytes(scratch.Child(name), bytes);
    paths.push_back(scratch.ChildUtf8(name));
    contents.push_back(bytes);
  }
  paths.insert(paths.begin() + 7, scratch.ChildUtf8(L"missing"));
  contents.insert(contents.begin() + 7, "");

  std::vector<size_t> order;
  const DWORD caller = GetCurrentThreadId();
  FileHasher::HashAll(paths, [&](size_t index, const FileHasher::Result& result) {
    EXPECT_EQ(GetCurrentThreadId(), caller);
    order.push_back(index);
    if (index == 7) {
      EXPECT_FALSE(result.ok);
      return;
    }
    EXPECT_TRUE(result.ok) << paths[index];
    EXPECT_EQ(result.md5, Md5OfBuffer(contents[index].data(), contents[index].size()));
    EXPECT_EQ(result.size, static_cast<int64_t>(contents[index].size()));
  });
  ASSERT_EQ(order.size(), paths.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);

  FileHasher::HashAll({}, [](size_t, const FileHasher::Result&) { ADD_FAILURE(); });
}

}  // namespace
