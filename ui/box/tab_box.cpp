#include "ui/box/tab_box.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "ui/core/animation_manager.h"
#include "ui/core/window.h"

namespace ui {

namespace {

// With the manager's ratios (0.3 speeding up, 0.7 slowing down) a slide
// takes about sqrt(width / 0.0045) ms: some 460 ms for 950 pixels.
constexpr double kSlideSpeedUpFactor = 0.015;

}  // namespace

PageSlide ComputePageSlide(int32_t new_index, int32_t old_index, int32_t width) {
  if (new_index < old_index) return {width, -width};
  return {-width, width};
}

TabBox::TabBox(std::unique_ptr<Layout> layout) : Box(std::move(layout)) {}

void TabBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"selectedid") {
    // Set before the pages are added: each page added later is put away
    // unless it has this index.
    current_page_ = _wtoi(value.c_str());
  } else if (name == L"fadeswitch") {
    fade_switch_ = value == L"true";
  } else {
    Box::SetAttribute(name, value);
  }
}

void TabBox::MakeActive(Control* page) {
  page->SetMouseEnabled(true);
  if (auto* box = dynamic_cast<Box*>(page)) box->SetMouseChildEnabled(true);
  page->SetAlpha(255);
  page->Invalidate();
}

void TabBox::MakeInert(Control* page) {
  page->SetMouseEnabled(false);
  if (auto* box = dynamic_cast<Box*>(page)) box->SetMouseChildEnabled(false);
  page->SetAlpha(0);
  page->Invalidate();
}

void TabBox::PutAway(Control* page) {
  MakeInert(page);
  if (!fade_switch_) page->SetFadeVisible(false);
}

void TabBox::HidePage(int32_t index) {
  if (Control* page = GetItemAt(index)) MakeInert(page);
}

bool TabBox::Add(Control* control) {
  if (!Box::Add(control)) return false;
  const int32_t index = GetCount() - 1;
  if (current_page_ == -1 && control->IsVisible()) current_page_ = index;
  if (index == current_page_ && control->IsVisible()) return true;
  PutAway(control);
  return true;
}

bool TabBox::AddAt(Control* control, int32_t index) {
  if (!Box::AddAt(control, index)) return false;
  if (current_page_ == -1 && control->IsVisible()) {
    current_page_ = index;
    return true;
  }
  if (current_page_ >= index) ++current_page_;
  PutAway(control);
  return true;
}

bool TabBox::Remove(Control* control) {
  if (!control) return false;
  const int32_t index = GetItemIndex(control);
  if (!Box::Remove(control)) return false;
  if (index == current_page_) {
    if (GetCount() == 0) {
      current_page_ = -1;
    } else {
      current_page_ = 0;
      Control* page = GetItemAt(0);
      if (fade_switch_) {
        EndSlide(page);
      } else {
        page->SetFadeVisible(true);
      }
      MakeActive(page);
    }
    ArrangeAncestor();
  } else if (index < current_page_) {
    --current_page_;
  }
  return true;
}

bool TabBox::RemoveAt(int32_t index) {
  Control* control = GetItemAt(index);
  return control && Remove(control);
}

void TabBox::RemoveAll() {
  current_page_ = -1;
  Box::RemoveAll();
  ArrangeAncestor();
}

void TabBox::EndSlide(Control* page) {
  page->GetAnimationManager().SetFadeInOutX(false, true);
  page->SetRenderOffsetX(0);
}

void TabBox::Slide(Control* page, int32_t start, int32_t end, std::function<void()> page_done) {
  AnimationPlayer* player = page->GetAnimationManager().SetFadeInOutX(true, true);
  player->startValue = start;
  player->endValue = end;
  player->SetSpeedUpFactor(kSlideSpeedUpFactor);
  player->completeCallback = std::move(page_done);
  player->Start();
}

void TabBox::HideSlidOutPage(Control* page) {
  const int32_t index = GetItemIndex(page);
  if (index >= 0 && index != current_page_) MakeInert(page);
}

bool TabBox::SelectItem(int32_t index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == current_page_) return true;
  const int32_t old = current_page_;
  current_page_ = index;

  const RECT pos = GetPos(true);
  const PageSlide slide = ComputePageSlide(index, old, pos.right - pos.left);
  // A copy: a page's fade may reach back into the list.
  const std::vector<Control*> pages = items_;
  for (size_t i = 0; i < pages.size(); ++i) {
    Control* page = pages[i];
    if (static_cast<int32_t>(i) == index) {
      MakeActive(page);
      if (fade_switch_) {
        Slide(page, slide.incomingStart, 0, nullptr);
      } else {
        page->SetFadeVisible(true);
      }
    } else if (static_cast<int32_t>(i) == old && fade_switch_) {
      // The page, not its index, is put away at the end: pages added or
      // removed during the slide move the indexes.
      const std::weak_ptr<qbase::WeakFlag> page_alive = page->GetWeakFlag();
      Slide(page, 0, slide.outgoingEnd, ToWeakCallback([this, page, page_alive] {
              if (!page_alive.expired()) HideSlidOutPage(page);
            }));
    } else {
      PutAway(page);
    }
  }

  if (window_) {
    window_->SetNextTabControl(true);
    SendEvent(kEventSelect, static_cast<uint64_t>(index), old, 0, window_->GetLastMousePos());
  }
  return true;
}

}  // namespace ui
