#include "launcher/windows/main_form.h"

#include <string>
#include <utility>
#include <vector>

#include "base/string_util.h"
#include "base/thread_registry.h"
#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"
#include "launcher/core/dialog_requests.h"
#include "launcher/core/exit_requested.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/cef_dummy_control.h"
#include "launcher/windows/framework_window.h"
#include "launcher/windows/setting_form.h"

namespace {

constexpr WORD kIconResource = 107;
constexpr wchar_t kSettingFormClass[] = L"SettingForm";

// A pass runs while the current state is one of the first six.
bool IsPassState(const State& state) {
  const int32_t id = static_cast<int32_t>(state.GetId());
  return id >= static_cast<int32_t>(StateId::Prepare) &&
         id <= static_cast<int32_t>(StateId::ApplyUpdate);
}

// No pass runs: no state, or a game-pass state that is not one of a pass.
bool IsEngineIdle(const LauncherContext& context) {
  const State* state = context.currentState.get();
  return state == nullptr || (state->mode() != UpdateMode::Launcher && !IsPassState(*state));
}

HICON LoadWindowIcon(int size_metric_x, int size_metric_y) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource),
                                       IMAGE_ICON, GetSystemMetrics(size_metric_x),
                                       GetSystemMetrics(size_metric_y), LR_SHARED));
}

}  // namespace

MainForm::MainForm(BalloonEffects balloon_effects) : balloon_effects_(balloon_effects) {}

MainForm::~MainForm() = default;

ui::Control* MainForm::CreateControl(const std::wstring& class_name) {
  if (class_name != L"CefControl") return nullptr;
  qoz_comp::CefManager* manager = qoz_comp::CefManager::GetInstance();
  // Without the runtime the layout keeps its place with an empty control.
  if (!manager->IsInitialized()) return new MainComponents::CefDummyControl();
  if (!manager->IsOffscreenRendering()) return new qoz_comp::CefNativeControl();
  auto* control = new qoz_comp::CefControl();
  control->SetTransparentPainting(true);
  // Below opaque, the control's drawing goes through the blended painting:
  // the page's own alpha then counts in the layered window.
  control->SetAlpha(254);
  control->Invalidate();
  return control;
}

void MainForm::InitWindow() {
  const HWND hwnd = GetHWND();
  SendMessageW(hwnd, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadWindowIcon(SM_CXICON, SM_CYICON)));
  SendMessageW(hwnd, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadWindowIcon(SM_CXSMICON, SM_CYSMICON)));

  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AddBubbledEventHandler(ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) {
                                   return OnSettingsClick(args);
                                 }));
  }
  close_button_ = dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_close"));
  if (close_button_) {
    close_button_->AddEventHandler(ui::kEventClick,
                                   [this](ui::EventArgs* args) { return OnCloseClick(args); });
  }
  BindTitles();
  BindPosters();
  BindNews();
  BindGamePanel();
  BindPreDownloadPages();
  poster_frame_ = dynamic_cast<ui::Box*>(FindControl(L"poster_frame"));
  BindWebView();
  jump_link_box_ = dynamic_cast<ui::HBox*>(FindControl(L"jump_links"));
  RefreshJumpLinks();

  LauncherContext::GetInstance()->SetMainWindow(hwnd);

  taskbar_created_message_ = RegisterWindowMessageW(L"TaskbarCreated");
  tray_icon_ = std::make_unique<TrayIcon>(balloon_effects_);
  SetPropW(hwnd, kTrayProperty, tray_icon_.get());
  tray_icon_->Create(hwnd, L"");
}

bool MainForm::OnCloseClick(ui::EventArgs* args) {
  if (args->pSender && args->pSender->GetName() == L"btn_close") RequestClose();
  return true;
}

void MainForm::RequestClose() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (context->settings.closeToHide ||
      (IsEngineIdle(*context) && context->preDownloadState == nullptr)) {
    ApplyCloseBehaviour();
    return;
  }
  context->ShowMessageBox(nullptr, L"STRING_NOTICE", L"STRING_CLOSE_CONFIRM_FOR_DOWNLOAD",
                          L"STRING_CANCEL", L"STRING_CONFIRM",
                          ToWeakCallback([this](DialogResult result) {
                            if (result == DialogResult::Ok) ApplyCloseBehaviour();
                          }),
                          true);
}

void MainForm::ApplyCloseBehaviour() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (context->firstRun && context->askCloseChoice) {
    // Asked at most once a run.
    context->askCloseChoice = false;
    context->ShowOptionsBox(L"STRING_SHUT_OPTION_NOTICE", L"shutdown_options",
                            {L"STRING_SHUT_OPTION_TRAYICON", L"STRING_SHUT_OPTION_EXIT"},
                            L"STRING_CONFIRM",
                            ToWeakCallback([this](int32_t index) { OnShutdownChoice(index); }));
    return;
  }
  SendMessageW(GetHWND(), context->settings.closeToHide ? WM_HIDE_LAUNCHER : WM_EXIT_LAUNCHER, 0,
               0);
}

void MainForm::OnShutdownChoice(int32_t index) {
  constexpr int32_t kExitChoice = 1;
  LauncherContext* context = LauncherContext::GetInstance();
  LauncherSettings settings = context->GetSettings();
  settings.closeToHide = index != kExitChoice;
  context->SetSettings(settings);
  context->SaveEnvConfig();
  context->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  SendMessageW(GetHWND(), index == kExitChoice ? WM_EXIT_LAUNCHER : WM_HIDE_LAUNCHER, 0, 0);
}

LRESULT MainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LauncherContext* context = LauncherContext::GetInstance();
  if (taskbar_created_message_ != 0 && message == taskbar_created_message_) {
    if (tray_icon_) tray_icon_->AddAgain();
    return 0;
  }
  switch (message) {
    case WM_TRAY_NOTIFY:
      if (tray_icon_) tray_icon_->OnNotify(lparam);
      return 0;
    case WM_COMMAND:
      if (tray_icon_ && tray_icon_->OnCommand(LOWORD(wparam))) return 0;
      break;
    case WM_COPYDATA:
      if (tray_icon_) tray_icon_->ShowBalloon(reinterpret_cast<const COPYDATASTRUCT*>(lparam));
      return 0;
    case WM_SHOW_LAUNCHER:
      OnShowLauncher(wparam, lparam);
      return 0;
    case WM_HIDE_LAUNCHER:
      OnHideLauncher();
      return 0;
    case WM_EXIT_LAUNCHER:
      // A running patch stops at its next check.
      ExitRequested = true;
      Close(0);
      return 0;
    case WM_STATE_CHANGED:
      OnStateChanged();
      return 0;
    case WM_HOVER_REGIONS_CLEAR:
      return 0;
    case WM_CHECK_PROGRESS:
      OnCheckProgress(wparam, lparam);
      return 0;
    case WM_DOWNLOAD_SPEED:
    case WM_DOWNLOAD_PROGRESS:
    case WM_DOWNLOAD_PAUSED:
      OnDownloadMessage(message, wparam, lparam);
      return 0;
    case WM_LANGUAGE_RELOADED:
      RefreshTitles();
      RefreshPosters();
      RefreshNews();
      RefreshWebView();
      RefreshGameButton();
      OnLanguageReloadedPreDownload();
      RefreshJumpLinks();
      return 0;
    case WM_REFRESH_CONTENT:
      RefreshPosters();
      RefreshNews();
      RefreshWebView();
      return 0;
    case WM_REFRESH_GAME_BUTTON:
      RefreshGameButton();
      return 0;
    case WM_PREDOWNLOAD_STATUS:
      OnPreDownloadStatus(wparam, lparam);
      return 0;
    case WM_PREDOWNLOAD_TICK:
      OnPreDownloadTick();
      return 0;
    case WM_GAME_REGISTER:
      context->RegisterGameWindow(reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_GAME_QUERY_PREDOWNLOAD:
    case WM_GAME_QUERY_PROGRESS:
    case WM_GAME_QUERY_SPEED:
      AnswerGameQuery(message);
      return 0;
    case WM_GAME_PING:
      context->SendToGameWindows(WM_GAME_PING, 0, 0);
      return 0;
    case WM_TOP_WINDOW_CHANGED:
      OnTopWindowChanged();
      return 0;
    default:
      break;
  }
  return ui::WindowImplBase::HandleMessage(message, wparam, lparam);
}

void MainForm::OnShowLauncher(WPARAM wparam, LPARAM lparam) {
  const HWND hwnd = GetHWND();
  ::ShowWindow(hwnd, IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd);
  if (close_button_) {
    // The button may still look hot from the click that hid the window.
    close_button_->SetHotAlpha(0);
    close_button_->SetState(ui::kControlStateNormal);
    close_button_->Invalidate();
  }
  if (wparam != 1 && wparam != 2) return;
  LauncherContext* context = LauncherContext::GetInstance();
  if (!IsEngineIdle(*context)) return;
  if (wparam == 1) {
    context->StartGamePass(lparam == 1, false);
  } else {
    context->StartLauncherPass();
  }
}

void MainForm::OnHideLauncher() {
  // An open settings window is cancelled first.
  if (HWND settings = FindWindowW(kSettingFormClass, nullptr)) {
    SendMessageW(settings, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  ::ShowWindow(GetHWND(), SW_HIDE);
}

void MainForm::OnStateChanged() {
  RefreshTitles();
  RefreshGameButton();
  if (version_label_) {
    version_label_->SetText(qbase::Utf8ToWide(LauncherContext::GetInstance()->gameVersionDisplay));
  }
  RefreshOpenSettingPages();
}

void MainForm::OnDownloadMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (RoutePreDownloadMessage(message, wparam, lparam)) return;
  if (game_button_ && asset_tabs_) OnAssetDownloadMessage(message, wparam, lparam);
}

bool MainForm::OnSettingsClick(ui::EventArgs* args) {
  if (args->pSender == nullptr || args->pSender->GetName() != L"btn_settings") return true;
  auto* form = new SettingForm();
  auto_update_blocked_at_settings_ = !IsAutoUpdateAllowed();
  form->ShowOwned(this, ToWeakCallback([this](int32_t result) { OnSettingsClosed(result); }));
  return true;
}

void MainForm::OnSettingsClosed(int32_t result) {
  if (result != static_cast<int32_t>(DialogResult::Ok) || !auto_update_blocked_at_settings_) return;
  // Settings that newly allow the automatic update let it start now.
  if (IsAutoUpdateAllowed()) RefreshGameButton();
}

bool MainForm::IsAutoUpdateAllowed() {
  LauncherContext* context = LauncherContext::GetInstance();
  return context->GetSettings().autoUpdate && !context->errorShown && !context->messageBoxOpen &&
         !context->IsGameRunning();
}

void MainForm::RefreshOpenSettingPages() {
  auto* form =
      dynamic_cast<SettingForm*>(FindFrameworkWindow(FindWindowW(kSettingFormClass, nullptr)));
  if (form) form->RefreshPages();
}

void MainForm::OnTopWindowChanged() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (!context->languageChanged) return;
  context->languageChanged = false;
  std::wstring language;
  qbase::MultiByteToWide(context->settings.language, qbase::kCodePageAnsi, &language);
  qbase::ThreadRegistry::PostTask(qbase::kMainThreadId,
                                  [context, language] { context->SwitchLanguage(language); });
}

LRESULT MainForm::OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (wparam != SC_CLOSE) return ui::WindowImplBase::OnSysCommand(message, wparam, lparam, handled);
  RequestClose();
  return 0;
}

LRESULT MainForm::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
  close_button_ = nullptr;
  title_label_ = nullptr;
  version_label_ = nullptr;
  main_title_label_ = nullptr;
  sub_title_label_ = nullptr;
  ClearPosters();
  scroll_left_button_ = nullptr;
  scroll_right_button_ = nullptr;
  poster_pages_ = nullptr;
  poster_dots_ = nullptr;
  ClearNews();
  news_tab_labels_ = nullptr;
  news_tab_pages_ = nullptr;
  UnbindGamePanel();
  UnbindPreDownloadPages();
  if (poster_frame_) {
    while (poster_frame_->GetCount() > 0) poster_frame_->RemoveAt(0);
  }
  poster_frame_ = nullptr;
  qoz_comp::CefManager::GetInstance()->QuitWhenBrowsersClosed(0);
  web_view_ = nullptr;
  debug_web_view_ = nullptr;
  if (jump_link_box_) jump_link_box_->RemoveAll();
  jump_link_box_ = nullptr;

  const HWND hwnd = GetHWND();
  if (tray_icon_) {
    tray_icon_->Destroy();
    tray_icon_.reset();
  }
  RemovePropW(hwnd, kTrayProperty);
  LauncherContext::GetInstance()->SetMainWindow(nullptr);
  PostQuitMessage(0);
  // The default handling destroys the window.
  handled = false;
  return 0;
}
