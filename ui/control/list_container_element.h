#pragma once

#include <cstdint>
#include <string>

#include "ui/control/option.h"

namespace ui {

class IListOwner;

// An item of a list: an option box that knows its index in the list and the
// list that holds it (not owned; null while the item is in no list). A click
// asks the list to select it; double clicks, Enter and context-menu requests
// become events. The list keeps index and owner up to date.
class ListContainerElement : public OptionTemplate<Box> {
 public:
  ListContainerElement();

  std::wstring GetClass() const override { return L"ListContainerElement"; }
  bool IsListContainerElement() const override { return true; }
  void SetFadeVisible(bool visible) override;
  void HandleEvent(EventArgs* msg) override;
  // Asks the owner list to select the item; an item is never deselected
  // this way, only by its list.
  void Selected(bool selected, bool trigger) override;

  // Clears the selected flag without the option-group sweep and announces it
  // with the unselect event (in a window).
  void Deselect();

  int32_t GetIndex() const { return index_; }
  void SetIndex(int32_t index) { index_ = index; }
  IListOwner* GetOwner() const { return owner_; }
  void SetOwner(IListOwner* owner) { owner_ = owner; }

 private:
  int32_t index_ = -1;
  IListOwner* owner_ = nullptr;  // not owned
};

}  // namespace ui
