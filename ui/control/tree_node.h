#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/control/list_container_element.h"

namespace ui {

class TreeView;

// An item of a TreeView: a list item with a parent node, child nodes and an
// expanded flag. A node shows only while every ancestor node is expanded
// and visible. A node owns its child nodes; every node of a tree is an item
// of the tree view's list, in depth-first order, which does not own them.
// The top nodes are children of the tree view's root node and report no
// parent node. Markup "TreeNode"; a "TreeNode" inside another becomes its
// child node.
class TreeNode : public ListContainerElement {
 public:
  TreeNode() = default;
  ~TreeNode() override;

  std::wstring GetClass() const override { return L"TreeNode"; }
  bool IsVisible() const override;
  // Passes the node's own visibility on to its child nodes.
  void SetInternVisible(bool visible) override;
  // Attaches the child nodes too: to the tree view's list when the node is
  // in a tree, else to this node.
  void SetWindow(Window* window, Control* parent, bool init) override;
  using PlaceHolder::SetWindow;
  // A node becomes the last child node; any other control a part of this
  // node's own content.
  bool Add(Control* control) override;

  // Folds or unfolds the event's sender (a node) and lays its tree out
  // again; true, so that the event goes on. Bound to a node's event.
  virtual bool ToggleExpand(EventArgs* msg);

  // Takes the node over as a child node at the index (0 to the child
  // count) and shows it, with its subtree, in the tree. False, and the node
  // stays the caller's, for null, a node that already has a holder, or one
  // that would become its own ancestor.
  bool AddChildNode(TreeNode* node);
  bool AddChildNodeAt(TreeNode* node, int32_t index);
  // Takes the child node and its subtree out of the tree and destroys them.
  bool RemoveChildNode(TreeNode* node);
  void RemoveAllChildNodes();

  int32_t GetChildNodeCount() const { return static_cast<int32_t>(child_nodes_.size()); }
  // Null outside 0 to the child count - 1.
  TreeNode* GetChildNode(int32_t index) const;
  int32_t GetChildNodeIndex(const TreeNode* node) const;
  // Null for a top node and a node outside a tree.
  TreeNode* GetParentNode() const;
  TreeView* GetTreeView() const { return tree_view_; }
  bool IsExpanded() const { return expanded_; }

 private:
  friend class TreeView;

  // The node and its descendants, depth first.
  void CollectSubtree(std::vector<TreeNode*>* nodes);
  void SetTreeView(TreeView* tree_view);
  // Whether the node is this node or one of its ancestors.
  bool IsSelfOrAncestor(const TreeNode* node) const;
  // Where the child at the index starts in the tree view's list.
  int32_t ListIndexForChild(int32_t index) const;

  bool expanded_ = true;
  TreeView* tree_view_ = nullptr;  // not owned; null outside a tree
  TreeNode* holder_ = nullptr;     // the node that owns this one; not owned
  std::vector<std::unique_ptr<TreeNode>> child_nodes_;
};

}  // namespace ui
