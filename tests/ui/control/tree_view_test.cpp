// Trees in a real window: nodes show only under expanded ancestors, a real
// click folds a node through ToggleExpand, the hierarchy owns its nodes and
// refuses cycles, and every node goes with its tree.

#include "ui/control/tree_view.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/box.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/control/tree_node.h"

namespace {

using test_support::InputHost;
using test_support::PumpUntil;
using ui::TreeNode;
using ui::TreeView;

// A node that counts the live instances.
class CountedNode : public TreeNode {
 public:
  explicit CountedNode(const std::wstring& name) {
    SetName(name);
    SetFixedHeight(20, false);
    ++live;
  }
  ~CountedNode() override { --live; }
  static int live;
};
int CountedNode::live = 0;

// a (a1 (a1x), a2), b in a tree 200 x 200 inside the form's box.
class TreeViewTest : public testing::Test {
 protected:
  TreeViewTest() : host_(std::make_unique<InputHost>(POINT{760, 640}, SIZE{200, 200})) {
    tree_->SetAttribute(L"vscrollbar", L"true");
    EXPECT_TRUE(tree_->Add(a_));
    EXPECT_TRUE(a_->AddChildNode(a1_));
    EXPECT_TRUE(a1_->AddChildNode(a1x_));
    EXPECT_TRUE(a_->AddChildNode(a2_));
    EXPECT_TRUE(tree_->Add(b_));
    // Inside a box, as a form holds it.
    auto* root = new ui::VBox;
    root->Add(tree_);
    host_->Attach(root);
  }
  ~TreeViewTest() override {
    host_.reset();
    EXPECT_EQ(CountedNode::live, start_);
  }

  void Relayout() {
    InvalidateRect(host_->hwnd(), nullptr, FALSE);
    UpdateWindow(host_->hwnd());
  }
  // The names of the list's items in order.
  std::wstring Items() const {
    std::wstring names;
    for (int32_t i = 0; i < tree_->GetCount(); ++i) {
      names += (i ? L" " : L"") + tree_->GetItemAt(i)->GetName();
    }
    return names;
  }
  // The names of the visible nodes with their tops.
  std::wstring Shown() const {
    std::wstring shown;
    for (int32_t i = 0; i < tree_->GetCount(); ++i) {
      const ui::Control* item = tree_->GetItemAt(i);
      if (!item->IsVisible()) continue;
      if (!shown.empty()) shown += L" ";
      shown += item->GetName() + L"@" + std::to_wstring(item->GetPos(true).top);
    }
    return shown;
  }

  std::unique_ptr<InputHost> host_;
  const int start_ = CountedNode::live;
  TreeView* tree_ = new TreeView;  // owned by the window
  CountedNode* a_ = new CountedNode(L"a");
  CountedNode* a1_ = new CountedNode(L"a1");
  CountedNode* a1x_ = new CountedNode(L"a1x");
  CountedNode* a2_ = new CountedNode(L"a2");
  CountedNode* b_ = new CountedNode(L"b");
};

TEST_F(TreeViewTest, NodesShowOnlyUnderExpandedAncestors) {
  EXPECT_EQ(Items(), L"a a1 a1x a2 b");
  EXPECT_EQ(Shown(), L"a@0 a1@20 a1x@40 a2@60 b@80");
  EXPECT_EQ(a_->GetParentNode(), nullptr);
  EXPECT_EQ(a1x_->GetParentNode(), a1_);
  EXPECT_EQ(a1x_->GetTreeView(), tree_);
  // Every node hangs from the list, whose scrolling and events it shares.
  for (ui::Control* node : {a_, a1_, a1x_, a2_, b_}) EXPECT_EQ(node->GetParent(), tree_);

  // A real click on a folds it.
  a_->AddEventHandler(ui::kEventClick,
                      [this](ui::EventArgs* msg) { return a_->ToggleExpand(msg); });
  host_->Click(100, 10);
  ASSERT_TRUE(PumpUntil([this] { return !a_->IsExpanded(); }));
  Relayout();
  // Their own flags are set; the collapsed ancestor hides them.
  EXPECT_TRUE(a1x_->IsInternVisible());
  EXPECT_FALSE(a1_->IsVisible());
  EXPECT_FALSE(a1x_->IsVisible());
  EXPECT_EQ(Shown(), L"a@0 b@20");

  // Folding a1 inside the folded a changes nothing shown; unfolding a shows
  // a1 and a2 but not a1x.
  ui::EventArgs fold;
  fold.pSender = a1_;
  EXPECT_TRUE(a1_->ToggleExpand(&fold));
  // Away from the first click, so that it is no double click.
  host_->Click(30, 10);
  ASSERT_TRUE(PumpUntil([this] { return a_->IsExpanded(); }));
  Relayout();
  EXPECT_EQ(Shown(), L"a@0 a1@20 a2@40 b@60");

  EXPECT_TRUE(a1_->ToggleExpand(&fold));
  Relayout();
  EXPECT_EQ(Shown(), L"a@0 a1@20 a1x@40 a2@60 b@80");

  // A hidden node hides its subtree too.
  a1_->SetVisible(false);
  Relayout();
  EXPECT_EQ(Shown(), L"a@0 a2@20 b@40");
}

TEST_F(TreeViewTest, IndentIsStoredButChangesNoRow) {
  for (const wchar_t* indent : {L"0", L"20"}) {
    tree_->SetAttribute(L"indent", indent);
    tree_->Arrange();
    Relayout();
    EXPECT_EQ(Shown(), L"a@0 a1@20 a1x@40 a2@60 b@80") << indent;
  }
  EXPECT_EQ(tree_->GetIndent(), 20);
}

TEST_F(TreeViewTest, TheHierarchyOwnsItsNodesAndRefusesCycles) {
  // A plain control is no node: refused, and the list does not take it.
  ui::Control plain;
  EXPECT_FALSE(tree_->Add(&plain));
  EXPECT_FALSE(tree_->AddAt(&plain, 0));
  EXPECT_EQ(tree_->GetCount(), 5);

  // A node already in a tree, the node itself or an ancestor cannot move in.
  EXPECT_FALSE(a1x_->AddChildNode(a_));
  EXPECT_FALSE(a_->AddChildNode(a_));
  EXPECT_FALSE(b_->AddChildNode(a1x_));
  auto free_root = std::make_unique<CountedNode>(L"x");
  auto* free_child = new CountedNode(L"y");
  ASSERT_TRUE(free_root->AddChildNode(free_child));
  EXPECT_FALSE(free_child->AddChildNode(free_root.get()));
  // A place past the end is refused; the node stays the caller's.
  auto refused = std::make_unique<CountedNode>(L"z");
  EXPECT_FALSE(free_root->AddChildNodeAt(refused.get(), 2));
  EXPECT_EQ(free_root->GetChildNodeCount(), 1);

  // A free subtree moved under b shows in depth-first order.
  ASSERT_TRUE(b_->AddChildNodeAt(free_root.release(), 0));
  EXPECT_EQ(Items(), L"a a1 a1x a2 b x y");
  // A top node placed first.
  ASSERT_TRUE(tree_->AddAt(new CountedNode(L"c"), 0));
  EXPECT_EQ(Items(), L"c a a1 a1x a2 b x y");

  // Removing a node destroys its subtree and nothing else.
  const int before = CountedNode::live;
  EXPECT_TRUE(tree_->Remove(a1_));
  EXPECT_EQ(CountedNode::live, before - 2);
  EXPECT_EQ(Items(), L"c a a2 b x y");
  EXPECT_EQ(a_->GetChildNodeCount(), 1);
  EXPECT_FALSE(tree_->Remove(&plain));
  EXPECT_TRUE(tree_->RemoveAt(4));  // x and y
  EXPECT_EQ(Items(), L"c a a2 b");
  tree_->RemoveAll();
  EXPECT_EQ(tree_->GetCount(), 0);
  EXPECT_EQ(CountedNode::live, start_ + 1);  // the refused z
}

TEST(TreeViewMarkupTest, NestedNodesBecomeChildNodesAndOtherControlsAreRefused) {
  ui::RegisterControlClasses();
  ui::MarkupBuilder builder;
  std::unique_ptr<ui::Control> built(builder.Create(
      L"<Window><TreeView indent=\"12\"><TreeNode name=\"m\"><TreeNode name=\"m1\"/>"
      L"<TreeNode name=\"m2\"/></TreeNode><Control name=\"stray\"/><TreeNode name=\"n\"/>"
      L"</TreeView></Window>",
      nullptr, nullptr, nullptr, nullptr));
  auto* tree = dynamic_cast<TreeView*>(built.get());
  ASSERT_NE(tree, nullptr);
  EXPECT_EQ(tree->GetIndent(), 12);
  ASSERT_EQ(tree->GetCount(), 4);
  auto* m = dynamic_cast<TreeNode*>(tree->GetItemAt(0));
  auto* m1 = dynamic_cast<TreeNode*>(tree->GetItemAt(1));
  ASSERT_NE(m, nullptr);
  ASSERT_NE(m1, nullptr);
  EXPECT_EQ(m1->GetName(), L"m1");
  EXPECT_EQ(m1->GetParentNode(), m);
  EXPECT_EQ(m->GetChildNodeCount(), 2);
  EXPECT_EQ(tree->GetItemAt(3)->GetName(), L"n");
  EXPECT_EQ(tree->GetRootNode()->GetChildNodeCount(), 2);
}

}  // namespace
