#include "ui/control/tree_view.h"

#include <cwchar>
#include <utility>

#include "ui/box/vertical_layout.h"
#include "ui/control/tree_node.h"

namespace ui {

TreeView::TreeView() : ListBox(std::make_unique<VLayout>()), root_(std::make_unique<TreeNode>()) {
  // The nodes belong to the hierarchy; the list only shows them.
  SetAutoDestroy(false);
  root_->SetTreeView(this);
}

TreeView::~TreeView() {
  // The list lets go of the nodes before they are destroyed.
  ListBox::RemoveAll();
  root_.reset();
}

void TreeView::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"indent") {
    indent_ = static_cast<int32_t>(std::wcstol(value.c_str(), nullptr, 10));
  } else if (name == L"scrollselect") {
    SetScrollSelect(value == L"true");
  } else {
    ScrollableBox::SetAttribute(name, value);
  }
}

void TreeView::SetWindow(Window* window, Control* parent, bool init) {
  if (ScrollBar* bar = GetVerticalScrollBar()) bar->SetWindow(window, this, init);
  if (ScrollBar* bar = GetHorizontalScrollBar()) bar->SetWindow(window, this, init);
  Box::SetWindow(window, parent, init);
  if (parent) root_->SetWindow(window, parent, init);
}

bool TreeView::Add(Control* control) {
  auto* node = dynamic_cast<TreeNode*>(control);
  return node && root_->AddChildNode(node);
}

bool TreeView::AddAt(Control* control, int32_t index) {
  auto* node = dynamic_cast<TreeNode*>(control);
  return node && root_->AddChildNodeAt(node, index);
}

bool TreeView::Remove(Control* control) {
  auto* node = dynamic_cast<TreeNode*>(control);
  if (!node || node == root_.get() || node->GetTreeView() != this) return false;
  return node->holder_->RemoveChildNode(node);
}

bool TreeView::RemoveAt(int32_t index) { return Remove(GetItemAt(index)); }

void TreeView::RemoveAll() { root_->RemoveAllChildNodes(); }

void TreeView::InsertItem(TreeNode* node, int32_t index) { ListBox::AddAt(node, index); }

void TreeView::RemoveItem(TreeNode* node) { ListBox::RemoveAt(GetItemIndex(node)); }

}  // namespace ui
