#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/control/list_box.h"

namespace ui {

class TreeNode;

// A vertical list of TreeNode items showing a hierarchy: a node's subtree
// shows while it is expanded. The tree view owns its root node, which is
// not an item; the root node owns the top nodes, and so on down. The list's
// child operations take nodes only and go through the hierarchy: Add and
// AddAt place top nodes, Remove and RemoveAt destroy a node with its
// subtree. Markup "TreeView".
class TreeView : public ListBox {
 public:
  TreeView();
  ~TreeView() override;

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void SetWindow(Window* window, Control* parent, bool init) override;
  using PlaceHolder::SetWindow;
  // False for a control that is not a free node; the caller keeps it.
  bool Add(Control* control) override;
  // The index counts top nodes.
  bool AddAt(Control* control, int32_t index) override;
  bool Remove(Control* control) override;
  // The index counts the list's items.
  bool RemoveAt(int32_t index) override;
  void RemoveAll() override;

  TreeNode* GetRootNode() const { return root_.get(); }
  // Stored only; no arrangement uses it.
  int32_t GetIndent() const { return indent_; }

 private:
  friend class TreeNode;

  // The list's own item operations, which the node hierarchy drives.
  void InsertItem(TreeNode* node, int32_t index);
  void RemoveItem(TreeNode* node);

  int32_t indent_ = 0;
  std::unique_ptr<TreeNode> root_;
};

}  // namespace ui
