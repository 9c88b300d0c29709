#include "ui/control/combo_wnd.h"

#include <vector>

#include "ui/box/box.h"
#include "ui/control/combo.h"
#include "ui/control/combo_popup_geometry.h"
#include "ui/control/list_box.h"

namespace ui {

CComboWnd::CComboWnd() {
  // A pop-up has no shadow frame around its root.
  GetShadow().attached = false;
}

bool CComboWnd::Init(Combo* owner) {
  owner_ = owner;
  Window* owner_window = owner->GetWindow();
  const HWND owner_hwnd = owner_window ? owner_window->GetHWND() : nullptr;
  if (!owner_hwnd) return false;

  RECT combo = owner->GetPos(true);
  const POINT scroll = owner->GetScrollOffset();
  OffsetRect(&combo, -scroll.x, -scroll.y);
  const SIZE drop = owner->GetDropBoxSize();
  const int32_t width = drop.cx > 0 ? drop.cx : combo.right - combo.left;
  std::vector<int32_t> heights;
  ListBox* list = owner->GetListBox();
  for (int32_t i = 0; i < list->GetCount(); ++i) {
    Control* item = list->GetItemAt(i);
    if (item->IsVisible()) heights.push_back(item->EstimateSize({width, drop.cy}).cy);
  }
  const int32_t height = ComboPopupHeight(heights, drop.cy);

  MapWindowPoints(owner_hwnd, nullptr, reinterpret_cast<POINT*>(&combo), 2);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT rect =
      PlaceComboPopup(combo, drop.cx, height, monitor.rcWork.bottom, owner->IsPopupTop());

  if (!Create(owner_hwnd, L"", WS_POPUP, WS_EX_TOOLWINDOW, true, rect)) return false;
  ::ShowWindow(GetHWND(), SW_SHOW);
  // The form keeps its active caption while its pop-up has the focus.
  SendMessageW(GetAncestor(GetHWND(), GA_ROOTOWNER), WM_NCACTIVATE, TRUE, 0);
  return true;
}

LRESULT CComboWnd::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND hwnd = GetHWND();
  if (message == WM_CREATE) {
    Window::Init(hwnd);
    auto* root = new Box;
    // The list stays the combo's.
    root->SetAutoDestroy(false);
    root->Add(owner_->GetListBox());
    AttachRootControl(root);
    SetResourcePath(owner_->GetWindow()->GetResourcePath());
    return 0;
  }
  if (message == WM_CLOSE) {
    owner_->SetWindow(owner_->GetWindow(), owner_->GetParent(), false);
    owner_->SetPos(owner_->GetPos(true));
    owner_->SetFocus();
  } else if (message == WM_KILLFOCUS && reinterpret_cast<HWND>(wparam) != hwnd && !closing_) {
    closing_ = true;
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ListBox* list = owner_->GetListBox();
    const int32_t selected = list->GetCurSel();
    if (selected >= 0 && selected < list->GetCount() && selected != owner_->current_selection_) {
      owner_->current_selection_ = selected;
      list->SelectItem(selected, false, false);
    }
    ReleaseList();
  }
  if (!closing_) {
    bool handled = false;
    const LRESULT result = HandleMessageInternal(message, wparam, lparam, handled);
    if (handled) return result;
  }
  // The object may be gone after this (WM_CLOSE destroys the window).
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void CComboWnd::ReleaseList() {
  ListBox* list = owner_->GetListBox();
  auto* root = dynamic_cast<Box*>(GetRoot());
  if (!root || root->GetItemIndex(list) < 0) return;
  Forget(list);
  root->Remove(list);
  // The whole list, items and bars included, leaves this window.
  list->SetWindow(nullptr, nullptr, false);
}

void CComboWnd::Forget(Control* control) {
  control->FindControl(
      [this](Control* found, void*) -> Control* {
        ReapObjects(found);
        return nullptr;
      },
      nullptr, 0, {0, 0});
}

void CComboWnd::DestroyNow() {
  closing_ = true;
  ReleaseList();
  DestroyWindow(GetHWND());
}

void CComboWnd::OnFinalMessage(HWND hwnd) {
  // However the window ended (a choice, a click elsewhere, its owner
  // destroyed), the list goes back first.
  ReleaseList();
  owner_->popup_ = nullptr;
  owner_->Invalidate();
  Window::OnFinalMessage(hwnd);
  delete this;
}

}  // namespace ui
