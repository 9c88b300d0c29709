#pragma once

#include <windows.h>
#include <richedit.h>
#include <textserv.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ui/render/gdiplus_handles.h"

namespace ui {

class RichEdit;
class Window;

// The text host of the platform as its text services ask for it, and the one
// the interface was first published under; the host answers both.
extern const IID kTextHostIid;
extern const IID kTextHostLegacyIid;
extern const IID kTextServicesIid;

// Property bits the host reports itself (TxGetPropertyBits).
constexpr DWORD kTextHostPropertyMask = TXTBIT_RICHTEXT | TXTBIT_MULTILINE | TXTBIT_READONLY |
                                        TXTBIT_USEPASSWORD | TXTBIT_HIDESELECTION |
                                        TXTBIT_SAVESELECTION | TXTBIT_AUTOWORDSEL |
                                        TXTBIT_WORDWRAP | TXTBIT_ALLOWBEEP;

// Releases a COM reference when the holder goes.
struct ComReleaser {
  void operator()(IUnknown* object) const { object->Release(); }
};

// The host through which a RichEdit owns the system's windowless text
// services: it keeps the formats, client rectangle and property bits the
// services ask for and maps their requests for a device context, scroll
// bars, caret, timers, capture, cursor and invalidation onto the owner and
// its window. Reference counted as the platform wants; the owner holds one
// reference and calls Close before it goes, so calls that arrive late find
// no owner. UI thread only.
class CTxtWinHost final : public ITextHost {
 public:
  // Bits of the flags field.
  static constexpr uint32_t kFlagAutoWordSelection = 0x1;
  static constexpr uint32_t kFlagWordWrap = 0x2;
  static constexpr uint32_t kFlagAllowBeep = 0x4;
  static constexpr uint32_t kFlagRichText = 0x8;
  static constexpr uint32_t kFlagSaveSelection = 0x10;
  static constexpr uint32_t kFlagInPlaceActive = 0x20;
  static constexpr uint32_t kFlagTransparent = 0x40;
  static constexpr uint32_t kFlagTimer = 0x80;
  static constexpr uint32_t kFlagCaptured = 0x100;
  // What masks the text of a password field.
  static constexpr wchar_t kPasswordChar = L'*';

  struct Releaser {
    void operator()(CTxtWinHost* host) const { host->Release(); }
  };
  using Pointer = std::unique_ptr<CTxtWinHost, Releaser>;

  // Creates the host and its text services for the owner, with the style
  // bits and the first text; null when the services cannot be had or refuse
  // the text.
  static Pointer Create(RichEdit* owner, uint32_t style, const std::wstring& text);

  CTxtWinHost(const CTxtWinHost&) = delete;
  CTxtWinHost& operator=(const CTxtWinHost&) = delete;

  // Deactivates and releases the text services and forgets the owner.
  void Close();

  ITextServices* GetTextServices() const { return text_services_.get(); }
  uint32_t GetFlags() const { return flags_; }
  void SetTransparent(bool transparent);
  void SetRichText(bool rich);
  void SetInPlaceActive(bool active);
  // Takes height, effects, character set, pitch and face from the font and
  // tells the services; null does nothing.
  void SetFont(HFONT font);
  void SetColor(DWORD argb);
  void SetParaFormat(const PARAFORMAT2& format) { para_format_ = format; }
  const CHARFORMAT2W& GetCharFormat() const { return char_format_; }
  const PARAFORMAT2& GetParaFormat() const { return para_format_; }
  void SetClientRect(const RECT& rect);
  const RECT& GetClientRect() const { return client_rect_; }
  // The client rectangle moved down by the owner's vertical alignment.
  RECT GetAlignedClientRect();
  // The text's natural size for a width (TXTNS_FITTOCONTENT); false when the
  // services cannot tell.
  bool GetNaturalSize(LONG width, LONG height, SIZE* size);

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ITextHost.
  HDC TxGetDC() override;
  INT TxReleaseDC(HDC dc) override;
  WINBOOL TxShowScrollBar(INT bar, WINBOOL show) override;
  WINBOOL TxEnableScrollBar(INT bars, INT arrows) override;
  WINBOOL TxSetScrollRange(INT bar, LONG min, INT max, WINBOOL redraw) override;
  WINBOOL TxSetScrollPos(INT bar, INT position, WINBOOL redraw) override;
  void TxInvalidateRect(LPCRECT rect, WINBOOL mode) override;
  void TxViewChange(WINBOOL update) override;
  WINBOOL TxCreateCaret(HBITMAP bitmap, INT width, INT height) override;
  WINBOOL TxShowCaret(WINBOOL show) override;
  WINBOOL TxSetCaretPos(INT x, INT y) override;
  WINBOOL TxSetTimer(UINT id, UINT timeout) override;
  void TxKillTimer(UINT id) override;
  void TxScrollWindowEx(INT dx, INT dy, LPCRECT scroll, LPCRECT clip, HRGN update_region,
                        LPRECT update, UINT flags) override;
  void TxSetCapture(WINBOOL capture) override;
  void TxSetFocus() override;
  void TxSetCursor(HCURSOR cursor, WINBOOL text) override;
  WINBOOL TxScreenToClient(LPPOINT point) override;
  WINBOOL TxClientToScreen(LPPOINT point) override;
  HRESULT TxActivate(LONG* old_state) override;
  HRESULT TxDeactivate(LONG new_state) override;
  HRESULT TxGetClientRect(LPRECT rect) override;
  HRESULT TxGetViewInset(LPRECT rect) override;
  HRESULT TxGetCharFormat(const CHARFORMATW** format) override;
  HRESULT TxGetParaFormat(const PARAFORMAT** format) override;
  COLORREF TxGetSysColor(int index) override;
  HRESULT TxGetBackStyle(TXTBACKSTYLE* style) override;
  HRESULT TxGetMaxLength(DWORD* length) override;
  HRESULT TxGetScrollBars(DWORD* bars) override;
  HRESULT TxGetPasswordChar(TCHAR* character) override;
  HRESULT TxGetAcceleratorPos(LONG* position) override;
  HRESULT TxGetExtent(LPSIZEL extent) override;
  HRESULT OnTxCharFormatChange(const CHARFORMATW* format) override;
  HRESULT OnTxParaFormatChange(const PARAFORMAT* format) override;
  HRESULT TxGetPropertyBits(DWORD mask, DWORD* bits) override;
  HRESULT TxNotify(DWORD code, void* data) override;
  HIMC TxImmGetContext() override;
  void TxImmReleaseContext(HIMC context) override;
  HRESULT TxGetSelectionBarWidth(LONG* width) override;

 private:
  CTxtWinHost(RichEdit* owner, uint32_t style);
  ~CTxtWinHost();

  bool Init(const std::wstring& text);
  Window* GetWindow() const;
  // The window's device context, else one of the host's own.
  HDC DeviceContext();
  void InitCharFormat();
  // Tells the services of a changed character format.
  void ApplyCharFormat();
  DWORD PropertyBits() const;
  // The owner lays itself out again in its current rectangle.
  void Relayout();

  RichEdit* owner_ = nullptr;  // not owned; null once closed
  ULONG references_ = 1;
  std::unique_ptr<ITextServices, ComReleaser> text_services_;
  uint32_t style_ = 0;
  uint32_t flags_ = 0;
  LONG selection_bar_width_ = 0;
  LONG max_length_ = 0;
  RECT client_rect_ = {0, 0, 0, 0};
  SIZEL extent_ = {0, 0};
  CHARFORMAT2W char_format_ = {};
  PARAFORMAT2 para_format_ = {};
  LONG accelerator_position_ = -1;
  wchar_t password_char_ = 0;
  // Set while the natural size is measured: the services may ask for the
  // client rectangle meanwhile, which must not measure again.
  bool measuring_ = false;
  ScopedMemoryDc own_dc_;
};

}  // namespace ui
