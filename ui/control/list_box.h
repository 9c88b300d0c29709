#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ui/box/scrollable_box.h"
#include "ui/control/list_owner.h"

namespace ui {

class ListContainerElement;

// A scrollable box of selectable items (ListContainerElement), at most one
// selected. Selects by click, keys and optionally the wheel, keeps the
// selected item in view, and keeps the item indexes and the selection index
// right as items are added, moved and removed; an item that leaves the list
// loses its owner and index. Markup "ListBox", "VListBox", "HListBox" and
// "TileListBox" by its layout.
class ListBox : public ScrollableBox, public IListOwner {
 public:
  explicit ListBox(std::unique_ptr<Layout> layout = std::make_unique<Layout>());
  ~ListBox() override;

  // IListOwner.
  int32_t GetCurSel() const override { return current_selection_; }
  // Deselects the selected item, then selects the item at the index when it
  // is a visible, enabled list item; false (and nothing selected) otherwise.
  bool SelectItem(int32_t index, bool take_focus, bool trigger) override;
  void DispatchEvent(EventArgs* msg) override { ScrollableBox::DispatchEvent(msg); }
  // Scrolls the least that brings the rectangle into view; an item larger
  // than the view is aligned with its right and bottom edges.
  void EnsureVisible(const RECT& rect) override;
  void StopScroll() override { ResetLineScroll(); }

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void HandleEvent(EventArgs* msg) override;
  bool ButtonDown(EventArgs* msg) override;
  bool SetItemIndex(Control* control, int32_t index) override;
  bool Add(Control* control) override;
  bool AddAt(Control* control, int32_t index) override;
  bool Remove(Control* control) override;
  bool RemoveAt(int32_t index) override;
  void RemoveAll() override;

  // Scrolls so that the child's top is the view's top; false when the child
  // is not in the list, nothing scrolls or the child lies above the content.
  virtual bool ScrollItemToTop(Control* child);
  virtual bool ScrollItemToTopByName(const std::wstring& name);
  // The first child not entirely scrolled out at the top; null when none.
  virtual Control* GetTopItem();

  bool IsScrollSelect() const { return scroll_select_; }
  void SetScrollSelect(bool value) { scroll_select_ = value; }
  bool IsSelectNextWhenActiveRemoved() const { return select_next_on_removal_; }
  void SetSelectNextWhenActiveRemoved(bool value) { select_next_on_removal_ = value; }

 private:
  ListContainerElement* ElementAt(int32_t index) const;
  // Selects the next selectable item after the selection, taking the focus.
  void SelectNext();
  // Gives the items from `first` to `last` (both included) their indexes.
  void RenumberItems(int32_t first, int32_t last);
  // Clears the owner and index of an item that leaves the list.
  void Release(Control* item);

  bool scroll_select_ = false;
  int32_t current_selection_ = -1;
  bool select_next_on_removal_ = true;
};

}  // namespace ui
