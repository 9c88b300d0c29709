// The main window's texts, jump links and notice page, with the real browser
// runtime on pages of the local page server. Web addresses the launcher hands
// to the shell reach the stand-in browser, which logs them; UI-click reports
// go to the fault host.
#include "launcher/windows/main_form.h"

#include <windows.h>

#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <json/json.h>

#include "base/json_util.h"
#include "base/string_util.h"
#include "base/thread_registry.h"
#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/cef_settings.h"
#include "launcher/core/language_table.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/windows/setting_form.h"
#include "tests/browser/runtime/page_url.h"
#include "tests/browser/thread_windows.h"
#include "tests/launcher/download/download_test_env.h"
#include "tests/launcher/windows/windows_test_env.h"
#include "tests/support/real_mouse.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/wait_for.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::PageUrl;
using test_support::WaitFor;
using test_support::WindowsTestEnv;

constexpr char kTrackPath[] = "/~t/track/json_track";
// The page server's pages are white; the window's body under a hidden view
// is dark gray.
constexpr DWORD kPageColour = 0xFFFFFF;

// Within a step of rounding: the view is drawn at alpha 254.
bool Near(DWORD pixel, DWORD rgb) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) -
                 static_cast<int>((rgb >> shift) & 0xFF)) > 3) {
      return false;
    }
  }
  return true;
}
// A scheme the stand-in browser is registered for that is no web address.
constexpr wchar_t kOtherScheme[] = L"launchertest";

std::wstring ExecutableFolder() {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring path(module);
  path.resize(path.find_last_of(L"\\/") + 1);
  return path;
}

// The open command of a scheme's addresses; "" when there is none.
std::wstring OpenCommand(const wchar_t* scheme) {
  wchar_t command[1024] = {};
  DWORD size = sizeof(command);
  const std::wstring key = std::wstring(scheme) + L"\\shell\\open\\command";
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command,
                   &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  return command;
}

// Makes `command` the open command of a scheme's addresses, for the whole
// prefix: this Wine takes the classes of HKEY_CLASSES_ROOT only.
bool SetOpenCommand(const wchar_t* scheme, const std::wstring& command) {
  const std::wstring key = std::wstring(scheme) + L"\\shell\\open\\command";
  if (command.empty()) return RegDeleteTreeW(HKEY_CLASSES_ROOT, scheme) == ERROR_SUCCESS;
  HKEY root = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, scheme, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegSetValueExW(root, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                 sizeof(wchar_t));
  RegCloseKey(root);
  return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

// The schemes the stand-in browser takes while the tests run; the last is no
// web address.
constexpr const wchar_t* kRecordedSchemes[] = {L"http", L"https", kOtherScheme};

Json::Value ParseBody(const Json::Value& request) {
  Json::Value body;
  std::string error;
  EXPECT_TRUE(ParseJson(request["body"].asString(), &body, &error)) << error;
  return body;
}

class MainFormContentTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WindowsTestEnv::Get();
    scratch_ = new test_support::ScratchDir();
    settings_ = new qoz_comp::CefSettings();
    // The runtime of the browser tests' "cef" folder, started as the launcher
    // starts it; the start-up thread's hidden window goes once it runs.
    qoz_comp::CefManager* manager = qoz_comp::CefManager::GetInstance();
    started_ = manager->PrepareCefEnvironmentIn(ExecutableFolder() + L"..\\..\\browser\\") &&
               manager->Initialize(scratch_->Child(L"data\\"), settings_);
    test_support::PumpUntilNoWindows();
    // The worker's download manager sends the UI reports to the fault host.
    test_support::RunOnThread(qbase::kMiscThreadId, [] {
      DownloadServiceSettings services;
      services.trackUrl = download_test::GetServers().faultUrl + kTrackPath + "?token=tok";
      DownloadManager::GetInstance().SetServiceSettings(services);
      DownloadManager::GetInstance().Init();
    });
    log_ = scratch_->Child(L"opened.log");
    const std::wstring recorder =
        L"\"" + test_support::HostPathInWine(URL_RECORDER_EXE) + L"\" \"" + log_ + L"\" \"%1\"";
    for (size_t i = 0; i < std::size(kRecordedSchemes); ++i) {
      saved_commands_[i] = OpenCommand(kRecordedSchemes[i]);
      recorder_registered_ = SetOpenCommand(kRecordedSchemes[i], recorder) && recorder_registered_;
    }
  }

  static void TearDownTestSuite() {
    for (size_t i = 0; i < std::size(kRecordedSchemes); ++i) {
      SetOpenCommand(kRecordedSchemes[i], saved_commands_[i]);
    }
    test_support::RunOnThread(qbase::kMiscThreadId,
                              [] { DownloadManager::GetInstance().Shutdown(); });
    qoz_comp::CefManager::GetInstance()->Shutdown();
    delete settings_;
    delete scratch_;
  }

  void SetUp() override {
    ASSERT_TRUE(env_.skin_open());
    ASSERT_TRUE(started_);
    ASSERT_TRUE(recorder_registered_);
    download_test::ResetFaultHost();
    DeleteFileW(log_.c_str());
    test_support::MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    env_.OnUi([this] {
      LauncherSettings settings = context_->GetSettings();
      settings.language = "ko";
      settings.closeToHide = false;
      context_->SetSettings(settings);
      context_->serviceSettings.ActivityURL.clear();
      context_->activityAddr.clear();
    });
  }

  void TearDown() override {
    env_.Reset();
    // The views' browsers close after their window.
    EXPECT_TRUE(WaitFor([this] {
      int count = -1;
      env_.OnUi([&] { count = qoz_comp::CefManager::GetInstance()->browser_count(); });
      return count == 0;
    }));
    env_.OnUi([this] {
      context_->jumpLinks.clear();
      context_->links.clear();
      context_->titles.clear();
      context_->gameVersionDisplay.clear();
      context_->serviceSettings.ActivityURL.clear();
      context_->activityAddr.clear();
    });
  }

  // The main window as the launcher's start-up makes it.
  void OpenForm() {
    ASSERT_TRUE(env_.OnUi([this] {
      form_ = new MainForm();
      hwnd_ = form_->Create(nullptr, L"Launcher", 0x00CE0000, 0, true, RECT{0, 0, 0, 0});
      ASSERT_NE(hwnd_, nullptr);
      form_->CenterWindow();
      form_->ShowWindow(true, true);
    }));
    ASSERT_TRUE(WaitFor([this] { return IsWindowVisible(hwnd_) != FALSE; }));
    env_.OnUi([this] {
      web_view_ = dynamic_cast<qoz_comp::CefControl*>(form_->FindControl(L"webview"));
      links_ = dynamic_cast<ui::Box*>(form_->FindControl(L"jump_links"));
    });
  }

  // The window's memory bitmap at a point of a control (its middle without
  // one), as 0xRRGGBB.
  DWORD PixelIn(ui::Control* control, POINT offset = {-1, -1}) {
    DWORD pixel = 0;
    env_.OnUi([&] {
      const RECT rect = control->GetPos();
      const POINT point = offset.x < 0
                              ? POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}
                              : POINT{rect.left + offset.x, rect.top + offset.y};
      pixel = test_support::WindowPixel(form_, point.x, point.y) & 0xFFFFFF;
    });
    return pixel;
  }

  bool ViewVisible() {
    bool visible = false;
    env_.OnUi([&] { visible = web_view_->IsVisible(); });
    return visible;
  }

  // A click of the real mouse at the middle of a control.
  void Click(ui::Control* control) {
    POINT point = {};
    env_.OnUi([&] {
      const RECT rect = control->GetPos();
      point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
      ClientToScreen(hwnd_, &point);
      SetForegroundWindow(hwnd_);
    });
    test_support::MoveMouseTo(point.x, point.y);
    Sleep(100);
    test_support::MouseButton(MOUSEEVENTF_LEFTDOWN);
    test_support::MouseButton(MOUSEEVENTF_LEFTUP);
  }

  // The addresses the stand-in browser was given, in order.
  static std::vector<std::string> Opened() {
    std::string bytes;
    std::vector<std::string> lines;
    if (!test_support::TryReadFileBytes(log_, &bytes)) return lines;
    std::istringstream text(bytes);
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  static bool WaitForOpened(size_t count) {
    return WaitFor([count] { return Opened().size() >= count; });
  }

  // The actions of the UI-click reports the fault host received, in order,
  // once `count` have come: queued reports go out one per call.
  std::vector<std::string> ReportedActions(size_t count) {
    std::vector<std::string> actions;
    WaitFor([&] {
      test_support::RunOnThread(qbase::kMiscThreadId,
                                [] { DownloadManager::GetInstance().SendQueuedReport(); });
      actions.clear();
      for (const Json::Value& request : download_test::FaultRequests(kTrackPath)) {
        const Json::Value body = ParseBody(request);
        if (body["uitype"].asString() == "community") actions.push_back(body["action"].asString());
      }
      return actions.size() >= count;
    });
    return actions;
  }

  // What the page server noted of the notice pages, by its own listing.
  static std::string PageServerLog() {
    return download_test::HttpsRequest(PageUrl("/logged"), "").body;
  }

  WindowsTestEnv& env_ = WindowsTestEnv::Get();
  LauncherContext* context_ = LauncherContext::GetInstance();
  MainForm* form_ = nullptr;  // deletes itself with its window
  HWND hwnd_ = nullptr;
  qoz_comp::CefControl* web_view_ = nullptr;
  ui::Box* links_ = nullptr;

  static test_support::ScratchDir* scratch_;
  static qoz_comp::CefSettings* settings_;
  static bool started_;
  static std::wstring log_;
  static bool recorder_registered_;
  static std::wstring saved_commands_[std::size(kRecordedSchemes)];
};

test_support::ScratchDir* MainFormContentTest::scratch_ = nullptr;
qoz_comp::CefSettings* MainFormContentTest::settings_ = nullptr;
bool MainFormContentTest::started_ = false;
std::wstring MainFormContentTest::log_;
bool MainFormContentTest::recorder_registered_ = true;
std::wstring MainFormContentTest::saved_commands_[std::size(kRecordedSchemes)];

TEST_F(MainFormContentTest, JumpLinksOpenTheirAddressAndReportTheirNameAndFollowTheLanguage) {
  env_.OnUi([this] {
    context_->jumpLinks = {
        {"../menu/img_icon_chat_normal.png", "../menu/img_icon_chat_hot.png", "STRING_SETTING",
         "Forum_Chat"},
        {"../menu/img_icon_faq_normal.png", "../menu/img_icon_faq_hot.png", "Questions", "FAQ"},
        // Its address went missing from the configuration.
        {"../menu/img_icon_video_normal.png", "../menu/img_icon_video_hot.png", "", "Forum_Gone"},
    };
    context_->links = {{"Forum_Chat", "https://chat.test/room?id=3"}, {"FAQ", "https://faq.test/"}};
    context_->titles = {{"title_main", L"CORVANDEL"}, {"title_sub", L"Far North"}};
    context_->gameVersionDisplay = "3.2.7";
  });
  OpenForm();
  ASSERT_NE(links_, nullptr);
  std::vector<ui::Control*> buttons;
  env_.OnUi([&] {
    for (int i = 0; i < links_->GetCount(); ++i) buttons.push_back(links_->GetItemAt(i));
    const auto text = [this](const wchar_t* name) {
      return dynamic_cast<ui::Label*>(form_->FindControl(name))->GetText();
    };
    EXPECT_EQ(text(L"text_title_main"), L"CORVANDEL");
    EXPECT_EQ(text(L"text_title_sub"), L"Far North");
    EXPECT_EQ(text(L"text_version"), L"3.2.7");
  });
  ASSERT_EQ(buttons.size(), 3u);
  // Laid out at the size of their images, in the configuration's order.
  ASSERT_TRUE(WaitFor([&] {
    bool placed = false;
    env_.OnUi([&] { placed = buttons[2]->GetPos().left > buttons[1]->GetPos().left; });
    return placed;
  }));
  env_.OnUi([&] {
    const char* const keys[] = {"Forum_Chat", "FAQ", "Forum_Gone"};
    for (size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_NE(dynamic_cast<ui::ButtonTemplate<ui::Control>*>(buttons[i]), nullptr);
      EXPECT_EQ(buttons[i]->GetUTF8DataID(), keys[i]);
      const RECT rect = buttons[i]->GetPos();
      EXPECT_EQ(rect.right - rect.left, 40) << i;
      EXPECT_EQ(rect.bottom - rect.top, 40) << i;
    }
    // A language key shows its text, a plain text as it stands, none none.
    const std::wstring setting =
        ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_SETTING");
    EXPECT_FALSE(setting.empty());
    EXPECT_EQ(buttons[0]->GetToolTipText(), setting);
    EXPECT_EQ(buttons[1]->GetToolTipText(), L"Questions");
    EXPECT_EQ(buttons[2]->GetToolTipText(), L"");
  });

  // Hovered, the button fades to its hot image: the speech bubble turns
  // gold.
  constexpr POINT kBubble = {20, 15};
  const DWORD normal = PixelIn(buttons[0], kBubble);
  Click(buttons[0]);
  EXPECT_TRUE(WaitFor([&] { return PixelIn(buttons[0], kBubble) != normal; }))
      << std::hex << normal;
  ASSERT_TRUE(WaitForOpened(1));
  Click(buttons[1]);
  ASSERT_TRUE(WaitForOpened(2));
  Click(buttons[2]);
  // Every click is reported; a forum link by its name alone.
  EXPECT_EQ(ReportedActions(3), (std::vector<std::string>{"chat", "faq", "gone"}));
  // The link without an address opened nothing.
  EXPECT_EQ(Opened(),
            (std::vector<std::string>{"https://chat.test/room?id=3", "https://faq.test/"}));

  // A language reload rebuilds the links and the header from the new
  // configuration.
  env_.OnUi([this] {
    context_->jumpLinks = {
        {"../menu/img_icon_board_normal.png", "../menu/img_icon_board_hot.png", "", "Forum_Board"}};
    context_->titles = {{"title_main", L"CORVANDEL TW"}};
  });
  SendMessageW(hwnd_, WM_LANGUAGE_RELOADED, 0, 0);
  env_.OnUi([this] {
    ASSERT_EQ(links_->GetCount(), 1);
    EXPECT_EQ(links_->GetItemAt(0)->GetUTF8DataID(), "Forum_Board");
    EXPECT_EQ(dynamic_cast<ui::Label*>(form_->FindControl(L"text_title_main"))->GetText(),
              L"CORVANDEL TW");
    EXPECT_EQ(dynamic_cast<ui::Label*>(form_->FindControl(L"text_title_sub"))->GetText(), L"");
  });
}

TEST_F(MainFormContentTest, TheNoticePageShowsOnceLoadedAndReloadsWithTheLanguage) {
  // Before the directory answered there is no address: the view stays hidden.
  OpenForm();
  ASSERT_NE(web_view_, nullptr);
  env_.OnUi([this] {
    EXPECT_TRUE(web_view_->IsTransparentPainting());
    EXPECT_EQ(web_view_->GetAlpha(), 254);
  });
  ASSERT_TRUE(WaitFor([this] {
    bool created = false;
    env_.OnUi([&] { created = static_cast<bool>(web_view_->GetBrowser()); });
    return created;
  }));
  EXPECT_FALSE(ViewVisible());
  EXPECT_FALSE(Near(PixelIn(web_view_), kPageColour));

  // The reply's address with the player's language, shown once loaded.
  env_.OnUi([this] { context_->activityAddr = PageUrl("/log/notice?id=7"); });
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  EXPECT_TRUE(WaitFor([this] { return Near(PixelIn(web_view_), kPageColour); }))
      << std::hex << PixelIn(web_view_);
  EXPECT_TRUE(ViewVisible());
  EXPECT_NE(PageServerLog().find("logged notice?id=7&lang=ko"), std::string::npos)
      << PageServerLog();

  // A content refresh loads it again in place, without hiding it first.
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  EXPECT_TRUE(ViewVisible());
  EXPECT_TRUE(WaitFor([] {
    return PageServerLog().find("notice?id=7&lang=ko notice?id=7&lang=ko") != std::string::npos;
  })) << PageServerLog();
  EXPECT_TRUE(ViewVisible());

  // A language reload loads the page again in place; without a language
  // code it asks for English.
  env_.OnUi([this] {
    LauncherSettings settings = context_->GetSettings();
    settings.language.clear();
    context_->SetSettings(settings);
  });
  SendMessageW(hwnd_, WM_LANGUAGE_RELOADED, 0, 0);
  EXPECT_TRUE(ViewVisible());
  EXPECT_TRUE(WaitFor([] {
    return PageServerLog().find("notice?id=7&lang=ko notice?id=7&lang=en") != std::string::npos;
  })) << PageServerLog();

  // An address gone again hides the view.
  env_.OnUi([this] { context_->activityAddr.clear(); });
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  EXPECT_TRUE(WaitFor([this] { return !ViewVisible(); }));
}

TEST_F(MainFormContentTest, PopUpsOpenInTheDefaultBrowserAndTheViewKeepsItsPage) {
  // A configured address is loaded as it is, with its developer tools in the
  // second view.
  const std::string page = PageUrl("/popup/open");
  env_.OnUi([&] { context_->serviceSettings.ActivityURL = page; });
  OpenForm();
  ASSERT_NE(web_view_, nullptr);
  ASSERT_TRUE(WaitFor([this] { return ViewVisible(); }));
  EXPECT_TRUE(WaitFor([this] {
    bool shown = false;
    env_.OnUi([&] { shown = web_view_->IsDevToolsShown(); });
    return shown;
  }));
  env_.OnUi([&] { EXPECT_EQ(qbase::WideToUtf8(web_view_->GetURL()), page); });

  // The page opens a window when clicked.
  Click(web_view_);
  ASSERT_TRUE(WaitForOpened(1));
  EXPECT_EQ(Opened()[0], PageUrl("/title/open"));
  env_.OnUi([&] { EXPECT_EQ(qbase::WideToUtf8(web_view_->GetURL()), page); });

  // Nothing but a web address reaches the shell.
  env_.OnUi([this] {
    EXPECT_FALSE(form_->OnWebViewPopup(std::wstring(kOtherScheme) + L"://run"));
    EXPECT_FALSE(form_->OnWebViewPopup(L"https://after.test/"));
  });
  ASSERT_TRUE(WaitForOpened(2));
  EXPECT_EQ(Opened(), (std::vector<std::string>{PageUrl("/title/open"), "https://after.test/"}));
}

// A language picked in the settings window switches the main window only once
// that window has gone: the header's titles and the jump links come from the
// channel configuration of the new language, and the page asks for it.
TEST_F(MainFormContentTest, ALanguagePickedInTheSettingsSwitchesTheWindowOnceTheyClose) {
  const int taiwan =
      static_cast<int>(std::find_if(std::begin(kLanguageCodes), std::end(kLanguageCodes),
                                    [](const char* code) { return std::string(code) == "zh_TW"; }) -
                       std::begin(kLanguageCodes));
  ASSERT_LT(taiwan, kLanguageCount);
  size_t english_links = 0;
  env_.OnUi([&] {
    LauncherSettings settings = context_->GetSettings();
    settings.languageType = 0;
    settings.language = "en";
    context_->SetSettings(settings);
    ASSERT_TRUE(context_->LoadChannelConfig());
    english_links = context_->jumpLinks.size();
    context_->activityAddr = PageUrl("/log/notice?id=9");
  });
  OpenForm();
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  ASSERT_TRUE(WaitFor([] {
    return PageServerLog().find("notice?id=9&lang=en") != std::string::npos;
  })) << PageServerLog();
  const auto sub_title = [this] {
    std::wstring text;
    env_.OnUi(
        [&] { text = dynamic_cast<ui::Label*>(form_->FindControl(L"text_title_sub"))->GetText(); });
    return text;
  };
  EXPECT_EQ(sub_title(), L"Taiwan, Hong Kong and Macau");

  // The settings window applies the language while it is open.
  SettingForm* settings_form = nullptr;
  env_.OnUi([&] {
    settings_form = new SettingForm();
    ASSERT_TRUE(settings_form->ShowOwned(form_, [](int32_t) {}));
    LauncherSettings edited = context_->GetSettings();
    edited.languageType = taiwan;
    context_->ApplySettings(edited);
    EXPECT_TRUE(context_->languageChanged);
    EXPECT_EQ(context_->GetSettings().language, "zh_TW");
  });
  const HWND settings_hwnd = settings_form->GetHWND();
  // Whatever the main window handles meanwhile, nothing switches.
  SendMessageW(hwnd_, WM_REFRESH_CONTENT, 0, 0);
  ASSERT_TRUE(
      WaitFor([] { return PageServerLog().find("notice?id=9&lang=zh_TW") != std::string::npos; }));
  env_.OnUi([] {});
  env_.OnUi([&] {
    EXPECT_EQ(ui::GlobalManager::language, L"en");
    EXPECT_TRUE(context_->languageChanged);
  });
  EXPECT_EQ(sub_title(), L"Taiwan, Hong Kong and Macau");

  env_.OnUi([&] { settings_form->Close(0); });
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(settings_hwnd); }));
  EXPECT_TRUE(WaitFor([&] { return sub_title() == L"台港澳版"; }))
      << qbase::WideToUtf8(sub_title());
  env_.OnUi([&] {
    EXPECT_EQ(ui::GlobalManager::language, L"zh_TW");
    EXPECT_FALSE(context_->languageChanged);
    // The links were built again from the new language's list.
    ASSERT_EQ(static_cast<size_t>(links_->GetCount()), context_->jumpLinks.size());
    for (size_t i = 0; i < context_->jumpLinks.size(); ++i) {
      EXPECT_EQ(links_->GetItemAt(static_cast<int>(i))->GetUTF8DataID(),
                context_->jumpLinks[i].linkName);
    }
  });
  EXPECT_NE(english_links, 0u);
  // The page was asked for again in the new language after the switch.
  EXPECT_TRUE(WaitFor([] {
    const std::string log = PageServerLog();
    return log.find("notice?id=9&lang=zh_TW notice?id=9&lang=zh_TW") != std::string::npos;
  })) << PageServerLog();
  EXPECT_TRUE(ViewVisible());

  // Back to English for the other tests of this program.
  env_.OnUi([&] {
    LauncherSettings settings = context_->GetSettings();
    settings.languageType = 0;
    settings.language = "en";
    context_->SetSettings(settings);
    context_->SwitchLanguage(L"en");
  });
}

}  // namespace
