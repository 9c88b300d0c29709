#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ui/box/box.h"

namespace ui {

class CComboWnd;
class ListBox;

// A drop-down chooser: the box paints the selected item's text and a click
// opens a pop-up window (CComboWnd) below or above it that shows the items
// in a vertical list. Choosing an item closes the pop-up and sends the
// combo's select event (wParam the index, lParam -1). The combo owns the
// list and, through it, the items; the list lives in no window while the
// pop-up is closed. Markup "Combo"; its markup children are its items.
class Combo : public Box {
 public:
  Combo();
  ~Combo() override;

  void Activate() override;
  void Deactivate() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintText(IRenderContext* context) override;
  int32_t GetCount() const override;
  // The item goes into the list; true in every case.
  bool Add(Control* control) override;
  // Removed items stay alive: they are the caller's again.
  bool Remove(Control* control) override;
  bool RemoveAt(int32_t index) override;
  void RemoveAll() override;

  // The list's select event: closes the pop-up and takes the selection.
  bool OnSelectItem(EventArgs* msg);

  ListBox* GetListBox() const { return list_.get(); }
  int32_t GetCurSel() const { return current_selection_; }
  SIZE GetDropBoxSize() const { return drop_box_size_; }
  bool IsPopupTop() const { return popup_top_; }
  // Null while closed.
  CComboWnd* GetPopup() const { return popup_; }

 private:
  friend class CComboWnd;

  // Frees a removed item of every link to the pop-up and the list.
  void Detach(Control* item);

  CComboWnd* popup_ = nullptr;  // deletes itself when its window is gone
  std::unique_ptr<ListBox> list_;
  int32_t current_selection_ = -1;
  SIZE drop_box_size_ = {0, 150};
  std::wstring drop_box_attributes_;
  bool popup_top_ = false;
};

}  // namespace ui
