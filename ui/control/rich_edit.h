#pragma once

#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <map>
#include <string>

#include "base/weak_callback.h"
#include "ui/box/scrollable_box.h"
#include "ui/control/txt_win_host.h"
#include "ui/resources/image.h"

namespace ui {

class TimerManager;

// What the window receives as lParam of the WM_NOTIFY (wParam EN_LINK) sent
// when a link is clicked: the usual header, then the link's text, valid
// during the call.
struct RichEditLinkNotify {
  NMHDR header;
  const std::wstring* text;
};

// The framework's text entry, markup "RichEdit": no child window, but the
// system's windowless text services behind a CTxtWinHost (owned). Input is
// forwarded to them as window messages, they draw into the window's bitmap,
// and the control draws its own caret, prompt, focus image and scroll bars
// (those of the scrollable box). Number-only, password, read-only and
// plain or rich text. Without text services it is an empty scroll box. UI
// thread only.
class RichEdit : public ScrollableBox {
 public:
  static constexpr int32_t kDefaultTextLimit = 32767;
  static constexpr uint32_t kCaretBlinkMs = 500;
  // Edit-style bits this control keeps; the number and no-scroll flags
  // share one bit.
  static constexpr uint32_t kStyleNumber = ES_NUMBER;
  static constexpr uint32_t kStyleDisableNoScroll = ES_DISABLENOSCROLL;

  RichEdit();
  ~RichEdit() override;

  // Stores the colour name and hands its colour to the text services.
  virtual void ApplyTextColor(const std::wstring& color);
  virtual std::string GetUTF8Text() const;
  virtual void SetUTF8Text(const std::string& text);
  // The services' status; without them 1 (S_FALSE) and nothing written.
  virtual HRESULT TxSendMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) const;
  virtual void OnTxNotify(DWORD code, void* data);
  virtual bool OnTextChange();

  void DoInit() override;
  SIZE EstimateSize(SIZE available) override;
  void SetPos(RECT rect) override;
  void SetEnabled(bool enabled) override;
  bool IsAllowTabStop() const override { return IsEnabled(); }
  bool IsWantTab() const override { return want_tab_; }
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void Paint(IRenderContext* context, const RECT& paint) override;
  void PaintChild(IRenderContext* context, const RECT& paint) override;
  void ClearImageCache() override;
  void HandleEvent(EventArgs* msg) override;
  void PaintStatusImage(IRenderContext* context) override;
  void SetScrollPos(SIZE position) override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void PageLeft() override;
  void PageRight() override;
  void HomeLeft() override;
  void EndRight() override;

  // Replaces the whole text (not undoable); before DoInit it becomes the
  // text the services start with.
  void SetText(const std::wstring& text);
  std::wstring GetText() const;
  std::wstring GetSelText() const;
  std::wstring GetPromptText() const;
  void SetPromptText(const std::wstring& text);
  void SetPromptTextId(const std::wstring& id);
  // On: the caret shows and blinks every kCaretBlinkMs; off: it hides.
  void SetCaretVisible(bool visible);
  // The timers the text services ask for; each sends them WM_TIMER.
  void SetTextServicesTimer(UINT id, UINT milliseconds);
  void KillTextServicesTimer(UINT id);
  // A bar that has a range loses it: position 0, hidden, placed again.
  static void HideScrollBar(ScrollBar* bar);

  // What the host reads and reports.
  CTxtWinHost* GetTextHost() const { return host_.get(); }
  uint32_t GetStyle() const { return style_; }
  int32_t GetTextLimit() const { return text_limit_; }
  const std::wstring& GetFontId() const { return font_id_; }
  const std::wstring& GetCurrentTextColor() const { return current_text_color_; }
  bool IsRich() const { return rich_; }
  bool IsReadOnly() const { return read_only_; }
  bool IsPassword() const { return password_; }
  bool IsNumberOnly() const { return number_only_; }
  bool IsWantReturnMsg() const { return want_return_msg_; }
  bool IsReturnMsgWantCtrl() const { return return_msg_want_ctrl_; }
  VerAlignType GetTextVerticalAlignment() const { return text_vertical_alignment_; }
  RECT GetTextPadding() const { return text_padding_; }
  void SetCaretSize(SIZE size) { caret_size_ = size; }
  SIZE GetCaretSize() const { return caret_size_; }
  void SetCaretPos(POINT position) { caret_position_ = position; }
  POINT GetCaretPos() const { return caret_position_; }
  bool IsCaretOn() const { return caret_on_; }
  bool IsComposing() const { return composing_; }
  size_t GetTextServicesTimerCount() const { return timers_.size(); }

 private:
  TimerManager* Timers() const;
  // The text's natural size for a width and height (0: unbounded).
  SIZE NaturalSize(LONG width, LONG height) const;
  int32_t TextLength() const;
  void HandleKeyDown(EventArgs* msg);
  // Ctrl+V in a number-only field: inserts the clipboard's digits.
  void PasteDigits();
  void SendMouse(UINT message, const EventArgs* msg) const;
  void SetStyleBit(uint32_t bit, bool on);
  void EnableBar(bool vertical, bool on);
  void ScrollServices(UINT message, int32_t code) const;

  CTxtWinHost::Pointer host_;
  bool auto_vertical_bar_ = false;
  bool want_tab_ = true;
  bool want_return_msg_ = false;
  bool return_msg_want_ctrl_ = false;
  bool rich_ = false;
  bool read_only_ = false;
  bool password_ = false;
  bool number_only_ = false;
  bool initialised_ = false;
  bool caret_on_ = false;
  bool composing_ = false;
  POINT caret_position_ = {0, 0};
  SIZE caret_size_ = {0, 0};
  std::wstring font_id_;
  int32_t text_limit_ = kDefaultTextLimit;
  uint32_t style_ = ES_MULTILINE;
  VerAlignType text_vertical_alignment_ = kVerAlignTop;
  std::wstring current_text_color_;
  std::wstring normal_text_color_;
  std::wstring disabled_text_color_;
  std::wstring prompt_color_;
  std::wstring caret_color_;
  std::wstring initial_text_;
  std::wstring prompt_text_;
  std::wstring prompt_text_id_;
  qbase::WeakCallbackFlag caret_timer_;
  int32_t line_spacing_ = -1;
  RECT text_padding_ = {0, 0, 0, 0};
  std::map<UINT, qbase::WeakCallbackFlag> timers_;
  Image focused_image_;
};

}  // namespace ui
