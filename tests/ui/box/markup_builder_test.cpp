#include "ui/box/markup_builder.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/core/test_window.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/box/box.h"
#include "ui/core/control.h"
#include "ui/core/window.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/zip_archive.h"

namespace {

using ui::Box;
using ui::Control;
using ui::GlobalManager;
using ui::MarkupBuilder;

// A control whose end the test can see.
class TrackedControl : public Control {
 public:
  explicit TrackedControl(int* destroyed) : destroyed_(destroyed) {}
  ~TrackedControl() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

// "Type:name(children)" of a tree, the type from the classes the builder knows.
std::wstring Describe(Control* control) {
  std::wstring type = L"Control";
  if (dynamic_cast<ui::VBox*>(control)) {
    type = L"VBox";
  } else if (dynamic_cast<ui::HBox*>(control)) {
    type = L"HBox";
  } else if (dynamic_cast<ui::TileBox*>(control)) {
    type = L"TileBox";
  } else if (dynamic_cast<TrackedControl*>(control)) {
    type = L"Tracked";
  } else if (dynamic_cast<Box*>(control)) {
    type = L"Box";
  }
  std::wstring text = type + L":" + control->GetName();
  auto* box = dynamic_cast<Box*>(control);
  if (!box || box->GetCount() == 0) return text;
  text += L"(";
  for (int32_t i = 0; i < box->GetCount(); ++i) {
    if (i) text += L" ";
    text += Describe(box->GetItemAt(i));
  }
  return text + L")";
}

// A started framework over a scratch resource root: layouts are written
// under themes\default.
class MarkupBuilderTest : public testing::Test {
 protected:
  void SetUp() override {
    GlobalManager::Startup(dir_.path() + L"\\", nullptr, L"themes\\default", L"zh_TW");
  }
  void TearDown() override {
    GlobalManager::createControlCallback = nullptr;
    GlobalManager::textColors.clear();
    GlobalManager::classes.clear();
    GlobalManager::Shutdown();
    GlobalManager::defaultFontId.clear();
  }

  void WriteLayout(const std::wstring& name, const std::string& text) {
    test_support::WriteFileBytes(dir_.Child(L"themes\\default\\" + name), text);
  }

  // Builds into a fresh root box of the test window; the box keeps the tree.
  std::unique_ptr<Control> Build(const std::wstring& xml,
                                 const ui::CreateControlCallback& callback = nullptr) {
    MarkupBuilder builder;
    return std::unique_ptr<Control>(
        builder.Create(xml, callback, &host_.window(), nullptr, nullptr));
  }

  test_support::ScratchDir dir_;
  test_support::TestWindow host_;
};

TEST_F(MarkupBuilderTest, BuildsTheControlTreeOfAWindowLayout) {
  auto root = Build(
      L"<Window shadowattached=\"false\" size=\"300,200\" caption=\"0,0,0,30\" sizebox=\"4,4,4,4\">"
      L"<Class name=\"wide\" width=\"120\" bkcolor=\"red\"/>"
      L"<Font id=\"window_font\" name=\"Tahoma\"/>"
      L"<VBox name=\"root\">"
      L"  <HBox name=\"row\" height=\"40\"><Control name=\"a\" class=\"wide\"/><Control/></HBox>"
      L"  <Unknown name=\"skipped\"><Control name=\"inner\"/></Unknown>"
      L"  <Box name=\"plain\"><TileBox name=\"tiles\"/></Box>"
      L"</VBox>"
      L"</Window>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Describe(root.get()),
            L"VBox:root(HBox:row(Control:a Control:) Box:plain(TileBox:tiles))");
  auto* row = static_cast<Box*>(static_cast<Box*>(root.get())->GetItemAt(0));
  EXPECT_EQ(row->GetFixedHeight(), 40);
  EXPECT_EQ(row->GetItemAt(0)->GetFixedWidth(), 120);
  EXPECT_EQ(row->GetItemAt(0)->GetBkColor(), L"red");
  EXPECT_EQ(row->GetItemAt(0)->GetWindow(), &host_.window());

  const ui::Window& window = host_.window();
  EXPECT_EQ(window.GetInitSize().cx, 300);
  EXPECT_EQ(window.GetInitSize().cy, 200);
  EXPECT_EQ(window.GetCaptionRect().bottom, 30);
  EXPECT_EQ(window.GetSizeBox().right, 4);
  EXPECT_FALSE(window.GetShadow().attached);
  // Fonts belong to the global resources, not to a window layout.
  EXPECT_EQ(GlobalManager::GetFont(L"window_font"), nullptr);
}

TEST_F(MarkupBuilderTest, WindowAttributesUseTheShadowInForceWhenRead) {
  const ui::Shadow initial;
  const LONG band = initial.corner.left + initial.corner.right;
  const struct {
    const wchar_t* attributes;
    SIZE init_size;
    SIZE min_info;
    bool attached;
  } cases[] = {
      {L"mininfo=\"0,0\"", {0, 0}, {0, 0}, true},
      {L"mininfo=\"100,80\"", {0, 0}, {100 + band, 80 + band}, true},
      {L"shadowattached=\"True\" mininfo=\"100,80\"", {0, 0}, {100, 80}, false},
      {L"size=\"100,50\" shadowcorner=\"5,6,7,8\"", {100 + band, 50 + band}, {0, 0}, true},
      {L"shadowcorner=\"5,6,7,8\" size=\"100,50\"", {112, 64}, {0, 0}, true},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::string(item.attributes, item.attributes + wcslen(item.attributes)));
    test_support::TestWindow host;
    MarkupBuilder builder;
    std::unique_ptr<Control> root(
        builder.Create(std::wstring(L"<Window ") + item.attributes + L"><Control/></Window>",
                       nullptr, &host.window(), nullptr, nullptr));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(host.window().GetInitSize().cx, item.init_size.cx);
    EXPECT_EQ(host.window().GetInitSize().cy, item.init_size.cy);
    EXPECT_EQ(host.window().GetMinInfo().cx, item.min_info.cx);
    EXPECT_EQ(host.window().GetMinInfo().cy, item.min_info.cy);
    EXPECT_EQ(host.window().GetShadow().attached, item.attached);
  }

  test_support::TestWindow host;
  MarkupBuilder builder;
  std::unique_ptr<Control> root(
      builder.Create(L"<Window shadowimage=\"file='s.png'\"><Control/></Window>", nullptr,
                     &host.window(), nullptr, nullptr));
  EXPECT_EQ(host.window().GetShadow().image, L"file='s.png'");
  EXPECT_FALSE(host.window().GetShadow().roundCorners);
}

TEST_F(MarkupBuilderTest, UnknownNamesGoToTheCallbacksAndAreFreedWhenTheyCannotBeAdded) {
  int destroyed = 0;
  std::vector<std::wstring> asked_globally;
  GlobalManager::createControlCallback = [&](const std::wstring& name) -> Control* {
    asked_globally.push_back(name);
    return name == L"GlobalTracked" ? new TrackedControl(&destroyed) : nullptr;
  };
  const auto callback = [&](const std::wstring& name) -> Control* {
    return name == L"Tracked" ? new TrackedControl(&destroyed) : nullptr;
  };
  auto root = Build(
      L"<Window><VBox><GlobalTracked name=\"g\"/><Tracked name=\"t\"/><Nobody/>"
      L"<Control name=\"leaf\"><Tracked name=\"orphan\"/></Control></VBox></Window>",
      callback);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Describe(root.get()), L"VBox:(Tracked:g Tracked:t Control:leaf)");
  EXPECT_EQ(asked_globally,
            (std::vector<std::wstring>{L"GlobalTracked", L"Tracked", L"Nobody", L"Tracked"}));
  // The child of a plain control was built and freed at once.
  EXPECT_EQ(destroyed, 1);
  root.reset();
  EXPECT_EQ(destroyed, 3);

  // Without a parent only the first top-level control is returned; the rest
  // are not leaked.
  destroyed = 0;
  auto first = Build(L"<Window><Tracked/><Tracked/></Window>", callback);
  EXPECT_EQ(destroyed, 1);
  first.reset();
  EXPECT_EQ(destroyed, 2);
}

TEST_F(MarkupBuilderTest, IncludesExpandCountTimesAndNeverIntoThemselves) {
  WriteLayout(L"item.xml", "<Fragment><Control name=\"item\"/><Control/></Fragment>");
  WriteLayout(L"loop_a.xml", "<F><Control name=\"a\"/><Include source=\"loop_b.xml\"/></F>");
  WriteLayout(L"loop_b.xml", "<F><Control name=\"b\"/><Include source=\"LOOP_A.xml\"/></F>");
  auto root = Build(
      L"<Window><VBox><Include source=\"item.xml\" count=\"3\"/><Include count=\"2\"/>"
      L"<Include/><Include source=\"missing.xml\"/></VBox></Window>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(static_cast<Box*>(root.get())->GetCount(), 6);

  auto looped = Build(L"<Window><VBox><Include source=\"loop_a.xml\"/></VBox></Window>");
  ASSERT_NE(looped, nullptr);
  EXPECT_EQ(Describe(looped.get()), L"VBox:(Control:a Control:b)");

  // A file that includes itself directly.
  WriteLayout(L"self.xml", "<F><VBox name=\"s\"><Include source=\"self.xml\"/></VBox></F>");
  MarkupBuilder builder;
  std::unique_ptr<Control> self(builder.Create(L"self.xml", nullptr, nullptr, nullptr, nullptr));
  ASSERT_NE(self, nullptr);
  EXPECT_EQ(Describe(self.get()), L"VBox:s");
}

TEST_F(MarkupBuilderTest, MarkupEventsApplyAttributeListsToTheirReceivers) {
  auto root = Build(
      L"<Window><VBox name=\"panel\">"
      L"<VBox name=\"carrier\">"
      L"  <Event type=\"mouseenter buttondown\" receiver=\"first ./SECOND\""
      L"         applyattribute=\"width=&quot;50&quot;\"/>"
      L"  <Control name=\"second\"/>"
      L"</VBox>"
      L"<Control name=\"first\"/>"
      L"<BubbledEvent type=\"select\" receiver=\"first\" applyattribute=\"height=&quot;7&quot;\"/>"
      L"</VBox></Window>");
  ASSERT_NE(root, nullptr);
  host_.window().AttachRootControl(root.get());
  Control* root_control = root.release();
  ui::Window& window = host_.window();
  Control* carrier = window.FindControl(L"carrier");
  Control* first = window.FindControl(L"first");
  Control* second = window.FindControl(L"second");
  ASSERT_NE(carrier, nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(root_control, window.GetRoot());

  // Two types by two receivers: "first" from the window's names, "./SECOND"
  // under the carrier whatever its case.
  for (ui::EventType type : {ui::kEventMouseEnter, ui::kEventButtonDown}) {
    first->SetFixedWidth(1, false, false);
    second->SetFixedWidth(1, false, false);
    carrier->SendEvent(type);
    EXPECT_EQ(first->GetFixedWidth(), 50) << type;
    EXPECT_EQ(second->GetFixedWidth(), 50) << type;
  }
  first->SetFixedWidth(1, false, false);
  carrier->SendEvent(ui::kEventKeyDown);
  EXPECT_EQ(first->GetFixedWidth(), 1);

  // The bubbled handler of the box runs for an event of one of its children.
  first->SendEvent(ui::kEventSelect);
  EXPECT_EQ(first->GetFixedHeight(), 7);
}

TEST_F(MarkupBuilderTest, GlobalResourcesFillTheGlobalTables) {
  WriteLayout(L"global.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<Global defaultfontcolor=\"ink\" disabledfontcolor=\"dim\" linkfontcolor=\"x\">\n"
              "  <Font id=\"body\" name=\"Tahoma\" size=\"14\" bold=\"true\" default=\"true\"/>\n"
              "  <Font id=\"nameless\" size=\"20\"/>\n"
              "  <Font name=\"Tahoma\"/>\n"
              "  <TextColor name=\"ink\" value=\"#ff000000\"/>\n"
              "  <TextColor name=\"ink\" value=\"#ff333333\"/>\n"
              "  <TextColor name=\"empty\" value=\"\"/>\n"
              "  <Class name=\"tile\" bkcolor=\"ink\" _value=\"5\"/>\n"
              "  <Image name=\"ignored\"/>\n"
              "</Global>\n");
  MarkupBuilder::LoadGlobalResource();
  EXPECT_EQ(GlobalManager::defaultTextColor, L"ink");
  EXPECT_EQ(GlobalManager::defaultDisabledTextColor, L"dim");
  ASSERT_NE(GlobalManager::GetFont(L"body"), nullptr);
  EXPECT_EQ(GlobalManager::GetFont(L"body")->size, 14);
  EXPECT_TRUE(GlobalManager::GetFont(L"body")->bold);
  EXPECT_EQ(GlobalManager::GetFont(L""), GlobalManager::GetFont(L"body"));
  EXPECT_EQ(GlobalManager::GetFont(L"nameless"), nullptr);
  // The font without an id is the second in the table.
  ASSERT_NE(GlobalManager::GetFont(L"1"), nullptr);
  EXPECT_EQ(GlobalManager::GetFont(L"1")->size, 12);
  EXPECT_EQ(GlobalManager::textColors.at(L"ink"), 0xff333333u);
  EXPECT_EQ(GlobalManager::textColors.count(L"empty"), 0u);
  EXPECT_EQ(GlobalManager::classes.at(L"tile"), L"bkcolor=\"ink\" value=\"5\"");

  // A control's class reaches the global table.
  auto root = Build(L"<Window><Control class=\"tile\"/></Window>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetBkColor(), L"ink");
}

// Through the framework's hook, a reload empties the tables and builds
// "global.xml" again.
TEST_F(MarkupBuilderTest, ReloadingTheSkinBuildsTheGlobalResourcesAgain) {
  WriteLayout(L"global.xml", "<Global><TextColor name=\"ink\" value=\"#ff333333\"/></Global>");
  GlobalManager::globalResourceLoader = &MarkupBuilder::LoadGlobalResource;
  GlobalManager::AddTextColor(L"stale", L"#ff000000");
  GlobalManager::ReloadSkin(L"", nullptr);
  GlobalManager::globalResourceLoader = nullptr;
  EXPECT_EQ(GlobalManager::textColors.count(L"stale"), 0u);
  EXPECT_EQ(GlobalManager::textColors.at(L"ink"), 0xff333333u);
}

TEST_F(MarkupBuilderTest, FillsAGivenBoxFromAFragment) {
  WriteLayout(L"page.xml",
              "<Fragment><Class name=\"x\"/><HBox name=\"ignored_name\" width=\"90\">"
              "<Control name=\"one\"/><Control name=\"two\"/></HBox></Fragment>");
  Box box;
  MarkupBuilder builder;
  EXPECT_EQ(builder.Create(L"page.xml", nullptr, nullptr, nullptr, &box), &box);
  EXPECT_EQ(box.GetFixedWidth(), 90);
  EXPECT_EQ(Describe(&box), L"Box:ignored_name(Control:one Control:two)");
  // The document is kept and builds again.
  Box again;
  EXPECT_EQ(builder.BuildFromDocument(nullptr, nullptr, nullptr, &again), &again);
  EXPECT_EQ(again.GetCount(), 2);
}

// The skin package: an entry is read from it, a byte-order mark and all; a
// name it lacks comes from the disk; markup text never touches either.
TEST_F(MarkupBuilderTest, ReadsThePackageBeforeTheDisk) {
  test_support::ZipFixtureEntry packed;
  packed.name = "resources/themes/default/packed.xml";
  packed.data = "\xEF\xBB\xBF<F><Control name=\"packed\"/></F>";
  test_support::ZipFixtureEntry broken;
  broken.name = "resources/themes/default/broken.xml";
  broken.data = "<F><Control";
  const std::string bytes = test_support::BuildZip({packed, broken});
  GlobalManager::resourceZip =
      OpenZipArchive(bytes.data(), static_cast<int32_t>(bytes.size()), kZipSourceMemory, "");
  ASSERT_NE(GlobalManager::resourceZip, nullptr);
  test_support::WriteFileBytes(dir_.Child(L"resources\\themes\\default\\disk.xml"),
                               "<F><Control name=\"disk\"/></F>");
  test_support::WriteFileBytes(dir_.Child(L"resources\\themes\\default\\broken.xml"),
                               "<F><Control name=\"disk\"/></F>");
  test_support::ScopedCurrentFolder folder(dir_.path());
  GlobalManager::SetResourcePath(L"resources\\themes\\default");

  const struct {
    const wchar_t* xml;
    const wchar_t* name;  // null: nothing is built
  } cases[] = {
      {L"packed.xml", L"packed"},
      {L"disk.xml", L"disk"},
      {L"broken.xml", nullptr},  // the package's copy wins, broken as it is
      {L"<F><Control name=\"text\"/></F>", L"text"},
      {L" <F><Control name=\"text\"/></F>", nullptr},
  };
  for (const auto& item : cases) {
    MarkupBuilder builder;
    std::unique_ptr<Control> built(builder.Create(item.xml, nullptr, nullptr, nullptr, nullptr));
    if (!item.name) {
      EXPECT_EQ(built, nullptr) << item.xml;
      continue;
    }
    ASSERT_NE(built, nullptr) << item.xml;
    EXPECT_EQ(built->GetName(), item.name);
  }
  GlobalManager::CloseResourceZip();
}

}  // namespace
