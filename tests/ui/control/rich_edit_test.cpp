// Rich edits in a real window over the system's text services: typed and
// posted input, the number filter and its paste, Tab and Enter modes,
// password and read-only, and what the memory bitmap shows of the prompt,
// the caret and the vertical alignment. Keys whose meaning hangs on the key
// state (Ctrl, Shift, Tab) go through SendInput; posted messages leave the
// key state alone.

#include "ui/control/rich_edit.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/resources/fake_timer_system.h"
#include "ui/box/box.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/timer_manager.h"

namespace {

using test_support::InputHost;
using test_support::PixelAt;
using test_support::PumpUntil;
using test_support::Rgb;

constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kBlue = 0x0000FF;
// Marks the end of a burst of real input: every key before it has been
// handled once the control sees it.
constexpr WORD kSentinelKey = VK_F13;

void SendKey(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof(input));
}

// The modifiers down, the key pressed and released, the modifiers up.
void Chord(const std::vector<WORD>& modifiers, WORD key) {
  for (WORD modifier : modifiers) SendKey(modifier, false);
  SendKey(key, false);
  SendKey(key, true);
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) SendKey(*it, true);
}

// Puts the texts on the clipboard under the formats given.
void SetClipboard(const std::vector<std::pair<UINT, std::wstring>>& entries) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  for (const auto& entry : entries) {
    const size_t bytes = (entry.second.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), entry.second.c_str(), bytes);
    GlobalUnlock(memory);
    SetClipboardData(entry.first, memory);
  }
  CloseClipboard();
}

std::wstring ClipboardText(UINT format) {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(format)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// A white window holding one rich edit of 200 x 100 at its top-left corner,
// focused; the edit's timers run on a manager the test steps by hand.
class RichEditTest : public testing::Test {
 protected:
  RichEditTest() : host_({600, 420}, {260, 140}) {
    ui::GlobalManager::AddTextColor(L"white", L"#FFFFFFFF");
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"blue", L"#FF0000FF");
    if (!ui::GlobalManager::measureDC) {
      ui::GlobalManager::measureDC.reset(CreateCompatibleDC(nullptr));
    }
    ui::GlobalManager::AddFont(L"edit_font", L"Tahoma", 16, false, false, false, true);
    ui::GlobalManager::AddFont(L"edit_bold", L"Tahoma", 16, true, false, false, false);
    timers_ = std::make_unique<ui::TimerManager>(std::unique_ptr<ui::TimerSystem>(clock_));
  }
  ~RichEditTest() override { host_.window().Destroy(); }

  // Applies the attributes, attaches the edit and gives it the focus.
  void Open(const std::vector<std::pair<std::wstring, std::wstring>>& attributes = {}) {
    auto* root = new ui::VBox;
    root->SetAttribute(L"bkcolor", L"white");
    edit_->SetFixedWidth(200, false, false);
    edit_->SetFixedHeight(100, false);
    edit_->SetTimerManager(timers_.get());
    for (const auto& attribute : attributes) edit_->SetAttribute(attribute.first, attribute.second);
    root->Add(edit_);
    edit_->AddEventHandler(ui::kEventKeyDown, [this](ui::EventArgs* args) {
      if (args->chKey == kSentinelKey) ++sentinels_;
      return true;
    });
    for (ui::EventType type : {ui::kEventTextChange, ui::kEventReturn, ui::kEventTab}) {
      edit_->AddEventHandler(type, [this, type](ui::EventArgs*) {
        ++events_[type];
        return true;
      });
    }
    host_.Attach(root);
    edit_->SetFocus();
    ASSERT_TRUE(PumpUntil([this] { return GetForegroundWindow() == host_.hwnd(); }));
  }

  // Sends the sentinel key and runs messages until the control has seen it.
  void Settle() {
    const int wanted = sentinels_ + 1;
    Chord({}, kSentinelKey);
    ASSERT_TRUE(PumpUntil([&] { return sentinels_ >= wanted; }));
  }

  void PostChars(const std::wstring& text) {
    for (wchar_t character : text) PostMessageW(host_.hwnd(), WM_CHAR, character, 1);
    test_support::PumpPending();
  }

  std::string Text() const { return edit_->GetUTF8Text(); }

  const ui::IRenderContext& Paint() {
    InvalidateRect(host_.hwnd(), nullptr, FALSE);
    UpdateWindow(host_.hwnd());
    return *host_.window().GetRenderContext();
  }

  // Pixels of a strong red inside the rectangle (text edges are blended).
  int CountReddish(const ui::IRenderContext& context, const RECT& rect) {
    int count = 0;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
      for (LONG x = rect.left; x < rect.right; ++x) {
        const DWORD pixel = PixelAt(context, x, y);
        count += test_support::Red(pixel) > 160 && test_support::Green(pixel) < 96 &&
                 test_support::Blue(pixel) < 96;
      }
    }
    return count;
  }

  // Pixels of the colour inside the rectangle.
  int CountIn(const ui::IRenderContext& context, const RECT& rect, DWORD rgb) {
    int count = 0;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
      for (LONG x = rect.left; x < rect.right; ++x) count += Rgb(PixelAt(context, x, y)) == rgb;
    }
    return count;
  }

  void StepTimers(int64_t ms) {
    clock_->AdvanceMilliseconds(ms);
    timers_->Poll();
  }

  test_support::FakeTimerSystem* clock_ = new test_support::FakeTimerSystem;  // owned by timers_
  std::unique_ptr<ui::TimerManager> timers_;
  InputHost host_;
  ui::RichEdit* edit_ = new ui::RichEdit;  // owned by the tree
  int sentinels_ = 0;
  std::map<ui::EventType, int> events_;
};

TEST_F(RichEditTest, TypingEditsTheTextAndReportsEachChange) {
  Open();
  ASSERT_NE(edit_->GetTextHost(), nullptr);
  PostChars(L"abc");
  EXPECT_EQ(Text(), "abc");
  EXPECT_EQ(events_[ui::kEventTextChange], 3);
  host_.Key(VK_BACK);
  test_support::PumpPending();
  EXPECT_EQ(Text(), "ab");
  // A selection is read back through a request that carries its size.
  LRESULT result = 0;
  edit_->TxSendMessage(EM_SETSEL, 0, 1, &result);
  EXPECT_EQ(edit_->GetSelText(), L"a");
  PostChars(L"z");
  EXPECT_EQ(Text(), "zb");
  edit_->SetUTF8Text("\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(Text(), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST_F(RichEditTest, TextSetBeforeAttachingIsWhatTheServicesStartWith) {
  edit_->SetText(L"start");
  EXPECT_EQ(edit_->GetTextHost(), nullptr);
  Open();
  EXPECT_EQ(Text(), "start");
  EXPECT_EQ(events_[ui::kEventTextChange], 0);
  edit_->SetText(L"next");
  EXPECT_EQ(Text(), "next");
  EXPECT_EQ(events_[ui::kEventTextChange], 1);
}

TEST_F(RichEditTest, NumberOnlyDropsEverythingButDigits) {
  Open({{L"number", L"true"}});
  PostChars(L"a1-b2 3.x");
  EXPECT_EQ(Text(), "123");
}

TEST_F(RichEditTest, NumberOnlyPasteInsertsTheDigitsAndLeavesTheClipboardAlone) {
  Open({{L"number", L"true"}});
  const UINT marker = RegisterClipboardFormatW(L"RichEditTestMarker");
  struct Case {
    std::wstring clipboard;
    std::string text;
  };
  const Case cases[] = {{L"a1b22c3", "1223"}, {L"no digits", ""}, {L"\x0661x9 8", "98"}};
  for (const Case& c : cases) {
    edit_->SetText(L"");
    SetClipboard({{CF_UNICODETEXT, c.clipboard}, {marker, L"kept"}});
    Chord({VK_CONTROL}, 'V');
    Settle();
    EXPECT_EQ(Text(), c.text) << std::string(c.clipboard.begin(), c.clipboard.end());
    EXPECT_EQ(ClipboardText(CF_UNICODETEXT), c.clipboard);
    EXPECT_EQ(ClipboardText(marker), L"kept");
  }
}

TEST_F(RichEditTest, PlainPasteGoesToTheServices) {
  Open();
  SetClipboard({{CF_UNICODETEXT, L"a1b2"}});
  Chord({VK_CONTROL}, 'V');
  Settle();
  EXPECT_EQ(Text(), "a1b2");
}

struct TabCase {
  const wchar_t* wanttab;
  std::string text;
  int tab_events;
};

class RichEditTabTest : public RichEditTest, public testing::WithParamInterface<TabCase> {};

TEST_P(RichEditTabTest, TabIsTextOrAnEvent) {
  const TabCase& c = GetParam();
  Open({{L"wanttab", c.wanttab}});
  PostChars(L"x");
  Chord({}, VK_TAB);
  Settle();
  EXPECT_EQ(Text(), c.text);
  EXPECT_EQ(events_[ui::kEventTab], c.tab_events);
  EXPECT_EQ(host_.window().GetFocus(), edit_);
}

INSTANTIATE_TEST_SUITE_P(Modes, RichEditTabTest,
                         testing::Values(TabCase{L"true", "x\t", 0}, TabCase{L"false", "x", 1}));

struct EnterCase {
  const wchar_t* want_return_msg;
  const wchar_t* want_ctrl;
  std::vector<WORD> modifiers;
  int return_events;
  bool line_break;
};

class RichEditEnterTest : public RichEditTest, public testing::WithParamInterface<EnterCase> {};

TEST_P(RichEditEnterTest, EnterIsALineBreakOrAnEvent) {
  const EnterCase& c = GetParam();
  Open({{L"wantreturnmsg", c.want_return_msg}, {L"returnmsgwantctrl", c.want_ctrl}});
  PostChars(L"a");
  Chord(c.modifiers, VK_RETURN);
  Settle();
  EXPECT_EQ(events_[ui::kEventReturn], c.return_events);
  EXPECT_EQ(Text() != "a", c.line_break) << Text();
}

INSTANTIATE_TEST_SUITE_P(Modes, RichEditEnterTest,
                         testing::Values(EnterCase{L"false", L"false", {}, 0, true},
                                         EnterCase{L"true", L"false", {}, 1, false},
                                         EnterCase{L"true", L"false", {VK_SHIFT}, 0, true},
                                         EnterCase{L"true", L"true", {}, 0, true},
                                         EnterCase{L"true", L"true", {VK_CONTROL}, 1, false},
                                         EnterCase{
                                             L"true", L"true", {VK_CONTROL, VK_SHIFT}, 0, true}));

TEST_F(RichEditTest, PasswordKeepsTheTextAndShowsItMasked) {
  Open({{L"password", L"true"}});
  DWORD bits = 0;
  edit_->GetTextHost()->TxGetPropertyBits(TXTBIT_USEPASSWORD, &bits);
  EXPECT_EQ(bits, static_cast<DWORD>(TXTBIT_USEPASSWORD));
  PostChars(L"il");
  EXPECT_EQ(Text(), "il");
  host_.window().SetFocus(nullptr);
  // Masked, a thin and a wide text show the same ink.
  const RECT area = {0, 0, 200, 100};
  const int thin = 200 * 100 - CountIn(Paint(), area, kWhite);
  edit_->SetText(L"MW");
  const int wide = 200 * 100 - CountIn(Paint(), area, kWhite);
  EXPECT_GT(thin, 0);
  EXPECT_EQ(thin, wide);
  EXPECT_EQ(Text(), "MW");
}

TEST_F(RichEditTest, PlainTextShowsItsOwnGlyphs) {
  Open();
  edit_->SetText(L"il");
  host_.window().SetFocus(nullptr);
  const RECT area = {0, 0, 200, 100};
  const int thin = 200 * 100 - CountIn(Paint(), area, kWhite);
  edit_->SetText(L"MW");
  const int wide = 200 * 100 - CountIn(Paint(), area, kWhite);
  EXPECT_GT(wide, thin);
}

TEST_F(RichEditTest, DisablingSwitchesTheTextToTheDisabledColour) {
  Open({{L"disabledtextcolor", L" red"}});
  edit_->SetText(L"MMMM");
  host_.window().SetFocus(nullptr);
  const RECT area = {0, 0, 200, 100};
  EXPECT_EQ(CountReddish(Paint(), area), 0);
  edit_->SetEnabled(false);
  EXPECT_EQ(edit_->GetCurrentTextColor(), L"red");
  EXPECT_GT(CountReddish(Paint(), area), 0);
  edit_->SetEnabled(true);
  EXPECT_EQ(CountReddish(Paint(), area), 0);
}

// Notifications reach the window as WM_NOTIFY with a header it can read: it
// reflects each to the window the header names, here itself.
TEST_F(RichEditTest, NotificationsGoToTheWindowWithAReadableHeader) {
  Open();
  edit_->SetText(L"see the link here");
  const UINT reflected = WM_NOTIFY + ui::Window::kReflectedMessageOffset;
  SELCHANGE selection = {};
  edit_->OnTxNotify(EN_SELCHANGE, &selection);
  EXPECT_EQ(selection.nmhdr.hwndFrom, host_.hwnd());
  EXPECT_EQ(selection.nmhdr.code, static_cast<UINT>(EN_SELCHANGE));
  EXPECT_EQ(host_.window().Count(reflected), 1);
  ENLINK link = {};
  link.msg = WM_LBUTTONUP;
  link.chrg = {4, 8};
  edit_->OnTxNotify(EN_LINK, &link);
  EXPECT_EQ(host_.window().Count(reflected), 2);
  EXPECT_EQ(edit_->GetSelText(), L"the ");
  // Other mouse messages over a link, and codes not forwarded, send nothing.
  link.msg = WM_MOUSEMOVE;
  edit_->OnTxNotify(EN_LINK, &link);
  edit_->OnTxNotify(EN_REQUESTRESIZE, nullptr);
  EXPECT_EQ(host_.window().Count(reflected), 2);
}

TEST_F(RichEditTest, ReadOnlyTakesNoTextSelectsAllOnDoubleClickAndForgetsItOnBlur) {
  edit_->SetText(L"fixed");
  Open({{L"readonly", L"true"}, {L"prompttext", L"prompt"}, {L"promptcolor", L"red"}});
  PostChars(L"xy");
  EXPECT_EQ(Text(), "fixed");
  ui::EventArgs double_click;
  double_click.Type = ui::kEventInternalDoubleClick;
  double_click.ptMouse = {10, 10};
  edit_->HandleEvent(&double_click);
  EXPECT_EQ(edit_->GetSelText(), L"fixed");
  host_.window().SetFocus(nullptr);
  EXPECT_EQ(edit_->GetSelText(), L"");
  edit_->SetText(L"");
  EXPECT_EQ(CountReddish(Paint(), {0, 0, 200, 100}), 0);
}

TEST_F(RichEditTest, PromptShowsOnlyWhileEmpty) {
  Open({{L"prompttext", L"type here"}, {L"promptcolor", L"red"}});
  const RECT area = {0, 0, 200, 100};
  EXPECT_GT(CountReddish(Paint(), area), 0);
  PostChars(L"a");
  EXPECT_EQ(CountReddish(Paint(), area), 0);
  host_.Key(VK_BACK);
  test_support::PumpPending();
  EXPECT_GT(CountReddish(Paint(), area), 0);
}

TEST_F(RichEditTest, CaretBlinksEveryHalfSecondButNotDuringASelectionOrComposition) {
  Open({{L"caretcolor", L"blue"}});
  PostChars(L"ab");
  ASSERT_TRUE(edit_->IsCaretOn());
  const SIZE size = edit_->GetCaretSize();
  ASSERT_GT(size.cy, 0);
  const POINT at = edit_->GetCaretPos();
  const RECT caret = {at.x, at.y, at.x + std::max<LONG>(size.cx, 1), at.y + size.cy};
  EXPECT_GT(CountIn(Paint(), caret, kBlue), 0);
  StepTimers(499);
  EXPECT_TRUE(edit_->IsCaretOn());
  StepTimers(1);
  EXPECT_FALSE(edit_->IsCaretOn());
  EXPECT_EQ(CountIn(Paint(), caret, kBlue), 0);
  StepTimers(500);
  EXPECT_TRUE(edit_->IsCaretOn());
  // Composing hides the caret until the composition ends.
  PostMessageW(host_.hwnd(), WM_IME_STARTCOMPOSITION, 0, 0);
  test_support::PumpPending();
  EXPECT_TRUE(edit_->IsComposing());
  EXPECT_EQ(CountIn(Paint(), caret, kBlue), 0);
  PostMessageW(host_.hwnd(), WM_IME_ENDCOMPOSITION, 0, 0);
  test_support::PumpPending();
  EXPECT_GT(CountIn(Paint(), caret, kBlue), 0);
  // A selection stops the blinking with the caret off.
  LRESULT result = 0;
  edit_->TxSendMessage(EM_SETSEL, 0, -1, &result);
  EXPECT_FALSE(edit_->IsCaretOn());
  StepTimers(500);
  StepTimers(500);
  EXPECT_FALSE(edit_->IsCaretOn());
  EXPECT_EQ(CountIn(Paint(), {0, 0, 200, 100}, kBlue), 0);
  // Losing the focus stops it too.
  edit_->TxSendMessage(EM_SETSEL, 2, 2, &result);
  EXPECT_TRUE(edit_->IsCaretOn());
  host_.window().SetFocus(nullptr);
  EXPECT_FALSE(edit_->IsCaretOn());
  StepTimers(500);
  EXPECT_FALSE(edit_->IsCaretOn());
}

TEST_F(RichEditTest, VerticalAlignmentMovesTheTextDown) {
  struct Case {
    const wchar_t* align;
    int numerator;  // of the free height, in halves
  };
  const Case cases[] = {{L"top", 0}, {L"vcenter", 1}, {L"bottom", 2}};
  Open();
  edit_->SetText(L"Hy");
  SIZE natural = {0, 0};
  ASSERT_TRUE(edit_->GetTextHost()->GetNaturalSize(200, 0, &natural));
  ASSERT_GT(natural.cy, 0);
  ASSERT_LT(natural.cy, 100);
  const LONG free_height = 100 - natural.cy;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.align);
    edit_->SetAttribute(L"align", c.align);
    host_.window().SetFocus(nullptr);
    const LONG offset = c.numerator == 1 ? free_height / 2 : c.numerator == 2 ? free_height : 0;
    RECT client = {};
    edit_->GetTextHost()->TxGetClientRect(&client);
    EXPECT_EQ(client.top, offset);
    // The ink lies within the line at that place.
    const RECT ink = test_support::InkBounds(Paint(), 0xFFFFFFFF);
    EXPECT_GE(ink.top, offset);
    EXPECT_LE(ink.bottom, offset + natural.cy);
  }
}

TEST_F(RichEditTest, TheVerticalBarComesWithOverflowAndGoesWithIt) {
  Open({{L"vscrollbar", L"true"}});
  ui::ScrollBar* bar = edit_->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  const LONG full_width = edit_->GetTextHost()->GetClientRect().right;
  EXPECT_EQ(bar->GetRange(), 0);
  std::wstring lines;
  for (int i = 0; i < 20; ++i) lines += L"line\r";
  edit_->SetText(lines);
  PumpUntil([&] { return bar->GetRange() > 0; }, 30000);
  EXPECT_GT(bar->GetRange(), 0);
  EXPECT_EQ(edit_->GetTextHost()->GetClientRect().right, full_width - bar->GetFixedWidth());
  // The wheel scrolls, but not with Ctrl held. Keys bring the caret into
  // view: it goes to the top first.
  LRESULT result = 0;
  edit_->TxSendMessage(EM_SETSEL, 0, 0, &result);
  Settle();
  const int64_t before = bar->GetPosition();
  EXPECT_EQ(before, 0);
  ui::EventArgs wheel;
  wheel.Type = ui::kEventScrollWheel;
  wheel.wParam = static_cast<uint64_t>(-WHEEL_DELTA);
  SendKey(VK_CONTROL, false);
  Settle();
  edit_->HandleEvent(&wheel);
  SendKey(VK_CONTROL, true);
  Settle();
  StepTimers(2000);
  EXPECT_EQ(bar->GetPosition(), before);
  edit_->HandleEvent(&wheel);
  for (int i = 0; i < 20; ++i) StepTimers(50);
  EXPECT_NE(bar->GetPosition(), before);
  edit_->SetText(L"");
  EXPECT_EQ(bar->GetRange(), 0);
  EXPECT_EQ(edit_->GetTextHost()->GetClientRect().right, full_width);
}

TEST_F(RichEditTest, TextDrawnIntoALayeredWindowIsOpaque) {
  host_.window().Destroy();
  test_support::HostWindow layered;
  layered.GetShadow().attached = false;
  layered.CreatePopup({600, 420, 860, 560}, true);
  auto* root = new ui::VBox;
  edit_->SetFixedWidth(200, false, false);
  edit_->SetFixedHeight(100, false);
  root->Add(edit_);
  layered.AttachRootControl(root);
  edit_->SetText(L"WWW");
  InvalidateRect(layered.GetHWND(), nullptr, FALSE);
  UpdateWindow(layered.GetHWND());
  const ui::IRenderContext& context = *layered.GetRenderContext();
  int ink = 0;
  int holes = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      const DWORD pixel = PixelAt(context, x, y);
      if (Rgb(pixel) == 0 && test_support::Alpha(pixel) == 0) continue;
      ++ink;
      holes += test_support::Alpha(pixel) != 255;
    }
  }
  EXPECT_GT(ink, 0);
  EXPECT_EQ(holes, 0);
  layered.Destroy();
}

TEST(RichEditStandAloneTest, MarkupNamesTheClass) {
  ui::RegisterControlClasses();
  std::unique_ptr<ui::Control> control(ui::MarkupBuilder::CreateControlByClass(L"RichEdit"));
  EXPECT_NE(dynamic_cast<ui::RichEdit*>(control.get()), nullptr);
}

// Without text services (never attached here) the text operations answer
// empty and the services' messages report S_FALSE.
TEST(RichEditStandAloneTest, WithoutTextServicesEverythingIsEmpty) {
  ui::RichEdit edit;
  edit.SetText(L"kept for later");
  LRESULT result = 42;
  EXPECT_EQ(edit.TxSendMessage(EM_GETLINECOUNT, 0, 0, &result), S_FALSE);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(edit.GetUTF8Text(), "");
  EXPECT_EQ(edit.GetSelText(), L"");
  edit.SetFixedWidth(ui::kSizeAuto, false, false);
  edit.SetFixedHeight(30, false);
  EXPECT_EQ(edit.EstimateSize({100, 100}).cx, 0);
  EXPECT_EQ(edit.EstimateSize({100, 100}).cy, 30);
}

}  // namespace
