#include "tests/support/scoped_current_folder.h"

#include <gtest/gtest.h>

namespace test_support {

ScopedCurrentFolder::ScopedCurrentFolder(const std::wstring& path) {
  const DWORD length = GetCurrentDirectoryW(0, nullptr);
  std::wstring previous(length, L'\0');
  previous.resize(GetCurrentDirectoryW(length, previous.data()));
  previous_ = previous;
  EXPECT_TRUE(SetCurrentDirectoryW(path.c_str())) << GetLastError();
}

ScopedCurrentFolder::~ScopedCurrentFolder() { SetCurrentDirectoryW(previous_.c_str()); }

}  // namespace test_support
