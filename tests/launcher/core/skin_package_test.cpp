#include "launcher/core/skin_package.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/zip_archive.h"

namespace {

// Runs a test with the scratch folder as the launcher's folder.
class SkinPackageTest : public testing::Test {
 protected:
  void TearDown() override { ui::GlobalManager::CloseResourceZip(); }

  static bool PackageHas(const std::wstring& name) {
    return ui::GlobalManager::resourceZip && FindZipEntry(name, nullptr, nullptr) == ZipResult::Ok;
  }

  test_support::ScratchDir dir_;
  test_support::ScopedCurrentFolder folder_{dir_.path()};
};

TEST_F(SkinPackageTest, WithoutAPackageBesideTheExecutableTheEmbeddedOneOpens) {
  OpenSkinPackage();
  EXPECT_TRUE(PackageHas(L"resources/themes/default/global.xml"));
  EXPECT_FALSE(test_support::FileExists(dir_.Child(L"update\\tmp_resources.zip")));
}

TEST_F(SkinPackageTest, APackageBesideTheExecutableIsReadThroughItsCopy) {
  test_support::ZipFixtureEntry marker;
  marker.name = "resources/marker.txt";
  marker.data = "beside";
  test_support::WriteFileBytes(dir_.Child(L"resources.zip"), test_support::BuildZip({marker}));
  // No update folder yet, as on a first start.
  OpenSkinPackage();

  EXPECT_TRUE(PackageHas(L"resources/marker.txt"));
  EXPECT_FALSE(PackageHas(L"resources/themes/default/global.xml"));
  EXPECT_TRUE(test_support::FileExists(dir_.Child(L"update\\tmp_resources.zip")));
  // The original is not held open, so an update can replace it.
  EXPECT_TRUE(DeleteFileW(dir_.Child(L"resources.zip").c_str()));
}

TEST_F(SkinPackageTest, AnUnreadablePackageBesideTheExecutableFallsBackToTheEmbeddedOne) {
  test_support::WriteFileBytes(dir_.Child(L"resources.zip"), "not a zip");
  OpenSkinPackage();
  EXPECT_TRUE(PackageHas(L"resources/themes/default/global.xml"));
}

}  // namespace
