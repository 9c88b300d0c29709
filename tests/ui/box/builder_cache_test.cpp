#include "ui/box/builder_cache.h"

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/ui/core/test_window.h"
#include "ui/box/box.h"
#include "ui/core/control.h"
#include "ui/resources/global_manager.h"

namespace {

using ui::Box;
using ui::Control;
using ui::GlobalManager;

// A control whose end the test can see.
class TrackedControl : public Control {
 public:
  explicit TrackedControl(int* destroyed) : destroyed_(destroyed) {}
  ~TrackedControl() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

// The framework started over a scratch resource root, with the layout hooks
// installed as the composition root installs them.
class BuilderCacheTest : public testing::Test {
 protected:
  void SetUp() override {
    GlobalManager::Startup(dir_.path() + L"\\", nullptr, L"themes\\default", L"zh_TW");
    ui::BuilderCache::Install();
  }
  void TearDown() override {
    ui::BuilderCache::Clear();
    GlobalManager::layoutBuilder = nullptr;
    GlobalManager::layoutCacheClearer = nullptr;
    GlobalManager::Shutdown();
  }

  void WriteLayout(const std::wstring& name, const std::string& text) {
    test_support::WriteFileBytes(Path(name), text);
  }
  void DeleteLayout(const std::wstring& name) { ASSERT_TRUE(DeleteFileW(Path(name).c_str())); }
  std::wstring Path(const std::wstring& name) const {
    return dir_.Child(L"themes\\default\\" + name);
  }

  // The names of a box's children, blank-separated.
  static std::wstring Names(Box* box) {
    std::wstring names;
    for (int32_t i = 0; i < box->GetCount(); ++i) {
      if (i) names += L" ";
      names += box->GetItemAt(i)->GetName();
    }
    return names;
  }

  test_support::ScratchDir dir_;
  test_support::TestWindow host_;
};

TEST_F(BuilderCacheTest, CachedFormsParseAPathOnceUntilTheSkinIsReloaded) {
  WriteLayout(L"row.xml",
              "<F><HBox name=\"row\"><Control name=\"a\"/><Control name=\"b\"/></HBox></F>");
  std::unique_ptr<Box> first(GlobalManager::CreateBoxWithCache(L"row.xml", nullptr));
  ASSERT_NE(first, nullptr);
  EXPECT_NE(dynamic_cast<ui::HBox*>(first.get()), nullptr);
  EXPECT_EQ(first->GetName(), L"row");
  EXPECT_EQ(first->GetWindow(), nullptr);
  EXPECT_EQ(Names(first.get()), L"a b");

  // A changed file: the cached forms keep building the first document, the
  // plain form reads the new one.
  WriteLayout(L"row.xml", "<F><HBox name=\"changed\"><Control name=\"c\"/></HBox></F>");
  std::unique_ptr<Box> second(GlobalManager::CreateBoxWithCache(L"row.xml", nullptr));
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second.get(), first.get());
  EXPECT_EQ(Names(second.get()), L"a b");
  Box filled;
  ASSERT_TRUE(GlobalManager::FillBoxWithCache(&filled, L"row.xml", nullptr));
  EXPECT_EQ(Names(&filled), L"a b");
  Box plain;
  ASSERT_TRUE(GlobalManager::FillBox(&plain, L"row.xml", nullptr));
  EXPECT_EQ(Names(&plain), L"c");

  GlobalManager::ReloadSkin(L"", nullptr);
  std::unique_ptr<Box> reloaded(GlobalManager::CreateBoxWithCache(L"row.xml", nullptr));
  ASSERT_NE(reloaded, nullptr);
  EXPECT_EQ(reloaded->GetName(), L"changed");
  EXPECT_EQ(Names(reloaded.get()), L"c");
}

TEST_F(BuilderCacheTest, FilledBoxesGetTheFileOnTheirWindow) {
  WriteLayout(L"page.xml",
              "<F><VBox width=\"80\" bkcolor=\"ink\"><Control name=\"first\"/>"
              "<Control name=\"second\"/></VBox></F>");
  auto* root = new Box;
  host_.window().AttachRootControl(root);
  for (bool cached : {false, true, true}) {
    auto* page = new Box;
    root->Add(page);
    const bool filled = cached ? GlobalManager::FillBoxWithCache(page, L"page.xml", nullptr)
                               : GlobalManager::FillBox(page, L"page.xml", nullptr);
    ASSERT_TRUE(filled) << cached;
    // The file's first element gives the box its attributes, not its class.
    EXPECT_EQ(page->GetFixedWidth(), 80);
    EXPECT_EQ(page->GetBkColor(), L"ink");
    ASSERT_EQ(Names(page), L"first second");
    EXPECT_EQ(page->GetItemAt(1)->GetWindow(), &host_.window());
  }
}

TEST_F(BuilderCacheTest, FilesThatGiveNoBoxFailAndAreNotKept) {
  WriteLayout(L"control.xml", "<F><Tracked name=\"lone\"/></F>");
  WriteLayout(L"resources_only.xml", "<F><Class name=\"x\" width=\"5\"/></F>");
  int destroyed = 0;
  const ui::CreateControlCallback make_tracked = [&destroyed](const std::wstring& name) {
    return name == L"Tracked" ? new TrackedControl(&destroyed) : nullptr;
  };

  // A first control that is not a box has no owner: it is freed.
  EXPECT_EQ(GlobalManager::CreateBoxWithCache(L"control.xml", make_tracked), nullptr);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(GlobalManager::CreateBoxWithCache(L"resources_only.xml", nullptr), nullptr);
  EXPECT_EQ(GlobalManager::CreateBoxWithCache(L"missing.xml", nullptr), nullptr);
  Box box;
  EXPECT_FALSE(GlobalManager::FillBox(&box, L"missing.xml", nullptr));
  EXPECT_FALSE(GlobalManager::FillBoxWithCache(&box, L"missing.xml", nullptr));
  EXPECT_FALSE(GlobalManager::FillBoxWithCache(&box, L"resources_only.xml", nullptr));
  EXPECT_FALSE(GlobalManager::FillBox(nullptr, L"resources_only.xml", nullptr));
  EXPECT_EQ(box.GetCount(), 0);

  // Nothing was kept of the failures: the files are read again.
  WriteLayout(L"missing.xml", "<F><Box name=\"found\"/></F>");
  std::unique_ptr<Box> found(GlobalManager::CreateBoxWithCache(L"missing.xml", nullptr));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetName(), L"found");
  WriteLayout(L"control.xml", "<F><Box name=\"now_a_box\"/></F>");
  std::unique_ptr<Box> now_a_box(GlobalManager::CreateBoxWithCache(L"control.xml", nullptr));
  ASSERT_NE(now_a_box, nullptr);
  EXPECT_EQ(now_a_box->GetName(), L"now_a_box");
}

TEST_F(BuilderCacheTest, WithoutTheHooksNothingIsBuilt) {
  WriteLayout(L"page.xml", "<F><Box><Control/></Box></F>");
  GlobalManager::layoutBuilder = nullptr;
  GlobalManager::layoutCacheClearer = nullptr;
  Box box;
  EXPECT_EQ(GlobalManager::CreateBoxWithCache(L"page.xml", nullptr), nullptr);
  EXPECT_FALSE(GlobalManager::FillBox(&box, L"page.xml", nullptr));
  EXPECT_FALSE(GlobalManager::FillBoxWithCache(&box, L"page.xml", nullptr));
  GlobalManager::ReloadSkin(L"", nullptr);
  EXPECT_EQ(box.GetCount(), 0);
}

}  // namespace
