#pragma once

#include <string>

#include <gtest/gtest.h>

#include "browser/cef_settings.h"
#include "tests/support/scratch_dir.h"

namespace test_support {

// The launcher's runtime, started once through the manager for the whole
// program with its data in a scratch folder: the "cef" folder beside the
// test holds the library.
class RuntimeFixture : public testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();

  static ScratchDir* scratch_;
  static qoz_comp::CefSettings* settings_;
  static std::wstring data_folder_;
  static bool started_;
  static bool hidden_window_closed_;
};

}  // namespace test_support
