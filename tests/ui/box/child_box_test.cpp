#include "ui/box/child_box.h"

#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/ui/core/test_window.h"
#include "ui/box/builder_cache.h"
#include "ui/box/markup_builder.h"
#include "ui/resources/global_manager.h"

namespace {

using ui::Box;
using ui::ChildBox;
using ui::GlobalManager;

// A scratch skin with the layout hooks installed as the composition root
// installs them; forms are built on a real window and attached to it.
class ChildBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    GlobalManager::Startup(dir_.path() + L"\\", nullptr, L"themes\\default", L"zh_TW");
    ui::BuilderCache::Install();
  }
  void TearDown() override {
    host_.window().AttachRootControl(nullptr);
    host_.window().DeleteQueuedControls();
    ui::BuilderCache::Clear();
    GlobalManager::layoutBuilder = nullptr;
    GlobalManager::layoutCacheClearer = nullptr;
    GlobalManager::Shutdown();
  }

  void WriteLayout(const std::wstring& name, const std::string& text) {
    test_support::WriteFileBytes(dir_.Child(L"themes\\default\\" + name), text);
  }
  // Builds the form file on the window and attaches it, as forms do.
  Box* BuildForm(const std::wstring& name) {
    ui::MarkupBuilder builder;
    auto* root =
        dynamic_cast<Box*>(builder.Create(name, nullptr, &host_.window(), nullptr, nullptr));
    if (root) host_.window().AttachRootControl(root);
    return root;
  }
  ChildBox* Find(const std::wstring& name) {
    return dynamic_cast<ChildBox*>(host_.window().FindControl(name));
  }
  // The names of a box's descendants, depth first, blank-separated.
  static std::wstring Tree(ui::Control* control) {
    std::wstring names;
    auto* box = dynamic_cast<Box*>(control);
    for (int32_t i = 0; box && i < box->GetCount(); ++i) {
      ui::Control* child = box->GetItemAt(i);
      if (!names.empty()) names += L" ";
      names += child->GetName();
      const std::wstring below = Tree(child);
      if (!below.empty()) names += L" (" + below + L")";
    }
    return names;
  }

  test_support::ScratchDir dir_;
  test_support::TestWindow host_;
};

TEST_F(ChildBoxTest, ChildBoxesBuildTheirFileOnceEachWithTheirOwnControls) {
  WriteLayout(L"part.xml", "<F><HBox name=\"part\"><Control name=\"leaf\"/></HBox></F>");
  WriteLayout(L"main.xml",
              "<Window><VBox><ChildBox name=\"one\" xmlfile=\"part.xml\"/>"
              "<ChildBox name=\"two\" xmlfile=\"part.xml\"/><ChildBox name=\"plain\"/>"
              "<ChildBox name=\"missing\" xmlfile=\"none.xml\"/></VBox></Window>");
  ASSERT_NE(BuildForm(L"main.xml"), nullptr);
  ChildBox* one = Find(L"one");
  ChildBox* two = Find(L"two");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  // Built while the form was built and kept when the window attached it.
  EXPECT_EQ(Tree(one), L"part (leaf)");
  EXPECT_EQ(Tree(two), L"part (leaf)");
  EXPECT_NE(one->GetItemAt(0), two->GetItemAt(0));
  EXPECT_EQ(one->GetItemAt(0)->GetWindow(), &host_.window());
  EXPECT_EQ(one->GetItemAt(0)->GetParent(), one);
  // The content's names reach the window's name map.
  EXPECT_NE(host_.window().FindControl(L"leaf"), nullptr);
  EXPECT_EQ(Tree(Find(L"plain")), L"");
  EXPECT_EQ(Tree(Find(L"missing")), L"");

  // The file was parsed once: a changed file does not reach a third box.
  WriteLayout(L"part.xml", "<F><HBox name=\"changed\"/></F>");
  auto* three = new ChildBox;
  three->SetAttribute(L"xmlfile", L"part.xml");
  static_cast<Box*>(host_.window().GetRoot())->Add(three);
  EXPECT_EQ(Tree(three), L"part (leaf)");
}

TEST_F(ChildBoxTest, FilesThatLeadBackToThemselvesStopAtTheFirstRepeat) {
  WriteLayout(L"loop.xml",
              "<F><VBox name=\"loop\"><ChildBox name=\"again\" xmlfile=\"LOOP.xml\"/></VBox></F>");
  WriteLayout(L"a.xml",
              "<F><VBox name=\"a\"><ChildBox name=\"to_b\" xmlfile=\"b.xml\"/></VBox></F>");
  WriteLayout(L"b.xml",
              "<F><VBox name=\"b\"><ChildBox name=\"to_a\" xmlfile=\"a.xml\"/></VBox></F>");
  WriteLayout(L"main.xml",
              "<Window><VBox><ChildBox name=\"self\" xmlfile=\"loop.xml\"/>"
              "<ChildBox name=\"pair\" xmlfile=\"a.xml\"/></VBox></Window>");
  ASSERT_NE(BuildForm(L"main.xml"), nullptr);
  EXPECT_EQ(Tree(Find(L"self")), L"loop (again)");
  EXPECT_EQ(Tree(Find(L"pair")), L"a (to_b (b (to_a)))");
}

}  // namespace
