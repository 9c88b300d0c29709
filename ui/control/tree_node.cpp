#include "ui/control/tree_node.h"

#include <algorithm>
#include <utility>

#include "ui/control/tree_view.h"

namespace ui {

// The child nodes go with the vector; the tree took them out of its list.
TreeNode::~TreeNode() = default;

bool TreeNode::IsVisible() const {
  if (!visible_ || !intern_visible_) return false;
  const TreeNode* parent = GetParentNode();
  return !parent || (parent->expanded_ && parent->IsVisible());
}

void TreeNode::SetInternVisible(bool visible) {
  ListContainerElement::SetInternVisible(visible);
  for (const auto& child : child_nodes_) child->SetInternVisible(visible_ && intern_visible_);
}

void TreeNode::SetWindow(Window* window, Control* parent, bool init) {
  // Every node of a tree is an item of its list, and its events and scroll
  // offset go through the list; a free subtree hangs from its nodes.
  Control* child_parent = tree_view_ ? static_cast<Control*>(tree_view_) : this;
  for (const auto& child : child_nodes_) child->SetWindow(window, child_parent, init);
  ListContainerElement::SetWindow(window, parent, init);
}

bool TreeNode::Add(Control* control) {
  if (auto* node = dynamic_cast<TreeNode*>(control)) return AddChildNode(node);
  return ListContainerElement::Add(control);
}

bool TreeNode::ToggleExpand(EventArgs* msg) {
  auto* node = dynamic_cast<TreeNode*>(msg->pSender);
  if (!node) return true;
  node->expanded_ = !node->expanded_;
  if (node->tree_view_) node->tree_view_->Arrange();
  return true;
}

TreeNode* TreeNode::GetParentNode() const {
  // The root node holds the top nodes but is no node of the hierarchy.
  if (!holder_ || !holder_->holder_) return nullptr;
  return holder_;
}

TreeNode* TreeNode::GetChildNode(int32_t index) const {
  if (index < 0 || index >= GetChildNodeCount()) return nullptr;
  return child_nodes_[index].get();
}

int32_t TreeNode::GetChildNodeIndex(const TreeNode* node) const {
  for (size_t i = 0; i < child_nodes_.size(); ++i) {
    if (child_nodes_[i].get() == node) return static_cast<int32_t>(i);
  }
  return -1;
}

bool TreeNode::IsSelfOrAncestor(const TreeNode* node) const {
  for (const TreeNode* at = this; at; at = at->holder_) {
    if (at == node) return true;
  }
  return false;
}

void TreeNode::CollectSubtree(std::vector<TreeNode*>* nodes) {
  nodes->push_back(this);
  for (const auto& child : child_nodes_) child->CollectSubtree(nodes);
}

void TreeNode::SetTreeView(TreeView* tree_view) {
  tree_view_ = tree_view;
  for (const auto& child : child_nodes_) child->SetTreeView(tree_view);
}

int32_t TreeNode::ListIndexForChild(int32_t index) const {
  if (index > 0) {
    // After the last descendant of the child before.
    const TreeNode* last = child_nodes_[index - 1].get();
    while (!last->child_nodes_.empty()) last = last->child_nodes_.back().get();
    return tree_view_->GetItemIndex(const_cast<TreeNode*>(last)) + 1;
  }
  if (!holder_) return 0;  // the root node: the top of the list
  return tree_view_->GetItemIndex(const_cast<TreeNode*>(this)) + 1;
}

bool TreeNode::AddChildNode(TreeNode* node) { return AddChildNodeAt(node, GetChildNodeCount()); }

bool TreeNode::AddChildNodeAt(TreeNode* node, int32_t index) {
  // A node with a holder or a tree belongs elsewhere; an ancestor would
  // make a cycle.
  if (!node || node->holder_ || node->tree_view_ || IsSelfOrAncestor(node)) return false;
  if (index < 0 || index > GetChildNodeCount()) return false;
  child_nodes_.insert(child_nodes_.begin() + index, std::unique_ptr<TreeNode>(node));
  node->holder_ = this;
  if (!tree_view_) return true;
  node->SetTreeView(tree_view_);
  std::vector<TreeNode*> subtree;
  node->CollectSubtree(&subtree);
  int32_t at = ListIndexForChild(index);
  for (TreeNode* item : subtree) tree_view_->InsertItem(item, at++);
  return true;
}

bool TreeNode::RemoveChildNode(TreeNode* node) {
  const int32_t index = GetChildNodeIndex(node);
  if (index < 0) return false;
  if (tree_view_) {
    std::vector<TreeNode*> subtree;
    node->CollectSubtree(&subtree);
    // Deepest last first: a selected node then hands its selection to the
    // item after its subtree.
    for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) tree_view_->RemoveItem(*it);
  }
  // Out of the vector before it goes, so that nothing reaches it meanwhile.
  std::unique_ptr<TreeNode> removed = std::move(child_nodes_[index]);
  child_nodes_.erase(child_nodes_.begin() + index);
  return true;
}

void TreeNode::RemoveAllChildNodes() {
  while (!child_nodes_.empty()) RemoveChildNode(child_nodes_.back().get());
}

}  // namespace ui
