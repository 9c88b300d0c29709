#include "launcher/windows/pre_dlc_popup_form.h"

#include <algorithm>

#include "launcher/windows/framework_window.h"
#include "ui/core/dpi_manager.h"

namespace {

constexpr wchar_t kMainWindowClass[] = L"Launcher";
constexpr int kPopupGap = 5;

// The window's rectangle on the screen without its shadow border.
RECT RectWithoutShadow(const ui::Window& window) {
  RECT rect = {};
  GetWindowRect(window.GetHWND(), &rect);
  if (window.GetShadow().attached) {
    const RECT& corner = window.GetShadow().corner;
    rect.left += corner.left;
    rect.top += corner.top;
    rect.right -= corner.right;
    rect.bottom -= corner.bottom;
  }
  return rect;
}

void SetLabel(ui::Label* label, const std::wstring& text) {
  if (label) label->SetText(text);
}

}  // namespace

POINT PlacePreDownloadPopup(const RECT& main_window, const RECT& anchor, SIZE popup_size, int gap) {
  const LONG x = main_window.right - popup_size.cx - gap;
  const LONG y = main_window.top + anchor.top - gap - popup_size.cy;
  return {std::max<LONG>(x, 0), std::max<LONG>(y, 0)};
}

void PreDlcPopupForm::InitWindow() {
  size_label_ = dynamic_cast<ui::Label*>(FindControl(L"text_dlc_size"));
  time_label_ = dynamic_cast<ui::Label*>(FindControl(L"text_dlc_time"));
  speed_label_ = dynamic_cast<ui::Label*>(FindControl(L"text_dlc_speed"));
  SetLabel(size_label_, L"(0.00GB/0.00GB)");
  SetLabel(time_label_, L"00:00:00");
  SetLabel(speed_label_, L"0.00MB/S");
}

void PreDlcPopupForm::ShowAt(const RECT& anchor, const std::wstring& size_text,
                             const std::wstring& time_text, const std::wstring& speed_text) {
  // Found by its handle, not by its place in the list, which grows with the
  // pop-up itself.
  const ui::Window* main = FindFrameworkWindow(FindWindowW(kMainWindowClass, nullptr));
  if (main == nullptr) {
    delete this;
    return;
  }
  const auto alive = GetWeakFlag();
  if (Create(main->GetHWND(), GetWindowClassName(), WS_POPUP, 0, true, RECT{0, 0, 0, 0}) ==
      nullptr) {
    // A refused layout has deleted the form already; a window that was never
    // made leaves it to us.
    if (!alive.expired()) delete this;
    return;
  }
  const HWND hwnd = GetHWND();
  ::SetFocus(hwnd);

  const RECT popup = RectWithoutShadow(*this);
  const SIZE size = {popup.right - popup.left, popup.bottom - popup.top};
  const POINT place = PlacePreDownloadPopup(RectWithoutShadow(*main), anchor, size,
                                            ui::DpiManager::GetInstance()->ScaleInt(kPopupGap));
  MoveWindow(hwnd, place.x, place.y, size.cx, size.cy, FALSE);
  ShowWindow(true, true);
  SetLabel(size_label_, size_text);
  UpdateTexts(time_text, speed_text);
}

void PreDlcPopupForm::UpdateTexts(const std::wstring& time_text, const std::wstring& speed_text) {
  SetLabel(time_label_, time_text);
  SetLabel(speed_label_, speed_text);
}

void PreDlcPopupForm::SetSizeText(const std::wstring& size_text) {
  SetLabel(size_label_, size_text);
}

void PreDlcPopupForm::Close(UINT result) {
  if (HWND owner = ::GetWindow(GetHWND(), GW_OWNER)) ::SetFocus(owner);
  ui::WindowImplBase::Close(result);
}
