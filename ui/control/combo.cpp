#include "ui/control/combo.h"

#include <vector>

#include "ui/box/vertical_layout.h"
#include "ui/control/combo_wnd.h"
#include "ui/control/list_box.h"
#include "ui/control/list_container_element.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image_attribute.h"

namespace ui {

namespace {

constexpr UINT kSelectedTextStyle = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

}  // namespace

Combo::Combo() : list_(std::make_unique<ListBox>(std::make_unique<VLayout>())) {
  list_->SetScrollSelect(false);
  list_->SetSelectNextWhenActiveRemoved(true);
  list_->GetLayout()->SetPadding({1, 1, 1, 1}, true);
  list_->SetAttribute(L"bordersize", L"1,1,1,1");
  // Removed items are the caller's again.
  list_->SetAutoDestroy(false);
  list_->EnableScrollBar(true, false);
  list_->ApplyAttributeList(drop_box_attributes_);
  list_->AddEventHandler(kEventSelect,
                         ToWeakCallback([this](EventArgs* msg) { return OnSelectItem(msg); }));
}

Combo::~Combo() {
  // The pop-up must not outlive the list it shows.
  if (popup_) popup_->DestroyNow();
  // The items still listed go with the combo.
  list_->SetAutoDestroy(true);
  list_->SetDelayedDestroy(false);
  list_.reset();
}

void Combo::Activate() {
  if (!IsActivatable() || popup_) return;
  auto popup = std::make_unique<CComboWnd>();
  popup_ = popup.get();
  if (!popup->Init(this)) {
    popup_ = nullptr;
    return;
  }
  // From here the pop-up deletes itself when its window is gone.
  popup.release();
  if (popup_) SendEvent(kEventClick, 0, 0, 0, popup_->GetLastMousePos());
  Invalidate();
}

void Combo::Deactivate() {
  if (popup_) PostMessageW(popup_->GetHWND(), WM_KILLFOCUS, 0, 0);
}

void Combo::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"dropbox") {
    drop_box_attributes_ = value;
    list_->ApplyAttributeList(value);
  } else if (name == L"vscrollbar") {
    // The list always has its vertical bar.
  } else if (name == L"dropboxsize") {
    const RECT numbers = ParseRectValue(value);
    const DpiManager* dpi = DpiManager::GetInstance();
    drop_box_size_ = {dpi->ScaleInt(numbers.left), dpi->ScaleInt(numbers.top)};
  } else if (name == L"popuptop") {
    popup_top_ = value == L"true";
  } else {
    Box::SetAttribute(name, value);
  }
}

void Combo::PaintText(IRenderContext* context) {
  if (current_selection_ < 0) return;
  auto* item = dynamic_cast<ListContainerElement*>(list_->GetItemAt(current_selection_));
  if (!item || !item->GetOwner()) return;
  const std::wstring text = item->GetText();
  if (text.empty()) return;
  const RECT padding = item->GetTextPadding();
  const RECT rect = {pos_.left + padding.left, pos_.top + padding.top, pos_.right - padding.right,
                     pos_.bottom - padding.bottom};
  const DWORD color = GlobalManager::GetTextColor(item->GetStateTextColor(kControlStateNormal));
  context->DrawText(rect, text, color, item->GetFont(), kSelectedTextStyle, 255, false);
}

int32_t Combo::GetCount() const { return list_->GetCount(); }

bool Combo::Add(Control* control) {
  if (!control) return false;
  list_->Add(control);
  // List items refuse pointer presses; in a combo's list they take them.
  control->SetAttribute(L"receivepointer", L"true");
  current_selection_ = list_->GetCurSel();
  return true;
}

bool Combo::Remove(Control* control) {
  const bool removed = list_->Remove(control);
  current_selection_ = list_->GetCurSel();
  if (removed) Detach(control);
  return removed;
}

bool Combo::RemoveAt(int32_t index) {
  Control* item = list_->GetItemAt(index);
  const bool removed = list_->RemoveAt(index);
  current_selection_ = list_->GetCurSel();
  if (removed) Detach(item);
  return removed;
}

void Combo::RemoveAll() {
  std::vector<Control*> items;
  for (int32_t i = 0; i < list_->GetCount(); ++i) items.push_back(list_->GetItemAt(i));
  list_->RemoveAll();
  current_selection_ = -1;
  for (Control* item : items) Detach(item);
}

void Combo::Detach(Control* item) {
  // A removed item must not keep the pop-up, which may go before it.
  if (popup_) popup_->Forget(item);
  item->SetWindow(nullptr, nullptr, false);
}

bool Combo::OnSelectItem(EventArgs* /*msg*/) {
  if (popup_) PostMessageW(popup_->GetHWND(), WM_KILLFOCUS, 0, 0);
  current_selection_ = list_->GetCurSel();
  if (Control* item = list_->GetItemAt(current_selection_)) {
    // It must not stay highlighted in the closed list.
    item->SetHotAlpha(0);
    item->SetState(kControlStateNormal);
    item->Invalidate();
  }
  if (popup_) {
    SendEvent(kEventSelect, static_cast<uint64_t>(current_selection_), -1, 0,
              popup_->GetLastMousePos());
  }
  return true;
}

}  // namespace ui
