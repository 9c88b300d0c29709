#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/control/list_box.h"

namespace ui {

class VirtualListDataProvider;

// A list of many equally high rows shown by a few item controls: it creates
// at most a maximum number of elements, and as the view scrolls it moves
// them to the rows in view and has the data provider (not owned) fill them.
// Its VirtualLayout makes the content as high as all rows, so the scroll
// range covers the whole data. The elements are ordinary children, owned by
// the list. Markup "VirtualListBox".
class VirtualListBox : public ListBox {
 public:
  VirtualListBox();

  virtual void SetDataProvider(VirtualListDataProvider* provider) { provider_ = provider; }
  virtual void SetElementHeight(int32_t height) { element_height_ = height; }
  // Stores the maximum and creates and fills the first elements, one per row.
  virtual void InitElement(int32_t maximum);
  // Fits the elements to the provider's row count after its data changed
  // and fills them again.
  virtual void Refresh();
  // Hooks for lists that move a selection by the arrow keys; nothing here.
  virtual void OnArrowKeyDown(WPARAM /*key*/) {}
  virtual void OnArrowKeyUp(WPARAM /*key*/) {}

  void SetPos(RECT rect) override;
  void SetScrollPos(SIZE position) override;
  void RemoveAll() override;
  void HandleEvent(EventArgs* msg) override;

  // Moves the elements over the rows in view and fills them. Unforced, it
  // does nothing while the elements still cover the view in the direction
  // of the last scroll.
  void RecycleElements(bool force);

  VirtualListDataProvider* GetDataProvider() const { return provider_; }
  int32_t GetElementHeight() const { return element_height_; }
  int32_t GetMaxElementCount() const { return max_count_; }
  // The provider's row count; 0 without a provider.
  int32_t GetRowCount() const;
  // Fewer elements than rows, and rows high enough to be placed one by one.
  bool IsRecycling() const;

 private:
  VirtualListDataProvider* provider_ = nullptr;  // not owned
  int32_t element_height_ = 0;
  int32_t max_count_ = 0;
  int32_t previous_scroll_ = 0;
  bool arranged_once_ = false;
};

}  // namespace ui
