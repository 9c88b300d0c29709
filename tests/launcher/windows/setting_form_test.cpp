#include "launcher/windows/setting_form.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cwctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/async_modal_runner_manager.h"
#include "base/file_io.h"
#include "base/folder_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_settings.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/main_form.h"
#include "launcher/windows/msg_box.h"
#include "launcher/windows/panel_text.h"
#include "launcher/windows/setting_tab_page.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "tests/launcher/core/resting_state.h"
#include "tests/launcher/core/thread_test_support.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/wait_for.h"
#include "ui/box/builder_cache.h"
#include "ui/control/label.h"
#include "ui/control/option.h"
#include "ui/control/rich_edit.h"
#include "ui/resources/language_string_table.h"

namespace {

using SettingComponents::TabLabel;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

// Presses and releases each key in turn with the real keyboard.
void PressKey(WORD key) {
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

// Digits and letters by their keys, as a person types them.
void TypeText(const std::wstring& text) {
  for (wchar_t character : text) PressKey(static_cast<WORD>(towupper(character)));
}

// A visible shell folder browser owned by `owner`; null while there is none.
HWND FindPicker(HWND owner) {
  struct Search {
    HWND owner;
    HWND found;
  } search{owner, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* search = reinterpret_cast<Search*>(param);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) == L"#32770" && GetWindow(window, GW_OWNER) == search->owner &&
            IsWindowVisible(window)) {
          search->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A settings window whose layout is given as markup.
class MarkupSettingForm : public SettingForm {
 public:
  explicit MarkupSettingForm(std::wstring markup) : markup_(std::move(markup)) {}
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return markup_; }

 private:
  std::wstring markup_;
};

// What the settings window handed its callback.
struct Answers {
  std::atomic<int> count{0};
  std::atomic<int> value{-1};
};

class SettingFormTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    // The real mouse rests away from the windows.
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    // The launcher makes its save folder at start.
    ASSERT_TRUE(MakeDirectoriesW(env_.dir().path() + L"\\save"));
    env_file_ = env_.dir().path() + L"\\save\\EnvConfig.json";
    DeleteFileW(env_file_.c_str());
    game_folder_ = env_.dir().path() + L"\\Game";
    LauncherContext* context = context_;
    ASSERT_TRUE(env_.OnUi([this, context] {
      // As the launcher's start-up does: the windows fill their lists from
      // layout files.
      ui::BuilderCache::Install();
      context->SetDialogPresenter(&presenter_);
      LauncherSettings settings;
      settings.gamePath = game_folder_;
      settings.closeToHide = false;
      settings.autoUpdate = true;
      settings.downloadLimit = true;
      settings.downloadSpeed = 777;
      settings.predlcLimit = true;
      settings.predlcSpeed = 4096;
      context->SetSettings(settings);
      context->firstRun = false;
      context->askCloseChoice = false;
      // The owner, as the launcher's start-up makes it.
      main_ = new MainForm();
      main_hwnd_ = main_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(main_hwnd_, nullptr);
      main_->CenterWindow();
      main_->ShowWindow(true, true);
    }));
  }
  void TearDown() override {
    qoz_comp::AsyncModalRunnerManager::GetInstance()->CancelAllRunners();
    env_.Reset();
  }

  // Opens the settings window owned by the main window, counting its answers.
  bool Open() {
    bool shown = false;
    Answers* answers = &answers_;
    env_.OnUi([&] {
      form_ = new SettingForm();
      shown = form_->ShowOwned(main_, [answers](int32_t value) {
        answers->value = value;
        ++answers->count;
      });
      hwnd_ = shown ? form_->GetHWND() : nullptr;
    });
    return shown && WaitLaidOut();
  }
  // The page list knows where its pages start once it was laid out.
  bool WaitLaidOut() {
    return WaitFor([this] {
      bool ready = false;
      env_.OnUi([&] {
        ready = IsWindowVisible(hwnd_) && form_->page_list()->GetScrollRange().cy > 0 &&
                form_->page_list()->GetChildOffsets().size() == 3;
      });
      return ready;
    });
  }
  bool WaitClosed() {
    return WaitFor([this] { return !IsWindow(hwnd_); });
  }
  void Foreground() {
    WaitFor([this] {
      env_.OnUi([this] { SetForegroundWindow(hwnd_); });
      return GetForegroundWindow() == hwnd_;
    });
  }

  template <typename T>
  T* Find(const wchar_t* name) {
    T* found = nullptr;
    env_.OnUi([&] { found = dynamic_cast<T*>(form_->FindControl(name)); });
    return found;
  }
  // Clicks the named control, scrolling its page into view first. Both happen
  // in one task of the window's thread, so that nothing scrolls in between.
  void Click(const wchar_t* name) {
    bool found = false;
    env_.OnUi([&] {
      ui::Control* control = form_->FindControl(name);
      if (!control) return;
      found = true;
      for (ui::Control* parent = control->GetParent(); parent; parent = parent->GetParent()) {
        if (parent == form_->page_list()) {
          ScrollIntoViewHere(control);
          break;
        }
      }
      ClickAtHere(control);
    });
    ASSERT_TRUE(found) << name;
  }
  // The screen point of a control's middle, where the scrolled pages show it.
  POINT ScreenCentre(ui::Control* control) {
    POINT point = {};
    env_.OnUi([&] {
      const RECT rect = control->GetPos();
      const POINT scroll = control->GetScrollOffset();
      point = {(rect.left + rect.right) / 2 - scroll.x, (rect.top + rect.bottom) / 2 - scroll.y};
      ClientToScreen(hwnd_, &point);
    });
    return point;
  }
  // Scrolls the page list so that `control` shows at the top of its view.
  void ScrollIntoView(ui::Control* control) {
    env_.OnUi([&] { ScrollIntoViewHere(control); });
  }
  void ScrollIntoViewHere(ui::Control* control) {
    ui::ListBox* pages = form_->page_list();
    pages->SetScrollPosY(control->GetPos().top - pages->GetPos().top - 20);
  }
  // Clicks as the mouse makes them, at the middle of `control` where the
  // scrolled pages show it; on the window's thread. Sent rather than made with
  // the real mouse: under Xvfb, real clicks on an owned layered window reach
  // its owner instead.
  void ClickAtHere(ui::Control* control) {
    const RECT rect = control->GetPos();
    const POINT scroll = control->GetScrollOffset();
    const LPARAM position = MAKELPARAM((rect.left + rect.right) / 2 - scroll.x,
                                       (rect.top + rect.bottom) / 2 - scroll.y);
    SendMessageW(hwnd_, WM_MOUSEMOVE, 0, position);
    SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, position);
    SendMessageW(hwnd_, WM_LBUTTONUP, 0, position);
  }
  // Gives the field the keyboard focus of the foreground settings window, so
  // that the real keyboard types into it.
  bool FocusField(ui::RichEdit* field) {
    return WaitFor([&] {
      env_.OnUi([&] {
        SetForegroundWindow(hwnd_);
        field->SetFocus();
      });
      return GetForegroundWindow() == hwnd_ && FocusName() == field->GetName();
    });
  }
  std::wstring FocusName() {
    std::wstring name;
    env_.OnUi([&] {
      if (ui::Control* focus = form_->GetFocus()) name = focus->GetName();
    });
    return name;
  }
  std::wstring FieldText(ui::RichEdit* field) {
    std::wstring text;
    env_.OnUi([&] { text = field->GetText(); });
    return text;
  }
  // Which tab captions show as highlighted (disabled, painted black).
  std::vector<bool> Highlighted() {
    std::vector<bool> highlighted;
    env_.OnUi([&] {
      for (int i = 0; i < form_->tab_list()->GetCount(); ++i) {
        auto* tab = dynamic_cast<TabLabel*>(form_->tab_list()->GetItemAt(i));
        highlighted.push_back(tab && tab->tab_name() && !tab->tab_name()->IsEnabled());
      }
    });
    return highlighted;
  }
  static std::vector<bool> OnlyTab(int index) {
    std::vector<bool> expected(3, false);
    expected[index] = true;
    return expected;
  }
  LauncherSettings LiveSettings() {
    LauncherSettings settings;
    env_.OnUi([&] { settings = context_->GetSettings(); });
    return settings;
  }
  bool SavedSettings(LauncherSettings* saved) {
    std::string text;
    return ReadFileToStringW(env_file_, &text) && ParseLauncherSettings(text, saved);
  }
  void SetState(std::unique_ptr<State> state) {
    LauncherContext* context = context_;
    State* raw = state.release();
    test_support::RunOnThread(1, [context, raw] { context->currentState.reset(raw); });
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  WindowDialogPresenter presenter_;
  MainForm* main_ = nullptr;  // deletes itself with its window
  HWND main_hwnd_ = nullptr;
  SettingForm* form_ = nullptr;  // deletes itself with its window
  HWND hwnd_ = nullptr;
  Answers answers_;
  std::wstring env_file_;
  std::wstring game_folder_;
};

// The main window's settings button opens the window over the disabled main
// window, the first tab highlighted and the pages filled from the settings;
// hiding the launcher cancels it.
TEST_F(SettingFormTest, TheSettingsButtonOpensItAndHidingTheLauncherCancelsIt) {
  env_.OnUi(
      [this] { test_support::ClickControl(main_hwnd_, main_->FindControl(L"btn_settings")); });
  ASSERT_TRUE(WaitFor([this] {
    env_.OnUi([this] {
      form_ = dynamic_cast<SettingForm*>(test_support::FindFrameworkWindow(L"SettingForm"));
    });
    return form_ != nullptr && IsWindowVisible(form_->GetHWND());
  }));
  hwnd_ = form_->GetHWND();
  ASSERT_TRUE(WaitLaidOut());
  EXPECT_FALSE(IsWindowEnabled(main_hwnd_));
  EXPECT_EQ(GetWindow(hwnd_, GW_OWNER), main_hwnd_);
  RECT client = {};
  GetClientRect(hwnd_, &client);
  // Without a shadow the window is exactly its layout's size.
  EXPECT_EQ(client.right, 844);
  EXPECT_EQ(client.bottom, 540);

  ui::LanguageStringTable* strings = ui::LanguageStringTable::GetInstance();
  env_.OnUi([&] {
    const wchar_t* keys[] = {L"STRING_TAB_NORMAL", L"STRING_TAB_RESOURCE", L"STRING_TAB_VERSION"};
    ASSERT_EQ(form_->tab_list()->GetCount(), 3);
    ASSERT_EQ(form_->page_list()->GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
      auto* tab = dynamic_cast<TabLabel*>(form_->tab_list()->GetItemAt(i));
      ASSERT_NE(tab, nullptr);
      EXPECT_EQ(tab->GetName(), std::to_wstring(i));
      ASSERT_NE(tab->tab_name(), nullptr);
      EXPECT_EQ(tab->tab_name()->GetText(), strings->GetStringById(keys[i]));
      EXPECT_FALSE(tab->tab_name()->GetText().empty());
      EXPECT_EQ(form_->page_list()->GetItemAt(i)->GetName(), std::to_wstring(i));
    }
    EXPECT_EQ(form_->current_tab(), 0);
    EXPECT_EQ(form_->page_list()->GetScrollPos().cy, 0);
    EXPECT_FALSE(form_->FindControl(L"vbox_set_language")->IsVisible());
  });
  EXPECT_EQ(Highlighted(), OnlyTab(0));

  // The general page shows the settings; the game folder and the versions
  // are the live ones, the version text filled without a format.
  env_.OnUi([&] {
    auto option = [&](const wchar_t* name) {
      return dynamic_cast<ui::Option*>(form_->FindControl(name))->IsSelected();
    };
    EXPECT_TRUE(option(L"option_exit"));
    EXPECT_FALSE(option(L"option_trayicon"));
    EXPECT_TRUE(option(L"option_on"));
    EXPECT_TRUE(option(L"option_limit_speed"));
    auto* field = dynamic_cast<ui::RichEdit*>(form_->FindControl(L"text_speed"));
    EXPECT_EQ(field->GetText(), L"777");
    EXPECT_TRUE(field->IsEnabled());
    auto label = [&](const wchar_t* name) {
      return dynamic_cast<ui::LabelTemplate<ui::Control>*>(form_->FindControl(name))->GetText();
    };
    EXPECT_EQ(label(L"text_game_path"), game_folder_);
    EXPECT_EQ(label(L"label_launcher_version"),
              LanguageTextWith(L"STRING_VERSION_LABEL", L"1.0.0"));
    EXPECT_NE(label(L"label_launcher_version").find(L"1.0.0"), std::wstring::npos);
    EXPECT_EQ(label(L"label_launcher_version").find(L'%'), std::wstring::npos);
  });

  SendMessageW(main_hwnd_, WM_HIDE_LAUNCHER, 0, 0);
  ASSERT_TRUE(WaitClosed());
  EXPECT_TRUE(IsWindowEnabled(main_hwnd_));
  EXPECT_EQ(GetFileAttributesW(env_file_.c_str()), INVALID_FILE_ATTRIBUTES);
}

// A layout without either list refuses the window: nothing shows, the owner
// stays enabled and no answer comes.
TEST_F(SettingFormTest, ALayoutWithoutItsListsRefusesTheWindow) {
  const wchar_t* layouts[] = {
      L"<Window size=\"400,300\"><VBox><VListBox name=\"setting_pages\"/></VBox></Window>",
      L"<Window size=\"400,300\"><VBox><VListBox name=\"setting_btns\"/></VBox></Window>",
  };
  for (const wchar_t* layout : layouts) {
    bool shown = true;
    env_.OnUi([&] {
      auto* form = new MarkupSettingForm(layout);
      shown = form->ShowOwned(main_, [this](int32_t) { ++answers_.count; });
    });
    env_.OnUi(nullptr);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(IsWindowEnabled(main_hwnd_));
    env_.OnUi([] { EXPECT_EQ(test_support::FindFrameworkWindow(L"SettingForm"), nullptr); });
  }
  EXPECT_EQ(answers_.count, 0);
}

// A tab click scrolls the list smoothly to its page and highlights it, also
// for the tab already shown; the real mouse wheel then moves the highlight
// with the pages.
TEST_F(SettingFormTest, TabClicksScrollToTheirPagesAndTheWheelMovesTheHighlight) {
  ASSERT_TRUE(Open());
  Foreground();
  std::vector<int32_t> offsets;
  int32_t range = 0;
  std::vector<ui::Control*> tabs;
  env_.OnUi([&] {
    offsets = form_->page_list()->GetChildOffsets();
    range = form_->page_list()->GetScrollRange().cy;
    for (int i = 0; i < 3; ++i) tabs.push_back(form_->tab_list()->GetItemAt(i));
  });
  ASSERT_EQ(offsets.size(), 3u);
  // Every page can be scrolled to its top.
  ASSERT_GE(range, offsets[2]);

  int32_t previous = 0;
  for (int index : {2, 1, 0, 0}) {
    SCOPED_TRACE(index);
    env_.OnUi([&] { ClickAtHere(tabs[index]); });
    ASSERT_TRUE(WaitFor([&] {
      bool arrived = false;
      env_.OnUi([&] {
        ui::ListBox* pages = form_->page_list();
        arrived = form_->current_tab() == index && !pages->IsProgrammaticScroll() &&
                  !pages->GetLineScrollPlayer().playing &&
                  pages->GetScrollPos().cy == offsets[index];
      });
      return arrived;
    }));
    EXPECT_EQ(Highlighted(), OnlyTab(index));
    if (offsets[index] != previous) {
      // It slid there rather than jumped.
      env_.OnUi([&] {
        const ui::AnimationPlayer& player = form_->page_list()->GetLineScrollPlayer();
        EXPECT_EQ(player.startValue, previous);
        EXPECT_EQ(player.endValue, offsets[index]);
      });
    }
    previous = offsets[index];
    test_support::SaveScreenshot(
        test_support::ArtifactPath(L"settings_page" + std::to_wstring(index)));
  }

  const POINT pages = ScreenCentre(form_->page_list());
  test_support::MoveMouseTo(pages.x, pages.y);
  ASSERT_TRUE(WaitFor([&] {
    test_support::MouseButton(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
    Sleep(200);
    return Highlighted() == OnlyTab(1);
  }));
  env_.OnUi([&] {
    EXPECT_GE(form_->page_list()->GetScrollPos().cy, offsets[1]);
    EXPECT_EQ(form_->current_tab(), 1);
  });
  ASSERT_TRUE(WaitFor([&] {
    test_support::MouseButton(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    Sleep(200);
    int32_t y = -1;
    env_.OnUi([&] { y = form_->page_list()->GetScrollPos().cy; });
    return y == 0 && Highlighted() == OnlyTab(0);
  }));
  EXPECT_EQ(answers_.count, 0);
}

// Esc and Enter in the download speed field only commit the number, clamped,
// into the edited copy; the window stays open until a second Esc cancels it,
// which leaves the live settings and the file alone.
TEST_F(SettingFormTest, EscAndEnterInTheSpeedFieldCommitAndKeepTheWindow) {
  ASSERT_TRUE(Open());
  Foreground();
  auto* field = Find<ui::RichEdit>(L"text_speed");
  ASSERT_NE(field, nullptr);
  ScrollIntoView(field);
  const struct {
    const wchar_t* typed;
    WORD key;
    const wchar_t* shown;  // while typing
    const wchar_t* left;   // after the key
    int value;
  } cases[] = {
      {L"5", VK_ESCAPE, L"5", L"100", 100},
      {L"20000", VK_RETURN, L"10240", L"10240", 10240},
      {L"", VK_ESCAPE, L"", L"100", 100},
      {L"99999999999", VK_RETURN, L"10240", L"10240", 10240},
      // The field takes digits only.
      {L"3q00", VK_ESCAPE, L"300", L"300", 300},
      {L"2048", VK_RETURN, L"2048", L"2048", 2048},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << "typed \"" << item.typed << "\"");
    ASSERT_TRUE(FocusField(field));
    env_.OnUi([&] { field->SetText(L""); });
    TypeText(item.typed);
    EXPECT_TRUE(WaitFor([&] { return FieldText(field) == item.shown; })) << FieldText(field);
    PressKey(item.key);
    EXPECT_TRUE(WaitFor([&] { return FocusName().empty(); }));
    EXPECT_TRUE(WaitFor([&] { return FieldText(field) == item.left; })) << FieldText(field);
    env_.OnUi([&] { EXPECT_EQ(form_->settings().downloadSpeed, item.value); });
    EXPECT_TRUE(IsWindowVisible(hwnd_));
    EXPECT_EQ(answers_.count, 0);
  }

  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitClosed());
  ASSERT_TRUE(WaitFor([this] { return answers_.count == 1; }));
  EXPECT_EQ(answers_.value, 0);
  EXPECT_EQ(LiveSettings().downloadSpeed, 777);
  EXPECT_EQ(GetFileAttributesW(env_file_.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Enter in the pre-download speed field commits the number and confirms the
// whole window: the settings are applied and saved.
TEST_F(SettingFormTest, EnterInThePreDownloadFieldConfirmsTheWindow) {
  ASSERT_TRUE(Open());
  Foreground();
  auto* field = Find<ui::RichEdit>(L"predlc_text_speed");
  ASSERT_NE(field, nullptr);
  ScrollIntoView(field);
  ASSERT_TRUE(FocusField(field));
  env_.OnUi([&] { field->SetText(L""); });
  TypeText(L"50");
  ASSERT_TRUE(WaitFor([&] { return FieldText(field) == L"50"; }));
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitClosed());
  ASSERT_TRUE(WaitFor([this] { return answers_.count == 1; }));
  EXPECT_EQ(answers_.value, 1);
  EXPECT_EQ(LiveSettings().predlcSpeed, 100);
  LauncherSettings saved;
  ASSERT_TRUE(SavedSettings(&saved));
  EXPECT_EQ(saved.predlcSpeed, 100);
  EXPECT_TRUE(saved.predlcLimit);
  EXPECT_EQ(saved.downloadSpeed, 777);
}

// The edits of the general page reach the live settings and the file only
// with Confirm; clicks during the closing fade answer nothing more.
TEST_F(SettingFormTest, ConfirmAppliesTheEditsOnceAndCancelDropsThem) {
  const auto edit = [this] {
    Click(L"option_trayicon");
    Click(L"option_off");
    Click(L"option_nolimit_speed");
    env_.OnUi([this] {
      EXPECT_TRUE(form_->settings().closeToHide);
      EXPECT_FALSE(form_->settings().autoUpdate);
      EXPECT_FALSE(form_->settings().downloadLimit);
      // Switched off, the field keeps its number.
      auto* field = dynamic_cast<ui::RichEdit*>(form_->FindControl(L"text_speed"));
      EXPECT_FALSE(field->IsEnabled());
      EXPECT_EQ(field->GetText(), L"777");
    });
  };

  ASSERT_TRUE(Open());
  edit();
  Click(L"btn_cancel");
  ASSERT_TRUE(WaitClosed());
  ASSERT_TRUE(WaitFor([this] { return answers_.count == 1; }));
  EXPECT_EQ(answers_.value, 0);
  LauncherSettings live = LiveSettings();
  EXPECT_FALSE(live.closeToHide);
  EXPECT_TRUE(live.autoUpdate);
  EXPECT_TRUE(live.downloadLimit);
  EXPECT_EQ(GetFileAttributesW(env_file_.c_str()), INVALID_FILE_ATTRIBUTES);

  answers_.count = 0;
  ASSERT_TRUE(Open());
  edit();
  env_.OnUi([this] {
    test_support::ClickControl(hwnd_, form_->FindControl(L"btn_confirm"));
    // During the fade: none of these answers or applies again.
    test_support::ClickControl(hwnd_, form_->FindControl(L"btn_cancel"));
    test_support::ClickControl(hwnd_, form_->FindControl(L"btn_close"));
    test_support::ClickControl(hwnd_, form_->FindControl(L"btn_confirm"));
    SendMessageW(hwnd_, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  ASSERT_TRUE(WaitClosed());
  env_.OnUi(nullptr);
  EXPECT_EQ(answers_.count, 1);
  EXPECT_EQ(answers_.value, 1);
  live = LiveSettings();
  EXPECT_TRUE(live.closeToHide);
  EXPECT_FALSE(live.autoUpdate);
  EXPECT_FALSE(live.downloadLimit);
  EXPECT_EQ(live.downloadSpeed, 777);
  LauncherSettings saved;
  ASSERT_TRUE(SavedSettings(&saved));
  EXPECT_TRUE(saved.closeToHide);
  EXPECT_FALSE(saved.autoUpdate);
  EXPECT_FALSE(saved.downloadLimit);
  EXPECT_EQ(saved.downloadSpeed, 777);
}

// The game folder picked on the resource page: one without the game is
// refused with an error box owned by the settings window; one with it is
// saved at once and stays even when the window is cancelled.
TEST_F(SettingFormTest, APickedGameFolderIsCheckedAndSavedAtOnce) {
  const std::wstring empty_folder = env_.dir().path() + L"\\NoGame";
  const std::wstring game_folder = env_.dir().path() + L"\\OtherGame";
  ASSERT_TRUE(MakeDirectoriesW(empty_folder));
  ASSERT_TRUE(MakeDirectoriesW(game_folder));
  ASSERT_TRUE(WriteStringToFileW(game_folder + L"\\TOVA.exe", "MZ"));
  ASSERT_TRUE(Open());
  const auto pick = [this](const std::wstring& folder) {
    Click(L"btn_find_game");
    HWND picker = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (picker = FindPicker(hwnd_)) != nullptr; }));
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageW(picker, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(picker); }));
  };

  pick(empty_folder);
  MsgBox* box = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    env_.OnUi([&] { box = dynamic_cast<MsgBox*>(test_support::FindFrameworkWindow(L"MsgBox")); });
    return box != nullptr && IsWindowVisible(box->GetHWND());
  }));
  const HWND box_hwnd = box->GetHWND();
  EXPECT_EQ(GetWindow(box_hwnd, GW_OWNER), hwnd_);
  EXPECT_FALSE(IsWindowEnabled(hwnd_));
  env_.OnUi([&] {
    auto* content = dynamic_cast<ui::LabelTemplate<ui::Control>*>(box->FindControl(L"content"));
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->GetText(), ui::LanguageStringTable::GetInstance()->GetStringById(
                                      L"STRING_ERROR_INVALID_GAME_PATH"));
  });
  EXPECT_EQ(LiveSettings().gamePath, game_folder_);
  PostMessageW(box_hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(box_hwnd); }));
  EXPECT_TRUE(IsWindowEnabled(hwnd_));

  pick(game_folder);
  ASSERT_TRUE(WaitFor([&] { return LiveSettings().gamePath == game_folder; }));
  env_.OnUi([&] {
    EXPECT_EQ(form_->settings().gamePath, game_folder);
    EXPECT_EQ(dynamic_cast<ui::LabelTemplate<ui::Control>*>(form_->FindControl(L"text_game_path"))
                  ->GetText(),
              game_folder);
  });
  LauncherSettings saved;
  ASSERT_TRUE(SavedSettings(&saved));
  EXPECT_EQ(saved.gamePath, game_folder);

  Click(L"btn_cancel");
  ASSERT_TRUE(WaitClosed());
  EXPECT_EQ(LiveSettings().gamePath, game_folder);
  env_.OnUi(nullptr);
  EXPECT_EQ(answers_.count, 1);
  EXPECT_EQ(answers_.value, 0);
}

// While a pass runs the folder choice, repair and the update buttons follow
// the engine's state each time the main window hears of a change.
TEST_F(SettingFormTest, PassStatesDisableRepairAndTheUpdateButtons) {
  ASSERT_TRUE(Open());
  const struct {
    const char* name;
    bool hasState;
    StateId id;
    UpdateMode mode;
    bool find;
    bool repair;
    bool update;
  } cases[] = {
      {"no state", false, StateId::None, UpdateMode::Game, true, true, true},
      {"game download", true, StateId::DownloadFiles, UpdateMode::Game, false, false, false},
      {"game prepare", true, StateId::Prepare, UpdateMode::Game, false, false, false},
      {"game ready", true, StateId::EnterGame, UpdateMode::Game, true, true, true},
      {"game error", true, StateId::Exception, UpdateMode::Game, true, true, true},
      {"launcher pass", true, StateId::RequestRemote, UpdateMode::Launcher, true, false, false},
      {"launcher error", true, StateId::Exception, UpdateMode::Launcher, true, false, false},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.name);
    SetState(item.hasState ? std::make_unique<test_support::RestingState>(item.id, item.mode)
                           : nullptr);
    SendMessageW(main_hwnd_, WM_STATE_CHANGED, 0, 0);
    env_.OnUi([&] {
      EXPECT_EQ(form_->FindControl(L"btn_find_game")->IsEnabled(), item.find);
      EXPECT_EQ(form_->FindControl(L"btn_repair_game")->IsEnabled(), item.repair);
      EXPECT_EQ(form_->FindControl(L"btn_launcher_update")->IsEnabled(), item.update);
      EXPECT_EQ(form_->FindControl(L"btn_game_update")->IsEnabled(), item.update);
    });
  }
  SetState(nullptr);
}

}  // namespace
