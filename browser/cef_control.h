#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "browser/cef_control_base.h"
#include "browser/memory_dc.h"
#include "ui/core/message_filter.h"

namespace qoz_comp {

// The browser control the launcher uses: its browser renders off screen, the
// control keeps the page's last frame (and that of its pop-up widget) in
// bitmaps and copies them into the window's drawing, so the page takes part
// in the layered window like any control. As a filter of its window it turns
// mouse, wheel, key, focus and capture messages into the browser's input,
// relative to the control. Thread 0.
class CefControl : public CefControlBase, public ui::IUIMessageFilter {
 public:
  CefControl() = default;
  ~CefControl() override;

  // Asks the runtime for a transparent page background; set before the
  // browser is created.
  void SetTransparentPainting(bool transparent) { transparent_painting_ = transparent; }
  bool IsTransparentPainting() const { return transparent_painting_; }

  using PlaceHolder::SetWindow;
  void SetWindow(ui::Window* window, ui::Control* parent, bool init) override;
  void Init() override;
  void SetPos(RECT rect) override;
  void SetFadeVisible(bool visible) override;
  void SetInternVisible(bool visible) override;
  void Paint(ui::IRenderContext* context, const RECT& paint) override;
  void HandleEvent(ui::EventArgs* msg) override;

  // Opens the tools of this control's page in `control`, which must be a
  // CefControl; waits for both browsers when either is missing.
  bool ShowDevTools(ui::Control* control) override;
  void DoCreateBrowser() override;

  void OnPaint(CefRefPtr<cef_browser_t> browser, cef_paint_element_type_t type,
               const std::vector<cef_rect_t>& dirty_rects, const std::string& frame, int width,
               int height) override;
  void OnPopupShow(CefRefPtr<cef_browser_t> browser, bool show) override;
  void OnPopupSize(CefRefPtr<cef_browser_t> browser, const cef_rect_t& rect) override;

  LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 private:
  // The control-relative view point of a window client point.
  POINT ViewPoint(POINT point) const;
  // Sends one leave when the mouse left the page's part of the window.
  void LeavePage(const CefRefPtr<cef_browser_host_t>& host, POINT point);

  MemoryDC view_bitmap_;
  MemoryDC popup_bitmap_;
  cef_rect_t popup_rect_ = {};
  bool transparent_painting_ = false;
  // The page was last told the mouse is over it, at this window point.
  bool mouse_inside_ = false;
  POINT last_mouse_point_ = {0, 0};
  // The click count of the press the next release ends.
  int click_count_ = 1;
};

}  // namespace qoz_comp
