#include "ui/resources/image_cache.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/render/gdiplus_test_support.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/zip_archive.h"

namespace ui {
namespace {

using test_support::EncodePng;
using test_support::Solid;

// Images on disk in a scratch folder, which is the current folder meanwhile
// (package entry names are relative paths).
class ImageCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteFileBytes(folder_.Child(L"skin\\red.png"),
                                 EncodePng(2, 3, Solid(2, 3, 0xFFFF0000)));
  }
  void TearDown() override {
    GlobalManager::CloseResourceZip();
    GlobalManager::imageCache.clear();
  }

  void OpenPackage(const std::string& name, const std::string& data) {
    test_support::ZipFixtureEntry entry;
    entry.name = name;
    entry.data = data;
    package_ = test_support::BuildZip({entry});
    GlobalManager::resourceZip = OpenZipArchive(
        package_.data(), static_cast<int32_t>(package_.size()), kZipSourceMemory, nullptr);
    ASSERT_TRUE(GlobalManager::resourceZip);
  }

  test_support::ScratchDir folder_;
  test_support::ScopedCurrentFolder current_{folder_.path()};
  std::string package_;
};

TEST_F(ImageCacheTest, SamePathSharesOneDecodedImage) {
  const std::wstring path = folder_.Child(L"skin\\red.png");
  std::shared_ptr<ImageInfo> first = ImageCache::GetImage(path);
  ASSERT_TRUE(first);
  std::shared_ptr<ImageInfo> second = ImageCache::GetImage(folder_.Child(L"skin/red.png"));
  EXPECT_EQ(first, second);
  EXPECT_TRUE(first->cached);
  EXPECT_EQ(first->path, path);
  EXPECT_EQ(ImageCache::GetCachedImage(path), first);
  EXPECT_EQ(GlobalManager::imageCache.size(), 1u);
}

TEST_F(ImageCacheTest, LastReleaseRemovesTheEntryAndTheNextRequestDecodesAgain) {
  const std::wstring path = folder_.Child(L"skin\\red.png");
  std::shared_ptr<ImageInfo> first = ImageCache::GetImage(path);
  std::shared_ptr<ImageInfo> second = ImageCache::GetImage(path);
  first.reset();
  EXPECT_EQ(GlobalManager::imageCache.size(), 1u);
  second.reset();
  EXPECT_TRUE(GlobalManager::imageCache.empty());
  EXPECT_FALSE(ImageCache::GetCachedImage(path));
  std::shared_ptr<ImageInfo> again = ImageCache::GetImage(path);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->height, 3);
}

TEST_F(ImageCacheTest, CachedLookupNeverDecodes) {
  EXPECT_FALSE(ImageCache::GetCachedImage(folder_.Child(L"skin\\red.png")));
  EXPECT_TRUE(GlobalManager::imageCache.empty());
}

TEST_F(ImageCacheTest, UndecodableImageIsNotCached) {
  test_support::WriteFileBytes(folder_.Child(L"skin\\broken.png"), "\x89PNG broken");
  EXPECT_FALSE(ImageCache::GetImage(folder_.Child(L"skin\\broken.png")));
  EXPECT_FALSE(ImageCache::GetImage(folder_.Child(L"skin\\missing.png")));
  EXPECT_TRUE(GlobalManager::imageCache.empty());
}

TEST_F(ImageCacheTest, ReleasingAnImageKeepsANewerEntryOfItsPath) {
  const std::wstring path = folder_.Child(L"skin\\red.png");
  std::shared_ptr<ImageInfo> old_image = ImageCache::GetImage(path);
  GlobalManager::imageCache.clear();  // as a skin reload does
  std::shared_ptr<ImageInfo> new_image = ImageCache::GetImage(path);
  ASSERT_NE(old_image, new_image);
  old_image.reset();
  EXPECT_EQ(ImageCache::GetCachedImage(path), new_image);
}

TEST_F(ImageCacheTest, PackageImagesAreKeyedByEntryName) {
  OpenPackage("resources/themes/default/public/blue.png", EncodePng(4, 1, Solid(4, 1, 0xFF0000FF)));
  std::shared_ptr<ImageInfo> image =
      ImageCache::GetImage(L"resources\\themes\\default\\main\\..\\public\\blue.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 4);
  EXPECT_EQ(image->path, L"resources/themes/default/public/blue.png");
  EXPECT_EQ(ImageCache::GetImage(L"resources/themes/default/public/blue.png"), image);
  EXPECT_EQ(ImageCache::GetCachedImage(L"resources\\themes\\\\default\\public\\blue.png"), image);
}

TEST_F(ImageCacheTest, ImageMissingFromThePackageIsReadFromDisk) {
  OpenPackage("other.png", EncodePng(1, 1, Solid(1, 1, 0xFF00FF00)));
  std::shared_ptr<ImageInfo> image = ImageCache::GetImage(L"skin\\red.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->path, L"skin/red.png");
}

}  // namespace
}  // namespace ui
