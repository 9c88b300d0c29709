#include "ui/box/box.h"

#include <algorithm>
#include <utility>

#include "ui/box/horizontal_layout.h"
#include "ui/box/tile_layout.h"
#include "ui/box/vertical_layout.h"
#include "ui/core/window.h"

namespace ui {

Box::Box(std::unique_ptr<Layout> layout) : layout_(std::move(layout)) { layout_->SetOwner(this); }

Box::~Box() {
  delayed_destroy_ = false;
  RemoveAll();
}

void Box::SetWindow(Window* window, Control* parent, bool init) {
  for (Control* child : items_) child->SetWindow(window, this, init);
  Control::SetWindow(window, parent, init);
}

void Box::AdoptChild(Control* control) {
  if (window_) {
    control->SetWindow(window_, this, true);
    window_->AddNamedControl(control);
  }
  if (IsVisible()) {
    Arrange();
  } else {
    control->SetInternVisible(false);
  }
}

bool Box::Add(Control* control) {
  if (!control) return false;
  AdoptChild(control);
  items_.push_back(control);
  return true;
}

bool Box::AddAt(Control* control, int32_t index) {
  if (!control || index < 0 || index > GetCount()) return false;
  AdoptChild(control);
  items_.insert(items_.begin() + index, control);
  return true;
}

void Box::ReleaseChild(Control* control) {
  if (!auto_destroy_) return;
  if (delayed_destroy_ && window_) {
    control->SetWindow(window_, nullptr, false);
    window_->QueueControlForDeletion(control);
  } else {
    delete control;
  }
}

bool Box::RemoveChild(Control* control) {
  const auto found = std::find(items_.begin(), items_.end(), control);
  if (!control || found == items_.end()) return false;
  Arrange();
  // Unlisted first: a child destroyed at once may reach back into the box.
  items_.erase(std::find(items_.begin(), items_.end(), control));
  ReleaseChild(control);
  return true;
}

bool Box::Remove(Control* control) { return RemoveChild(control); }

bool Box::RemoveAt(int32_t index) {
  Control* control = GetItemAt(index);
  return control && RemoveChild(control);
}

void Box::RemoveAll() {
  std::vector<Control*> children = std::move(items_);
  items_.clear();
  for (Control* child : children) ReleaseChild(child);
  Arrange();
}

Control* Box::GetItemAt(int32_t index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[index];
}

int32_t Box::GetItemIndex(Control* control) const {
  const auto found = std::find(items_.begin(), items_.end(), control);
  return found == items_.end() ? -1 : static_cast<int32_t>(found - items_.begin());
}

bool Box::SetItemIndex(Control* control, int32_t index) {
  if (static_cast<uint32_t>(index) >= items_.size()) return false;
  const auto found = std::find(items_.begin(), items_.end(), control);
  if (found == items_.end()) return false;
  Arrange();
  items_.erase(found);
  items_.insert(items_.begin() + index, control);
  return true;
}

void Box::SwapChild(Control* a, Control* b) {
  for (Control*& item : items_) {
    if (item == a) {
      item = b;
    } else if (item == b) {
      item = a;
    }
  }
}

int32_t Box::FindSelectable(int32_t index, bool forward) {
  const int32_t count = GetCount();
  if (count == 0) return -1;
  index = std::clamp(index, 0, count - 1);
  const auto selectable = [this](int32_t at) {
    Control* item = items_[at];
    return item->IsListContainerElement() && item->IsVisible() && item->IsEnabled();
  };
  if (!forward) {
    for (int32_t at = index; at >= 0; --at) {
      if (selectable(at)) return at;
    }
    return FindSelectable(0, true);
  }
  for (int32_t at = index; at < count; ++at) {
    if (selectable(at)) return at;
  }
  return -1;
}

SIZE Box::EstimateSize(SIZE available) {
  SIZE size = fixed_size_;
  if (size.cx != kSizeAuto && size.cy != kSizeAuto) return size;
  if (!re_estimate_) return GetEstimatedSize();

  const RECT padding = layout_->GetPadding();
  available.cx -= padding.left + padding.right;
  available.cy -= padding.top + padding.bottom;
  const SIZE children = layout_->EstimateChildrenSize(items_, available);
  if (size.cx == kSizeAuto) size.cx = children.cx;
  if (size.cy == kSizeAuto) size.cy = children.cy;

  re_estimate_ = false;
  for (Control* child : items_) {
    if (!child->IsVisible()) continue;
    const bool auto_sized =
        child->GetFixedWidth() == kSizeAuto || child->GetFixedHeight() == kSizeAuto;
    if (auto_sized && child->IsReEstimateNeeded()) {
      re_estimate_ = true;
      break;
    }
  }
  SetEstimatedSize(size);
  return size;
}

void Box::SetPos(RECT rect) {
  Control::SetPos(rect);
  if (items_.empty()) return;
  const RECT padding = layout_->GetPadding();
  rect.left += padding.left;
  rect.top += padding.top;
  rect.right -= padding.right;
  rect.bottom -= padding.bottom;
  layout_->ArrangeChildren(items_, rect);
}

RECT Box::GetPaddingPos() const {
  RECT rect = GetPos(true);
  const RECT padding = layout_->GetPadding();
  rect.left += padding.left;
  rect.top += padding.top;
  rect.right -= padding.right;
  rect.bottom -= padding.bottom;
  return rect;
}

void Box::PaintChild(IRenderContext* context, const RECT& paint) {
  RECT overlap;
  if (!IntersectRect(&overlap, &paint, &pos_)) return;
  for (Control* child : items_) {
    if (child->IsVisible()) child->AlphaPaint(context, paint);
  }
}

void Box::SetVisible(bool visible) {
  Control::SetVisible(visible);
  for (Control* child : items_) child->SetInternVisible(IsVisible());
}

void Box::SetInternVisible(bool visible) {
  Control::SetInternVisible(visible);
  for (Control* child : items_) child->SetInternVisible(IsVisible());
}

void Box::SetEnabled(bool enabled) {
  if (IsEnabled() == enabled) return;
  Control::SetEnabled(enabled);
  if (items_.empty()) return;
  for (Control* child : items_) child->SetEnabled(enabled);
  Invalidate();
}

void Box::LoadImageCache() {
  Control::LoadImageCache();
  for (Control* child : items_) child->LoadImageCache();
}

void Box::UnloadImageCache() {
  Control::UnloadImageCache();
  for (Control* child : items_) child->UnloadImageCache();
}

void Box::ClearImageCache() {
  Control::ClearImageCache();
  for (Control* child : items_) child->ClearImageCache();
}

void Box::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (layout_->SetAttribute(name, value)) return;
  if (name == L"mousechild") {
    SetMouseChildEnabled(value == L"true");
    return;
  }
  Control::SetAttribute(name, value);
}

void Box::ReplaceLayout(std::unique_ptr<Layout> layout) {
  layout_ = std::move(layout);
  layout_->SetOwner(this);
}

Control* Box::FindControl(const FindControlCallback& test, void* data, uint32_t flags,
                          POINT scroll_offset) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  const bool hit_test = (flags & kFindHitTest) != 0;
  if (hit_test) {
    if (!PtInRect(&pos_, *static_cast<const POINT*>(data))) return nullptr;
    if (!mouse_child_) return Control::FindControl(test, data, flags, {0, 0});
  }
  if (flags & kFindMeFirst) {
    if (Control* found = Control::FindControl(test, data, flags, {0, 0})) return found;
  }

  const RECT inner = GetPaddingPos();
  POINT shifted = {0, 0};
  void* child_data = data;
  if (hit_test) {
    const POINT point = *static_cast<const POINT*>(data);
    shifted = {point.x + scroll_offset.x, point.y + scroll_offset.y};
    child_data = &shifted;
  }
  const auto accept = [&](Control* child) -> Control* {
    Control* found = child->FindControl(test, child_data, flags, {0, 0});
    if (!found) return nullptr;
    if (!hit_test || found->IsFloat() || PtInRect(&inner, *static_cast<const POINT*>(data))) {
      return found;
    }
    return nullptr;
  };
  // A copy, as a test may change the tree.
  const std::vector<Control*> children = items_;
  if (flags & kFindTopFirst) {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      if (Control* found = accept(*it)) return found;
    }
  } else {
    for (Control* child : children) {
      if (Control* found = accept(child)) return found;
    }
  }
  if (flags & kFindMeFirst) return nullptr;
  return Control::FindControl(test, data, flags, {0, 0});
}

void Box::DispatchEvent(EventArgs* msg) {
  if (msg->Type <= kEventInternalKillFocus) {
    HandleEvent(msg);
    return;
  }
  const auto alive = GetWeakFlag();
  bool result = true;
  if (msg->pSender == this && !RunOwnHandlers(msg, alive, &result)) return;
  if (!RunHandlers(code_bubbled_handlers_, msg->Type, msg, alive, &result)) return;
  if (!RunHandlers(code_bubbled_handlers_, kEventAll, msg, alive, &result)) return;
  if (!result) return;
  if (!RunHandlers(markup_bubbled_handlers_, msg->Type, msg, alive, &result)) return;
  if (!RunHandlers(markup_bubbled_handlers_, kEventAll, msg, alive, &result)) return;
  if (result) HandleEvent(msg);
}

void Box::AddBubbledEventHandler(EventType type, const EventCallback& callback) {
  AddToEventMap(&code_bubbled_handlers_, type, callback);
}

void Box::AddMarkupBubbledEventHandler(EventType type, const EventCallback& callback) {
  AddToEventMap(&markup_bubbled_handlers_, type, callback);
}

VBox::VBox() : Box(std::make_unique<VLayout>()) {}

HBox::HBox() : Box(std::make_unique<HLayout>()) {}

TileBox::TileBox() : Box(std::make_unique<TileLayout>()) {}

}  // namespace ui
