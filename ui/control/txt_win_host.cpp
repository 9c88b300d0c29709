#include "ui/control/txt_win_host.h"

#include <algorithm>
#include <cwchar>

#include "ui/control/rich_edit.h"
#include "ui/core/window.h"
#include "ui/resources/global_manager.h"

namespace ui {

const IID kTextHostIid = {
    0x13e670f4, 0x1a5a, 0x11cf, {0xab, 0xeb, 0x00, 0xaa, 0x00, 0xb6, 0x5e, 0xa1}};
const IID kTextHostLegacyIid = {
    0xc5bdd8d0, 0xd26e, 0x11ce, {0xa8, 0x9e, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};
const IID kTextServicesIid = {
    0x8d33f740, 0xcf58, 0x11ce, {0xa8, 0x9d, 0x00, 0xaa, 0x00, 0x6c, 0xad, 0xc5}};

namespace {

constexpr int kHimetricPerInch = 2540;
constexpr int kTwipsPerInch = 1440;
constexpr LONG kTabStopTwips = 720;
constexpr DWORD kCharFormatChange = TXTBIT_CHARFORMATCHANGE;

COLORREF ToColorRef(DWORD argb) {
  return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

int ReadDpi(HDC dc, int index) {
  const int dpi = dc ? GetDeviceCaps(dc, index) : 0;
  return dpi == 0 ? 96 : dpi;
}

}  // namespace

CTxtWinHost::CTxtWinHost(RichEdit* owner, uint32_t style) : owner_(owner), style_(style) {
  max_length_ = owner->GetTextLimit();
  InitCharFormat();
  para_format_.cbSize = sizeof(para_format_);
  para_format_.dwMask = PFM_ALL;
  para_format_.wAlignment = PFA_LEFT;
  para_format_.cTabCount = 1;
  para_format_.rgxTabs[0] = kTabStopTwips;
  if (style & ES_CENTER) {
    para_format_.wAlignment = PFA_CENTER;
  } else if (style & ES_RIGHT) {
    para_format_.wAlignment = PFA_RIGHT;
  }
  if (owner->IsRich()) flags_ |= kFlagRichText;
  if (!(style & (ES_AUTOHSCROLL | WS_HSCROLL))) flags_ |= kFlagWordWrap;
  flags_ |= kFlagInPlaceActive;
  // The services read the back style once, while they are created; the
  // owner's background must show through from the start.
  flags_ |= kFlagTransparent;
  if (style & ES_PASSWORD) password_char_ = kPasswordChar;
}

CTxtWinHost::~CTxtWinHost() { Close(); }

CTxtWinHost::Pointer CTxtWinHost::Create(RichEdit* owner, uint32_t style,
                                         const std::wstring& text) {
  Pointer host(new CTxtWinHost(owner, style));
  if (!host->Init(text)) {
    host->Close();
    return nullptr;
  }
  return host;
}

bool CTxtWinHost::Init(const std::wstring& text) {
  // Kept loaded for the process: text services of other controls live on it.
  const HMODULE module = LoadLibraryW(L"msftedit.dll");
  if (!module) return false;
  const auto create = reinterpret_cast<PCreateTextServices>(
      reinterpret_cast<void*>(GetProcAddress(module, "CreateTextServices")));
  if (!create) return false;
  IUnknown* unknown = nullptr;
  if (FAILED(create(nullptr, this, &unknown)) || !unknown) return false;
  void* services = nullptr;
  const HRESULT result = unknown->QueryInterface(kTextServicesIid, &services);
  unknown->Release();
  if (FAILED(result) || !services) return false;
  text_services_.reset(static_cast<ITextServices*>(services));
  if (!text.empty() && FAILED(text_services_->TxSetText(text.c_str()))) return false;
  return true;
}

void CTxtWinHost::Close() {
  if (text_services_) {
    text_services_->OnTxInPlaceDeactivate();
    // The services may still call back while they go; they find no owner.
    owner_ = nullptr;
    text_services_.reset();
  }
  owner_ = nullptr;
}

Window* CTxtWinHost::GetWindow() const { return owner_ ? owner_->GetWindow() : nullptr; }

HDC CTxtWinHost::DeviceContext() {
  if (Window* window = GetWindow()) {
    if (HDC dc = window->GetPaintDC()) return dc;
  }
  if (!own_dc_) own_dc_.reset(CreateCompatibleDC(nullptr));
  return own_dc_.get();
}

void CTxtWinHost::InitCharFormat() {
  char_format_ = {};
  char_format_.cbSize = sizeof(char_format_);
  char_format_.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_CHARSET | CFM_OFFSET |
                        CFM_FACE | CFM_COLOR | CFM_SIZE;
  char_format_.crTextColor = ToColorRef(GlobalManager::GetTextColor(owner_->GetCurrentTextColor()));
  const FontInfo* font = GlobalManager::GetFont(owner_->GetFontId());
  if (font && font->font.get()) {
    SetFont(font->font.get());
    return;
  }
  // Without a font table the system's GUI font keeps the text readable.
  SetFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
}

void CTxtWinHost::SetFont(HFONT font) {
  if (!font) return;
  LOGFONTW log_font = {};
  if (!GetObjectW(font, sizeof(log_font), &log_font)) return;
  const int dpi = ReadDpi(DeviceContext(), LOGPIXELSY);
  char_format_.yHeight = -log_font.lfHeight * kTwipsPerInch / dpi;
  char_format_.yOffset = 0;
  char_format_.dwEffects &= ~(CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE);
  if (log_font.lfWeight >= FW_BOLD) char_format_.dwEffects |= CFE_BOLD;
  if (log_font.lfItalic) char_format_.dwEffects |= CFE_ITALIC;
  if (log_font.lfUnderline) char_format_.dwEffects |= CFE_UNDERLINE;
  char_format_.bCharSet = log_font.lfCharSet;
  char_format_.bPitchAndFamily = log_font.lfPitchAndFamily;
  wcsncpy(char_format_.szFaceName, log_font.lfFaceName, LF_FACESIZE - 1);
  char_format_.szFaceName[LF_FACESIZE - 1] = 0;
  ApplyCharFormat();
}

void CTxtWinHost::SetColor(DWORD argb) {
  char_format_.crTextColor = ToColorRef(argb);
  ApplyCharFormat();
}

void CTxtWinHost::ApplyCharFormat() {
  if (!text_services_) return;
  text_services_->OnTxPropertyBitsChange(kCharFormatChange, kCharFormatChange);
  // The platform's services take the host's format only when they are
  // created: the new one is handed over as the default and, for plain
  // text, for the text already there.
  LRESULT result = 0;
  const auto format = reinterpret_cast<LPARAM>(&char_format_);
  text_services_->TxSendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, format, &result);
  if (!(flags_ & kFlagRichText)) {
    text_services_->TxSendMessage(EM_SETCHARFORMAT, SCF_ALL, format, &result);
  }
}

void CTxtWinHost::SetTransparent(bool transparent) {
  flags_ = transparent ? flags_ | kFlagTransparent : flags_ & ~kFlagTransparent;
}

void CTxtWinHost::SetRichText(bool rich) {
  flags_ = rich ? flags_ | kFlagRichText : flags_ & ~kFlagRichText;
}

void CTxtWinHost::SetInPlaceActive(bool active) {
  flags_ = active ? flags_ | kFlagInPlaceActive : flags_ & ~kFlagInPlaceActive;
}

void CTxtWinHost::SetClientRect(const RECT& rect) {
  client_rect_ = rect;
  const HDC dc = DeviceContext();
  extent_.cx = MulDiv(rect.right - rect.left, kHimetricPerInch, ReadDpi(dc, LOGPIXELSX));
  extent_.cy = MulDiv(rect.bottom - rect.top, kHimetricPerInch, ReadDpi(dc, LOGPIXELSY));
  if (text_services_) {
    text_services_->OnTxPropertyBitsChange(TXTBIT_VIEWINSETCHANGE, TXTBIT_VIEWINSETCHANGE);
  }
}

bool CTxtWinHost::GetNaturalSize(LONG width, LONG height, SIZE* size) {
  if (!text_services_ || measuring_) return false;
  measuring_ = true;
  const SIZEL extent = {-1, -1};
  LONG natural_width = width;
  LONG natural_height = height;
  const HRESULT result = text_services_->TxGetNaturalSize(DVASPECT_CONTENT, DeviceContext(),
                                                          nullptr, nullptr, TXTNS_FITTOCONTENT,
                                                          &extent, &natural_width, &natural_height);
  measuring_ = false;
  if (FAILED(result)) return false;
  size->cx = natural_width;
  size->cy = natural_height;
  return true;
}

RECT CTxtWinHost::GetAlignedClientRect() {
  RECT rect = client_rect_;
  if (!owner_) return rect;
  const VerAlignType alignment = owner_->GetTextVerticalAlignment();
  if (alignment == kVerAlignTop) return rect;
  SIZE natural = {0, 0};
  if (!GetNaturalSize(rect.right - rect.left, 0, &natural)) return rect;
  const LONG free_height = rect.bottom - rect.top - natural.cy;
  OffsetRect(&rect, 0, alignment == kVerAlignCenter ? free_height / 2 : free_height);
  return rect;
}

void CTxtWinHost::Relayout() {
  if (owner_) owner_->SetPos(owner_->GetPos(true));
}

DWORD CTxtWinHost::PropertyBits() const {
  DWORD bits = 0;
  if (flags_ & kFlagRichText) bits |= TXTBIT_RICHTEXT;
  if (style_ & ES_MULTILINE) bits |= TXTBIT_MULTILINE;
  if (style_ & ES_READONLY) bits |= TXTBIT_READONLY;
  if (style_ & ES_PASSWORD) bits |= TXTBIT_USEPASSWORD;
  if (!(style_ & ES_NOHIDESEL)) bits |= TXTBIT_HIDESELECTION;
  if (flags_ & kFlagSaveSelection) bits |= TXTBIT_SAVESELECTION;
  if (flags_ & kFlagAutoWordSelection) bits |= TXTBIT_AUTOWORDSEL;
  if (flags_ & kFlagWordWrap) bits |= TXTBIT_WORDWRAP;
  if (flags_ & kFlagAllowBeep) bits |= TXTBIT_ALLOWBEEP;
  return bits;
}

HRESULT CTxtWinHost::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  // ITextHost2 is refused: its further methods lie past this table.
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kTextHostIid) ||
      IsEqualIID(iid, kTextHostLegacyIid)) {
    *object = static_cast<ITextHost*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CTxtWinHost::AddRef() { return ++references_; }

ULONG CTxtWinHost::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HDC CTxtWinHost::TxGetDC() { return DeviceContext(); }

INT CTxtWinHost::TxReleaseDC(HDC /*dc*/) { return TRUE; }

WINBOOL CTxtWinHost::TxShowScrollBar(INT /*bar*/, WINBOOL /*show*/) { return TRUE; }

WINBOOL CTxtWinHost::TxEnableScrollBar(INT bars, INT arrows) {
  if (!owner_) return TRUE;
  if (arrows == ESB_DISABLE_BOTH) {
    if (bars == SB_VERT || bars == SB_BOTH) RichEdit::HideScrollBar(owner_->GetVerticalScrollBar());
    if (bars == SB_HORZ || bars == SB_BOTH)
      RichEdit::HideScrollBar(owner_->GetHorizontalScrollBar());
  }
  Relayout();
  return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollRange(INT bar, LONG min, INT max, WINBOOL /*redraw*/) {
  if (!owner_) return TRUE;
  const bool vertical = bar == SB_VERT;
  ScrollBar* scroll_bar =
      vertical ? owner_->GetVerticalScrollBar() : owner_->GetHorizontalScrollBar();
  if (!scroll_bar) return TRUE;
  const LONG view =
      vertical ? client_rect_.bottom - client_rect_.top : client_rect_.right - client_rect_.left;
  const int64_t range = static_cast<int64_t>(max) - min - view;
  if (range < 1) {
    RichEdit::HideScrollBar(scroll_bar);
    return TRUE;
  }
  const bool had_range = scroll_bar->GetRange() != 0;
  scroll_bar->SetScrollRange(range);
  // The bar takes its room from the text.
  if (!had_range) Relayout();
  return TRUE;
}

WINBOOL CTxtWinHost::TxSetScrollPos(INT bar, INT position, WINBOOL /*redraw*/) {
  if (!owner_) return TRUE;
  ScrollBar* scroll_bar = bar == SB_VERT   ? owner_->GetVerticalScrollBar()
                          : bar == SB_HORZ ? owner_->GetHorizontalScrollBar()
                                           : nullptr;
  if (!scroll_bar || scroll_bar->GetPosition() == position) return TRUE;
  scroll_bar->SetScrollPos(std::clamp<int64_t>(position, 0, scroll_bar->GetRange()));
  scroll_bar->SetPos(scroll_bar->GetPos(true));
  return TRUE;
}

void CTxtWinHost::TxInvalidateRect(LPCRECT rect, WINBOOL /*mode*/) {
  Window* window = GetWindow();
  if (!window || !window->GetHWND()) return;
  RECT dirty = rect ? *rect : client_rect_;
  const POINT offset = owner_->GetScrollOffset();
  OffsetRect(&dirty, -offset.x, -offset.y);
  InvalidateRect(window->GetHWND(), &dirty, FALSE);
  if (window->IsLayeredWindow()) PostMessageW(window->GetHWND(), WM_PAINT, 0, 0);
}

void CTxtWinHost::TxViewChange(WINBOOL /*update*/) {}

WINBOOL CTxtWinHost::TxCreateCaret(HBITMAP /*bitmap*/, INT width, INT height) {
  if (owner_) owner_->SetCaretSize({width, height});
  return TRUE;
}

WINBOOL CTxtWinHost::TxShowCaret(WINBOOL show) {
  // The services hide the caret when a selection appears and report no
  // position until it goes; a shown caret comes with a position report.
  if (owner_ && !show) owner_->SetCaretVisible(false);
  return TRUE;
}

WINBOOL CTxtWinHost::TxSetCaretPos(INT x, INT y) {
  if (!owner_) return TRUE;
  owner_->SetCaretPos({x, y});
  owner_->SetCaretVisible(owner_->GetSelText().empty());
  return TRUE;
}

WINBOOL CTxtWinHost::TxSetTimer(UINT id, UINT timeout) {
  if (!owner_) return FALSE;
  flags_ |= kFlagTimer;
  owner_->SetTextServicesTimer(id, timeout);
  return TRUE;
}

void CTxtWinHost::TxKillTimer(UINT id) {
  if (owner_) owner_->KillTextServicesTimer(id);
  flags_ &= ~kFlagTimer;
}

void CTxtWinHost::TxScrollWindowEx(INT /*dx*/, INT /*dy*/, LPCRECT /*scroll*/, LPCRECT /*clip*/,
                                   HRGN /*update_region*/, LPRECT /*update*/, UINT /*flags*/) {}

void CTxtWinHost::TxSetCapture(WINBOOL capture) {
  Window* window = GetWindow();
  if (!window) return;
  window->SetMouseCapture(capture != FALSE);
  flags_ = capture ? flags_ | kFlagCaptured : flags_ & ~kFlagCaptured;
}

void CTxtWinHost::TxSetFocus() {
  if (owner_) owner_->SetFocus();
}

void CTxtWinHost::TxSetCursor(HCURSOR cursor, WINBOOL /*text*/) { SetCursor(cursor); }

WINBOOL CTxtWinHost::TxScreenToClient(LPPOINT point) {
  Window* window = GetWindow();
  return window && point ? ScreenToClient(window->GetHWND(), point) : FALSE;
}

WINBOOL CTxtWinHost::TxClientToScreen(LPPOINT point) {
  Window* window = GetWindow();
  return window && point ? ClientToScreen(window->GetHWND(), point) : FALSE;
}

HRESULT CTxtWinHost::TxActivate(LONG* /*old_state*/) { return S_OK; }

HRESULT CTxtWinHost::TxDeactivate(LONG /*new_state*/) { return S_OK; }

HRESULT CTxtWinHost::TxGetClientRect(LPRECT rect) {
  if (!rect) return E_INVALIDARG;
  *rect = measuring_ ? client_rect_ : GetAlignedClientRect();
  return S_OK;
}

HRESULT CTxtWinHost::TxGetViewInset(LPRECT rect) {
  if (!rect) return E_INVALIDARG;
  *rect = {0, 0, 0, 0};
  return S_OK;
}

HRESULT CTxtWinHost::TxGetCharFormat(const CHARFORMATW** format) {
  if (!format) return E_INVALIDARG;
  *format = reinterpret_cast<const CHARFORMATW*>(&char_format_);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetParaFormat(const PARAFORMAT** format) {
  if (!format) return E_INVALIDARG;
  *format = &para_format_;
  return S_OK;
}

COLORREF CTxtWinHost::TxGetSysColor(int index) { return GetSysColor(index); }

HRESULT CTxtWinHost::TxGetBackStyle(TXTBACKSTYLE* style) {
  if (!style) return E_INVALIDARG;
  *style = (flags_ & kFlagTransparent) ? TXTBACK_TRANSPARENT : TXTBACK_OPAQUE;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetMaxLength(DWORD* length) {
  if (!length) return E_INVALIDARG;
  *length = static_cast<DWORD>(max_length_);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetScrollBars(DWORD* bars) {
  if (!bars) return E_INVALIDARG;
  *bars = style_ & (WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_DISABLENOSCROLL);
  return S_OK;
}

HRESULT CTxtWinHost::TxGetPasswordChar(TCHAR* character) {
  if (!character) return E_INVALIDARG;
  *character = password_char_;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetAcceleratorPos(LONG* position) {
  if (!position) return E_INVALIDARG;
  *position = accelerator_position_;
  return S_OK;
}

HRESULT CTxtWinHost::TxGetExtent(LPSIZEL extent) {
  if (!extent) return E_INVALIDARG;
  *extent = extent_;
  return S_OK;
}

HRESULT CTxtWinHost::OnTxCharFormatChange(const CHARFORMATW* /*format*/) { return S_OK; }

HRESULT CTxtWinHost::OnTxParaFormatChange(const PARAFORMAT* /*format*/) { return S_OK; }

HRESULT CTxtWinHost::TxGetPropertyBits(DWORD mask, DWORD* bits) {
  if (!bits) return E_INVALIDARG;
  *bits = mask & PropertyBits();
  return S_OK;
}

HRESULT CTxtWinHost::TxNotify(DWORD code, void* data) {
  if (!owner_) return S_OK;
  if (code == EN_REQUESTRESIZE && data) {
    const RECT aligned = GetAlignedClientRect();
    const RECT& requested = static_cast<const REQRESIZE*>(data)->rc;
    SetClientRect({aligned.left, aligned.top, aligned.left + requested.right,
                   aligned.top + requested.bottom});
  }
  owner_->OnTxNotify(code, data);
  return S_OK;
}

HIMC CTxtWinHost::TxImmGetContext() { return nullptr; }

void CTxtWinHost::TxImmReleaseContext(HIMC /*context*/) {}

HRESULT CTxtWinHost::TxGetSelectionBarWidth(LONG* width) {
  if (!width) return E_INVALIDARG;
  *width = selection_bar_width_;
  return S_OK;
}

}  // namespace ui
