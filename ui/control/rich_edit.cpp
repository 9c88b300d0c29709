#include "ui/control/rich_edit.h"

#include <imm.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <utility>
#include <vector>

#include "base/string_util.h"
#include "ui/box/layout.h"
#include "ui/control/on_screen_keyboard_manager.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image_attribute.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/timer_manager.h"

namespace ui {

namespace {

constexpr DWORD kCaretDefaultColor = 0xFF000000;
// The only wrapping-free prompt style: left, top, not clipped.
constexpr UINT kPromptStyle = DT_NOCLIP;
constexpr WORD kLineSpacingRule = 4;
constexpr uint16_t kUtf16CodePage = 1200;

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }

// Leading blanks and control characters of a colour name.
std::wstring SkipLeadingBlanks(const std::wstring& value) {
  size_t start = 0;
  while (start < value.size() && value[start] <= L' ') ++start;
  return value.substr(start);
}

LPARAM PackPoint(POINT point) {
  return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

// The clipboard, open for the life of the object.
class ClipboardLock {
 public:
  explicit ClipboardLock(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardLock() {
    if (open_) CloseClipboard();
  }
  ClipboardLock(const ClipboardLock&) = delete;
  ClipboardLock& operator=(const ClipboardLock&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// A locked global memory block, unlocked when the object goes.
class GlobalLockScope {
 public:
  explicit GlobalLockScope(HGLOBAL memory)
      : memory_(memory), data_(memory ? GlobalLock(memory) : nullptr) {}
  ~GlobalLockScope() {
    if (data_) GlobalUnlock(memory_);
  }
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;
  const void* data() const { return data_; }
  size_t size() const { return data_ ? GlobalSize(memory_) : 0; }

 private:
  HGLOBAL memory_;
  void* data_;
};

// The clipboard's text: the Unicode form, else the ANSI one converted; false
// when it holds no text. The block's size bounds the read, so a text without
// its terminator is cut rather than overrun.
bool ReadClipboardText(HWND owner, std::wstring* text) {
  ClipboardLock clipboard(owner);
  if (!clipboard.IsOpen()) return false;
  if (HANDLE unicode = GetClipboardData(CF_UNICODETEXT)) {
    GlobalLockScope lock(unicode);
    if (!lock.data()) return false;
    const auto* chars = static_cast<const wchar_t*>(lock.data());
    text->assign(chars, wcsnlen(chars, lock.size() / sizeof(wchar_t)));
    return true;
  }
  if (HANDLE ansi = GetClipboardData(CF_TEXT)) {
    GlobalLockScope lock(ansi);
    if (!lock.data()) return false;
    const auto* chars = static_cast<const char*>(lock.data());
    const int length = static_cast<int>(strnlen(chars, lock.size()));
    const int wide = MultiByteToWideChar(CP_ACP, 0, chars, length, nullptr, 0);
    text->assign(static_cast<size_t>(std::max(wide, 0)), L'\0');
    if (wide > 0) MultiByteToWideChar(CP_ACP, 0, chars, length, text->data(), wide);
    return true;
  }
  return false;
}

// GDI leaves the alpha byte 0 where it draws into a 32-bit bitmap, which a
// layered window would show as holes. The pixels under the text rectangle
// are made opaque before the text services draw; afterwards those still
// opaque get their alpha back, and those GDI wrote stay opaque.
class GdiAlphaGuard {
 public:
  GdiAlphaGuard(IRenderContext* context, RECT rect) {
    auto* bits = static_cast<uint8_t*>(context->GetBits());
    const int width = context->GetWidth();
    const int height = context->GetHeight();
    if (!bits || width <= 0 || height <= 0) return;
    // The context may draw with a moved origin (a scrolled parent).
    LPtoDP(context->GetDC(), reinterpret_cast<POINT*>(&rect), 2);
    const RECT bitmap = {0, 0, width, height};
    if (!IntersectRect(&rect_, &rect, &bitmap)) return;
    bits_ = bits;
    stride_ = width * 4;
    saved_.reserve(static_cast<size_t>(rect_.right - rect_.left) * (rect_.bottom - rect_.top));
    ForEachAlpha([this](uint8_t& alpha) {
      saved_.push_back(alpha);
      alpha = 0xFF;
    });
  }
  ~GdiAlphaGuard() {
    if (!bits_) return;
    size_t index = 0;
    ForEachAlpha([this, &index](uint8_t& alpha) {
      alpha = alpha == 0 ? 0xFF : saved_[index];
      ++index;
    });
  }
  GdiAlphaGuard(const GdiAlphaGuard&) = delete;
  GdiAlphaGuard& operator=(const GdiAlphaGuard&) = delete;

 private:
  template <typename Visit>
  void ForEachAlpha(Visit visit) {
    for (LONG y = rect_.top; y < rect_.bottom; ++y) {
      uint8_t* row = bits_ + static_cast<size_t>(y) * stride_;
      for (LONG x = rect_.left; x < rect_.right; ++x) visit(row[x * 4 + 3]);
    }
  }

  uint8_t* bits_ = nullptr;
  size_t stride_ = 0;
  RECT rect_ = {0, 0, 0, 0};
  std::vector<uint8_t> saved_;
};

// Up to `length` characters of the text `flags` pick (all or the
// selection). The request carries its buffer's size: the services cannot
// overrun it.
std::wstring RequestText(const RichEdit& edit, DWORD flags, LONG length) {
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX request = {};
  request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  request.flags = flags;
  request.codepage = kUtf16CodePage;
  LRESULT copied = 0;
  edit.TxSendMessage(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                     reinterpret_cast<LPARAM>(text.data()), &copied);
  text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
  return text;
}

}  // namespace

RichEdit::RichEdit()
    : ScrollableBox(std::make_unique<Layout>()),
      current_text_color_(GlobalManager::defaultTextColor),
      normal_text_color_(GlobalManager::defaultTextColor),
      disabled_text_color_(GlobalManager::defaultTextColor) {}

RichEdit::~RichEdit() {
  if (host_) host_->Close();
  host_.reset();
  focused_image_.ClearCache();
  timers_.clear();
  caret_timer_.Cancel();
}

TimerManager* RichEdit::Timers() const {
  TimerManager* manager = GetTimerManager();
  return manager ? manager : TimerManager::GetInstance();
}

void RichEdit::DoInit() {
  if (initialised_) return;
  host_ = CTxtWinHost::Create(this, style_, initial_text_);
  if (host_) {
    ITextServices* services = host_->GetTextServices();
    host_->SetTransparent(true);
    services->OnTxPropertyBitsChange(TXTBIT_BACKSTYLECHANGE, 0);
    LRESULT result = 0;
    TxSendMessage(EM_SETLANGOPTIONS, 0, 0, &result);
    TxSendMessage(EM_SETEVENTMASK, 0, ENM_CHANGE, &result);
    const RECT client = host_->GetClientRect();
    host_->SetInPlaceActive(SUCCEEDED(services->OnTxInPlaceActivate(&client)));
    HideScrollBar(GetVerticalScrollBar());
    HideScrollBar(GetHorizontalScrollBar());
    if (line_spacing_ >= 0) {
      PARAFORMAT2 format = {};
      format.cbSize = sizeof(format);
      format.dwMask = PFM_LINESPACING;
      format.bLineSpacingRule = kLineSpacingRule;
      format.dyLineSpacing = line_spacing_;
      if (TxSendMessage(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format), &result) == S_OK &&
          result == 1) {
        PARAFORMAT2 stored = host_->GetParaFormat();
        stored.dwMask |= PFM_LINESPACING;
        stored.bLineSpacingRule = kLineSpacingRule;
        stored.dyLineSpacing = line_spacing_;
        host_->SetParaFormat(stored);
      }
    }
  }
  initialised_ = true;
}

void RichEdit::HideScrollBar(ScrollBar* bar) {
  if (!bar || bar->GetRange() == 0) return;
  bar->SetScrollRange(0);
  if (bar->GetPosition() > 0) bar->SetScrollPos(0);
  bar->SetVisible(false);
  bar->SetPos(bar->GetPos(true));
}

HRESULT RichEdit::TxSendMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) const {
  if (!host_) return S_FALSE;
  LRESULT ignored = 0;
  return host_->GetTextServices()->TxSendMessage(message, wparam, lparam,
                                                 result ? result : &ignored);
}

void RichEdit::ApplyTextColor(const std::wstring& color) {
  if (color == current_text_color_) return;
  current_text_color_ = color;
  if (host_) host_->SetColor(GlobalManager::GetTextColor(color));
}

int32_t RichEdit::TextLength() const {
  GETTEXTLENGTHEX request = {GTL_DEFAULT, kUtf16CodePage};
  LRESULT length = 0;
  if (TxSendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0, &length) != S_OK) {
    return 0;
  }
  return static_cast<int32_t>(std::max<LRESULT>(length, 0));
}

std::wstring RichEdit::GetText() const {
  const int32_t length = TextLength();
  if (length <= 0) return std::wstring();
  return RequestText(*this, GT_DEFAULT, length);
}

std::string RichEdit::GetUTF8Text() const { return qbase::WideToUtf8(GetText()); }

void RichEdit::SetUTF8Text(const std::string& text) { SetText(qbase::Utf8ToWide(text)); }

void RichEdit::SetText(const std::wstring& text) {
  initial_text_ = text;
  if (!initialised_ || !host_) return;
  CHARRANGE all = {0, -1};
  TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all), nullptr);
  TxSendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()), nullptr);
}

std::wstring RichEdit::GetSelText() const {
  if (!host_) return std::wstring();
  CHARRANGE range = {0, 0};
  TxSendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range), nullptr);
  const LONG length = range.cpMax - range.cpMin;
  if (length <= 0) return std::wstring();
  return RequestText(*this, GT_SELECTION, length);
}

std::wstring RichEdit::GetPromptText() const {
  if (!prompt_text_.empty()) return prompt_text_;
  if (prompt_text_id_.empty()) return std::wstring();
  return LanguageStringTable::GetInstance()->GetStringById(prompt_text_id_);
}

void RichEdit::SetPromptText(const std::wstring& text) {
  if (text == prompt_text_) return;
  prompt_text_ = text;
  Invalidate();
}

void RichEdit::SetPromptTextId(const std::wstring& id) {
  if (id == prompt_text_id_) return;
  prompt_text_id_ = id;
  Invalidate();
}

bool RichEdit::OnTextChange() {
  if (window_) SendEvent(kEventTextChange);
  return true;
}

void RichEdit::OnTxNotify(DWORD code, void* data) {
  const HWND hwnd = window_ ? window_->GetHWND() : nullptr;
  switch (code) {
    case EN_CHANGE:
      OnTextChange();
      return;
    case EN_MSGFILTER:
    case EN_SELCHANGE:
    case EN_DROPFILES:
    case EN_PROTECTED:
    case EN_OLEOPFAILED:
    case EN_SAVECLIPBOARD:
    case EN_STOPNOUNDO:
    case EN_IMECHANGE:
    case EN_OBJECTPOSITIONS: {
      if (!data || !hwnd) return;
      auto* header = static_cast<NMHDR*>(data);
      const auto id = static_cast<UINT_PTR>(GetWindowLongPtrW(hwnd, GWL_ID));
      header->hwndFrom = hwnd;
      header->idFrom = id;
      header->code = code;
      SendMessageW(hwnd, WM_NOTIFY, id, reinterpret_cast<LPARAM>(data));
      return;
    }
    case EN_LINK: {
      const auto* link = static_cast<const ENLINK*>(data);
      if (!link || !hwnd || link->msg != WM_LBUTTONUP) return;
      CHARRANGE range = link->chrg;
      TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range), nullptr);
      const std::wstring text = GetSelText();
      // The window reads every WM_NOTIFY as a header first.
      RichEditLinkNotify notify = {};
      notify.header.hwndFrom = hwnd;
      notify.header.idFrom = static_cast<UINT_PTR>(GetWindowLongPtrW(hwnd, GWL_ID));
      notify.header.code = EN_LINK;
      notify.text = &text;
      SendMessageW(hwnd, WM_NOTIFY, EN_LINK, reinterpret_cast<LPARAM>(&notify));
      return;
    }
    default:
      return;
  }
}

SIZE RichEdit::NaturalSize(LONG width, LONG height) const {
  SIZE size = {0, 0};
  if (host_) host_->GetNaturalSize(width, height, &size);
  return size;
}

SIZE RichEdit::EstimateSize(SIZE /*available*/) {
  const SIZE fixed = {GetFixedWidth(), GetFixedHeight()};
  if (fixed.cx != kSizeAuto && fixed.cy != kSizeAuto) return fixed;
  // Without text services there is nothing to measure: an empty size.
  if (!host_) return {fixed.cx == kSizeAuto ? 0 : fixed.cx, fixed.cy == kSizeAuto ? 0 : fixed.cy};
  const SIZE natural =
      NaturalSize(fixed.cx == kSizeAuto ? 0 : fixed.cx, fixed.cy == kSizeAuto ? 0 : fixed.cy);
  const RECT padding = GetLayout()->GetPadding();
  SIZE estimate = fixed;
  if (fixed.cx == kSizeAuto) {
    estimate.cx = natural.cx + padding.left + padding.right;
  } else {
    estimate.cy = natural.cy + padding.top + padding.bottom;
  }
  return estimate;
}

void RichEdit::SetPos(RECT rect) {
  Control::SetPos(rect);
  rect = GetPos(true);
  const RECT padding = GetLayout()->GetPadding();
  RECT inner = {rect.left + padding.left, rect.top + padding.top, rect.right - padding.right,
                rect.bottom - padding.bottom};
  ScrollBar* vertical = GetVerticalScrollBar();
  ScrollBar* horizontal = GetHorizontalScrollBar();
  const bool vertical_had_range = vertical && vertical->GetRange() != 0;
  if (vertical_had_range) inner.right -= vertical->GetFixedWidth();
  if (horizontal && horizontal->GetRange() != 0) inner.bottom -= horizontal->GetFixedHeight();
  const RECT text = {inner.left + text_padding_.left, inner.top + text_padding_.top,
                     inner.right - text_padding_.right, inner.bottom - text_padding_.bottom};
  if (host_) {
    host_->SetClientRect(text);
    if (vertical && ((vertical_had_range && vertical->GetRange() == 0) || auto_vertical_bar_)) {
      const LONG width = text.right - text.left + static_cast<LONG>(vertical->GetFixedWidth());
      const SIZE natural = NaturalSize(width, 0);
      if (natural.cy > text.bottom - text.top) {
        auto_vertical_bar_ = true;
        if (vertical->GetPosition() != 0) vertical->SetScrollPos(0);
      } else if (auto_vertical_bar_) {
        HideScrollBar(vertical);
        auto_vertical_bar_ = false;
      }
    }
  }
  if (vertical && vertical->GetRange() != 0) {
    vertical->SetPos(
        {inner.right, inner.top, inner.right + vertical->GetFixedWidth(), inner.bottom});
  }
  if (horizontal && horizontal->GetRange() != 0) {
    horizontal->SetPos(
        {inner.left, inner.bottom, inner.right, inner.bottom + horizontal->GetFixedHeight()});
  }
  for (Control* child : items_) {
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      Layout::PlaceFloatingChild(child, inner);
    } else {
      child->SetPos(inner);
    }
  }
}

void RichEdit::SetEnabled(bool enabled) {
  if (IsEnabled() == enabled) return;
  ScrollableBox::SetEnabled(enabled);
  ApplyTextColor(enabled ? normal_text_color_ : disabled_text_color_);
}

void RichEdit::SetStyleBit(uint32_t bit, bool on) { style_ = on ? style_ | bit : style_ & ~bit; }

void RichEdit::EnableBar(bool vertical, bool on) {
  const uint32_t bit = vertical ? WS_VSCROLL : WS_HSCROLL;
  const uint32_t other = vertical ? WS_HSCROLL : WS_VSCROLL;
  if (on) {
    style_ |= bit | kStyleDisableNoScroll;
  } else {
    style_ &= ~bit;
    if (!(style_ & other)) style_ &= ~kStyleDisableNoScroll;
  }
  if (vertical) {
    EnableScrollBar(on, GetHorizontalScrollBar() != nullptr);
  } else {
    EnableScrollBar(GetVerticalScrollBar() != nullptr, on);
  }
}

void RichEdit::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const bool flag = value == L"true";
  const bool clear = value == L"false";
  // Style words: "true" sets, "false" clears, anything else leaves them.
  const auto style_word = [&](uint32_t bit, bool* field) {
    if (!flag && !clear) return;
    SetStyleBit(bit, flag);
    if (field) *field = flag;
  };
  if (name == L"vscrollbar") {
    EnableBar(true, flag);
  } else if (name == L"hscrollbar") {
    EnableBar(false, flag);
  } else if (name == L"autovscroll") {
    style_word(ES_AUTOVSCROLL, nullptr);
  } else if (name == L"autohscroll") {
    style_word(ES_AUTOHSCROLL, nullptr);
  } else if (name == L"multiline") {
    style_word(ES_MULTILINE, nullptr);
  } else if (name == L"linespace") {
    line_spacing_ = _wtoi(value.c_str());
  } else if (name == L"textpadding") {
    RECT padding = ParseRectValue(value);
    DpiManager::GetInstance()->ScaleRect(&padding);
    text_padding_ = padding;
    if (GetFixedWidth() == kSizeAuto || GetFixedHeight() == kSizeAuto) {
      ArrangeAncestor();
    } else {
      Invalidate();
    }
  } else if (name == L"readonly") {
    style_word(ES_READONLY, &read_only_);
  } else if (name == L"password") {
    style_word(ES_PASSWORD, &password_);
  } else if (name == L"number") {
    style_word(kStyleNumber, &number_only_);
  } else if (name == L"align") {
    if (value.find(L"left") != std::wstring::npos) style_ &= ~(ES_CENTER | ES_RIGHT);
    if (value.find(L"hcenter") != std::wstring::npos) {
      style_ = (style_ | ES_CENTER) & ~ES_RIGHT;
    }
    if (value.find(L"right") != std::wstring::npos) style_ = (style_ | ES_RIGHT) & ~ES_CENTER;
    if (value.find(L"top") != std::wstring::npos) text_vertical_alignment_ = kVerAlignTop;
    if (value.find(L"vcenter") != std::wstring::npos) text_vertical_alignment_ = kVerAlignCenter;
    if (value.find(L"bottom") != std::wstring::npos) text_vertical_alignment_ = kVerAlignBottom;
  } else if (name == L"normaltextcolor") {
    normal_text_color_ = SkipLeadingBlanks(value);
    if (IsEnabled()) ApplyTextColor(normal_text_color_);
  } else if (name == L"disabledtextcolor") {
    disabled_text_color_ = SkipLeadingBlanks(value);
    if (!IsEnabled()) ApplyTextColor(disabled_text_color_);
  } else if (name == L"caretcolor") {
    caret_color_ = SkipLeadingBlanks(value);
  } else if (name == L"promptcolor") {
    prompt_color_ = SkipLeadingBlanks(value);
  } else if (name == L"prompttext") {
    SetPromptText(value);
  } else if (name == L"prompttextid") {
    SetPromptTextId(value);
  } else if (name == L"focusedimage") {
    focused_image_.ClearCache();
    focused_image_.attribute.Init();
    focused_image_.attribute.descriptor = value;
    focused_image_.attribute.file_name = value;
    focused_image_.attribute.ApplyDescriptor(value);
    Invalidate();
  } else if (name == L"font") {
    font_id_ = value;
    if (host_) {
      if (const FontInfo* font = GlobalManager::GetFont(value)) host_->SetFont(font->font.get());
    }
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"textid") {
    SetText(LanguageStringTable::GetInstance()->GetStringById(value));
  } else if (name == L"wanttab") {
    want_tab_ = flag;
  } else if (name == L"wantreturnmsg") {
    want_return_msg_ = flag;
  } else if (name == L"returnmsgwantctrl") {
    return_msg_want_ctrl_ = flag;
  } else if (name == L"rich") {
    rich_ = flag;
    if (host_) {
      host_->SetRichText(flag);
      host_->GetTextServices()->OnTxPropertyBitsChange(TXTBIT_RICHTEXT, flag ? TXTBIT_RICHTEXT : 0);
    }
  } else {
    ScrollableBox::SetAttribute(name, value);
  }
}

void RichEdit::Paint(IRenderContext* context, const RECT& paint) {
  RECT overlap;
  if (!IntersectRect(&overlap, &paint, &pos_)) return;
  Control::Paint(context, paint);
  if (!host_) return;
  RECT bounds = host_->GetAlignedClientRect();
  RECT update = paint;
  RECT drawn;
  if (IntersectRect(&drawn, &bounds, &paint)) {
    GdiAlphaGuard alpha(context, drawn);
    host_->GetTextServices()->TxDraw(DVASPECT_CONTENT, 0, nullptr, nullptr, context->GetDC(),
                                     nullptr, reinterpret_cast<LPCRECTL>(&bounds), nullptr, &update,
                                     nullptr, 0, TXTVIEW_ACTIVE);
  }
  ScrollBar* vertical = GetVerticalScrollBar();
  if (auto_vertical_bar_ && vertical) {
    const RECT client = host_->GetClientRect();
    const LONG width = client.right - client.left + static_cast<LONG>(vertical->GetFixedWidth());
    if (NaturalSize(width, 0).cy <= client.bottom - client.top) Arrange();
  }
}

void RichEdit::PaintChild(IRenderContext* context, const RECT& paint) {
  RECT overlap;
  if (!IntersectRect(&overlap, &paint, &pos_)) return;
  if (caret_on_ && !composing_) {
    const DWORD color =
        caret_color_.empty() ? kCaretDefaultColor : GlobalManager::GetTextColor(caret_color_);
    const RECT line = {caret_position_.x, caret_position_.y, caret_position_.x,
                       caret_position_.y + caret_size_.cy};
    context->DrawLineRect(line, std::max<int>(caret_size_.cx, 1), color);
  }
  const RECT text_area = host_ ? host_->GetClientRect() : GetPaddingPos();
  for (Control* child : items_) {
    if (!child->IsVisible()) continue;
    const RECT clip = child->IsFloat() ? pos_ : text_area;
    if (!IntersectRect(&overlap, &paint, &clip)) continue;
    context->SetClip(clip);
    child->AlphaPaint(context, paint);
    context->ClearClip();
  }
  for (ScrollBar* bar : {GetHorizontalScrollBar(), GetVerticalScrollBar()}) {
    if (bar && bar->IsVisible()) bar->AlphaPaint(context, paint);
  }
}

void RichEdit::PaintStatusImage(IRenderContext* context) {
  if (read_only_) return;
  if (IsFocused()) {
    DrawImage(context, focused_image_, L"", -1);
  } else {
    ScrollableBox::PaintStatusImage(context);
  }
  if (!host_ || prompt_color_.empty() || TextLength() != 0) return;
  const std::wstring prompt = GetPromptText();
  if (prompt.empty()) return;
  context->DrawText(host_->GetClientRect(), prompt, GlobalManager::GetTextColor(prompt_color_),
                    font_id_, kPromptStyle, 255, false);
}

void RichEdit::ClearImageCache() {
  ScrollableBox::ClearImageCache();
  focused_image_.ClearCache();
}

void RichEdit::SendMouse(UINT message, const EventArgs* msg) const {
  const POINT offset = GetScrollOffset();
  const POINT point = {msg->ptMouse.x + offset.x, msg->ptMouse.y + offset.y};
  TxSendMessage(message, static_cast<WPARAM>(msg->wParam), PackPoint(point), nullptr);
}

void RichEdit::HandleEvent(EventArgs* msg) {
  const EventType type = msg->Type;
  if (!IsEnabled() || (!IsMouseEnabled() && IsMouseEvent(type))) {
    if (parent_) {
      parent_->DispatchEvent(msg);
    } else {
      Control::HandleEvent(msg);
    }
    return;
  }
  switch (type) {
    case kEventInternalDoubleClick:
      if (read_only_) {
        CHARRANGE all = {0, -1};
        TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all), nullptr);
      } else {
        SendMouse(WM_LBUTTONDBLCLK, msg);
      }
      return;
    case kEventInternalSetFocus:
      if (host_) {
        const RECT client = host_->GetClientRect();
        host_->GetTextServices()->OnTxInPlaceActivate(&client);
        TxSendMessage(WM_SETFOCUS, 0, 0, nullptr);
        SetCaretVisible(true);
      }
      Control::HandleEvent(msg);
      Invalidate();
      return;
    case kEventInternalKillFocus: {
      if (host_) {
        const RECT client = host_->GetClientRect();
        host_->GetTextServices()->OnTxInPlaceActivate(&client);
        TxSendMessage(WM_KILLFOCUS, 0, 0, nullptr);
        caret_on_ = false;
        caret_timer_.Cancel();
        Invalidate();
      }
      Control::HandleEvent(msg);
      if (read_only_ && IsEnabled()) {
        CHARRANGE none = {-1, 0};
        TxSendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none), nullptr);
      }
      Invalidate();
      OnScreenKeyboardManager::GetInstance()->ShowOnScreenKeyboard(false);
      return;
    }
    case kEventKeyDown:
      HandleKeyDown(msg);
      return;
    case kEventChar: {
      if (IsKeyDown(VK_TAB) && !want_tab_) {
        SendEvent(kEventTab);
        return;
      }
      const auto character = static_cast<wchar_t>(msg->wParam);
      if (number_only_ && (character < L'0' || character > L'9')) return;
      TxSendMessage(WM_CHAR, static_cast<WPARAM>(msg->wParam), static_cast<LPARAM>(msg->lParam),
                    nullptr);
      return;
    }
    case kEventMouseMove:
      SendMouse(WM_MOUSEMOVE, msg);
      return;
    case kEventPointerDown:
      OnScreenKeyboardManager::GetInstance()->ShowOnScreenKeyboard(true);
      SendMouse(WM_LBUTTONDOWN, msg);
      return;
    case kEventButtonDown:
      SendMouse(WM_LBUTTONDOWN, msg);
      return;
    case kEventButtonUp:
    case kEventPointerUp:
      SendMouse(WM_LBUTTONUP, msg);
      return;
    case kEventRButtonDown:
      SendMouse(WM_RBUTTONDOWN, msg);
      return;
    case kEventRButtonUp:
      SendMouse(WM_RBUTTONUP, msg);
      return;
    case kEventScrollWheel:
      // Ctrl+wheel would zoom; the control does not zoom.
      if (IsKeyDown(VK_CONTROL)) return;
      ScrollableBox::HandleEvent(msg);
      return;
    case kEventSetCursor: {
      const RECT client = host_ ? host_->GetClientRect() : RECT{0, 0, 0, 0};
      if (host_ && window_ && PtInRect(&client, msg->ptMouse)) {
        host_->GetTextServices()->OnTxSetCursor(DVASPECT_CONTENT, 0, nullptr, nullptr,
                                                window_->GetPaintDC(), nullptr, &client,
                                                msg->ptMouse.x, msg->ptMouse.y);
      } else {
        ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      }
      return;
    }
    case kEventImeStartComposition: {
      if (window_ && window_->GetHWND()) {
        const HWND hwnd = window_->GetHWND();
        if (const HIMC context = ImmGetContext(hwnd)) {
          const POINT offset = GetScrollOffset();
          COMPOSITIONFORM form = {};
          form.dwStyle = CFS_POINT;
          form.ptCurrentPos = {std::max<LONG>(caret_position_.x - offset.x, 1),
                               std::max<LONG>(caret_position_.y - offset.y, 1)};
          ImmSetCompositionWindow(context, &form);
          ImmReleaseContext(hwnd, context);
        }
      }
      composing_ = true;
      Invalidate();
      return;
    }
    case kEventImeEndComposition:
      composing_ = false;
      Invalidate();
      return;
    default:
      ScrollableBox::HandleEvent(msg);
      return;
  }
}

void RichEdit::HandleKeyDown(EventArgs* msg) {
  if (msg->chKey == VK_RETURN && !IsKeyDown(VK_SHIFT) && want_return_msg_) {
    const bool ctrl = IsKeyDown(VK_CONTROL);
    if (return_msg_want_ctrl_ ? ctrl : !ctrl) {
      SendEvent(kEventReturn);
      return;
    }
  }
  if (msg->chKey == L'V' && number_only_ && IsKeyDown(VK_CONTROL)) {
    PasteDigits();
    return;
  }
  TxSendMessage(WM_KEYDOWN, static_cast<WPARAM>(msg->wParam), static_cast<LPARAM>(msg->lParam),
                nullptr);
}

void RichEdit::PasteDigits() {
  std::wstring text;
  if (!ReadClipboardText(window_ ? window_->GetHWND() : nullptr, &text)) return;
  std::wstring digits;
  for (wchar_t character : text) {
    if (character >= L'0' && character <= L'9') digits += character;
  }
  if (digits.empty()) return;
  // Inserted directly: the clipboard, with all its formats, stays the user's.
  TxSendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(digits.c_str()), nullptr);
}

void RichEdit::SetCaretVisible(bool visible) {
  caret_timer_.Cancel();
  caret_on_ = visible;
  if (visible) {
    Timers()->AddCancelableTimer(
        caret_timer_.GetWeakFlag(),
        [this] {
          caret_on_ = !caret_on_;
          Invalidate();
        },
        kCaretBlinkMs, TimerManager::kRepeatForever);
  }
  Invalidate();
}

void RichEdit::SetTextServicesTimer(UINT id, UINT milliseconds) {
  timers_.erase(id);
  qbase::WeakCallbackFlag& flag = timers_[id];
  Timers()->AddCancelableTimer(
      flag.GetWeakFlag(), [this, id] { TxSendMessage(WM_TIMER, id, 0, nullptr); },
      std::max<UINT>(milliseconds, 1), TimerManager::kRepeatForever);
}

void RichEdit::KillTextServicesTimer(UINT id) { timers_.erase(id); }

void RichEdit::ScrollServices(UINT message, int32_t code) const {
  TxSendMessage(message, static_cast<WPARAM>(code), 0, nullptr);
}

void RichEdit::SetScrollPos(SIZE position) {
  ScrollBar* vertical = GetVerticalScrollBar();
  ScrollBar* horizontal = GetHorizontalScrollBar();
  if (vertical && vertical->GetRange() != 0) {
    const int64_t old = vertical->GetPosition();
    const int64_t wanted = std::clamp<int64_t>(position.cy, 0, vertical->GetRange());
    vertical->SetScrollPos(wanted);
    if (vertical->GetPosition() != old) {
      TxSendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(wanted)), 0,
                    nullptr);
      // Plain text scrolls by whole lines; the bar keeps what was asked.
      if (!rich_ && wanted > old && vertical->GetPosition() < wanted) {
        vertical->SetScrollPos(wanted);
      }
    }
  }
  if (horizontal && horizontal->GetRange() != 0) {
    const int64_t old = horizontal->GetPosition();
    const int64_t wanted = std::clamp<int64_t>(position.cx, 0, horizontal->GetRange());
    horizontal->SetScrollPos(wanted);
    if (horizontal->GetPosition() != old) {
      TxSendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(wanted)), 0,
                    nullptr);
    }
  }
}

void RichEdit::PageUp() { ScrollServices(WM_VSCROLL, SB_PAGEUP); }

void RichEdit::PageDown() { ScrollServices(WM_VSCROLL, SB_PAGEDOWN); }

void RichEdit::HomeUp() { ScrollServices(WM_VSCROLL, SB_TOP); }

void RichEdit::PageLeft() { ScrollServices(WM_HSCROLL, SB_PAGELEFT); }

void RichEdit::PageRight() { ScrollServices(WM_HSCROLL, SB_PAGERIGHT); }

void RichEdit::HomeLeft() { ScrollServices(WM_HSCROLL, SB_LEFT); }

void RichEdit::EndRight() { ScrollServices(WM_HSCROLL, SB_RIGHT); }

}  // namespace ui
