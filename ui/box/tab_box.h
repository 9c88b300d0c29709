#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/box/box.h"
#include "ui/box/layout.h"

namespace ui {

// Where the two pages of a slide run: the incoming page from `incomingStart`
// to 0, the outgoing one from 0 to `outgoingEnd` (render offsets in pixels).
// Towards a lower index the content moves right, else left.
struct PageSlide {
  int32_t incomingStart = 0;
  int32_t outgoingEnd = 0;
};
PageSlide ComputePageSlide(int32_t new_index, int32_t old_index, int32_t width);

// A box that shows one of its children, its pages, at a time. The others
// stay children but are inert (no mouse, transparent) and, unless the box
// slides its pages ("fadeswitch"), hidden. A slide moves the old page out
// and the new one in by the box's width through their animation players.
// Markup "TabBox" (pages over the whole area), "HTabBox", "VTabBox".
class TabBox : public Box {
 public:
  explicit TabBox(std::unique_ptr<Layout> layout = std::make_unique<Layout>());

  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  bool Add(Control* control) override;
  bool AddAt(Control* control, int32_t index) override;
  bool Remove(Control* control) override;
  bool RemoveAt(int32_t index) override;
  void RemoveAll() override;

  // Shows the page at once or slides it in, and sends the select event
  // (wParam the new index, lParam the old one). False for an index out of
  // range; true without change for the current one.
  bool SelectItem(int32_t index);
  // -1 for none.
  int32_t GetCurSel() const { return current_page_; }
  // Makes the page at the index inert; nothing when there is none.
  void HidePage(int32_t index);

 private:
  // A page that is not current: hidden without slides, inert always.
  void PutAway(Control* page);
  void MakeActive(Control* page);
  void MakeInert(Control* page);
  // A page made current by a removal shows in place, not where a slide
  // left it.
  void EndSlide(Control* page);
  // The completion of a slide out: the page that slid out, unless it has
  // left the box or become current again meanwhile.
  void HideSlidOutPage(Control* page);
  // Starts the page's slide player from `start` to `end`; `page_done` runs
  // when it arrives (may be empty).
  void Slide(Control* page, int32_t start, int32_t end, std::function<void()> page_done);

  int32_t current_page_ = -1;
  bool fade_switch_ = false;
};

}  // namespace ui
