#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/time_ticks.h"
#include "browser/cef_control_base.h"
#include "launcher/windows/tray_icon.h"
#include "ui/box/box.h"
#include "ui/control/list_box.h"
#include "ui/box/tab_box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/window_impl_base.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

namespace MainComponents {
class TabAsset;
class TabPreDlc;
class TabPreDlcDownload;
}  // namespace MainComponents

// The launcher's main window ("Launcher"): title row, header, notice page,
// install/progress panel with the game button and the jump links. It receives
// the launcher's window messages from the worker, a second instance, the
// shell and the game, owns the tray icon and decides what closing does. Made
// with new on the UI thread at start-up; deletes itself with its window.
class MainForm : public ui::WindowImplBase {
 public:
  // The window property that holds the tray icon record's address.
  static constexpr wchar_t kTrayProperty[] = L"NotifyTrayData";

  explicit MainForm(BalloonEffects balloon_effects = BalloonEffects());
  ~MainForm() override;

  std::wstring GetWindowClassName() const override { return L"Launcher"; }
  std::wstring GetSkinFolder() override { return L"main"; }
  std::wstring GetSkinFile() override { return L"skin.xml"; }
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void InitWindow() override;
  ui::Control* CreateControl(const std::wstring& class_name) override;

  // The close button and the system close: hide or exit by the settings, but
  // ask first while an update or a pre-download runs.
  void RequestClose();
  // Hide or exit by the settings; on a first run the first close asks once
  // which of the two the player wants.
  void ApplyCloseBehaviour();

  TrayIcon* tray_icon() const { return tray_icon_.get(); }

  // The install/progress panel and the game button.
  void BindGamePanel();
  void RefreshGameButton();
  bool OnGameButtonClick(ui::EventArgs* args);
  void OnCheckProgress(WPARAM wparam, LPARAM lparam);

  // The poster carousel.
  void BindPosters();
  void RefreshPosters();
  void ClearPosters();
  void SelectPoster(int32_t index, bool animate);
  void ShowNextPoster();
  void OnPosterTimer();
  bool OnPosterDotSelect(ui::EventArgs* args);
  bool OnScrollLeftClick(ui::EventArgs* args);
  bool OnScrollRightClick(ui::EventArgs* args);

  // The news list.
  void BindNews();
  void RefreshNews();
  void ClearNews();
  void SelectNewsTab(int32_t index);
  bool OnNewsTabEvent(ui::EventArgs* args);

  // The title row, the header, the notice page and the jump links.
  void BindTitles();
  void RefreshTitles();
  void BindWebView();
  void RefreshWebView();
  void OnWebViewLoadEnd(int status);
  bool OnWebViewPopup(const std::wstring& url);
  void RefreshJumpLinks();
  bool OnJumpLinkClick(ui::EventArgs* args);

  // The pre-download widget.
  void BindPreDownloadPages();
  void OnPreDownloadStatus(WPARAM page, LPARAM value);

 protected:
  LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  // The period of the carousel's automatic advance, 2 s.
  virtual qbase::TimeDelta GetPosterTickInterval() const;

 private:
  void OnShowLauncher(WPARAM wparam, LPARAM lparam);
  void OnHideLauncher();
  void OnStateChanged();
  void OnTopWindowChanged();
  void OnShutdownChoice(int32_t index);
  bool OnCloseClick(ui::EventArgs* args);
  bool OnSettingsClick(ui::EventArgs* args);
  void OnSettingsClosed(int32_t result);
  void RefreshOpenSettingPages();
  // An automatic update may start now: it is on, no error or box is shown and
  // the game is not running.
  static bool IsAutoUpdateAllowed();
  // Download progress, speed and pause: the pre-download widget's while it
  // transfers its files, else the install/progress panel's.
  void OnDownloadMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool RoutePreDownloadMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnAssetDownloadMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnPreDownloadTick();
  void OnLanguageReloadedPreDownload();
  void AnswerGameQuery(UINT message);
  void UnbindGamePanel();
  // The install/progress page shown now; null without the panel.
  MainComponents::TabAsset* ShownAssetPage() const;
  // The game button's half of WM_DOWNLOAD_PAUSED.
  void OnGameButtonPaused(bool paused);
  void UnbindPreDownloadPages();
  // The pre-download page shown now, and the same when it is the download
  // page; null without the widget.
  MainComponents::TabPreDlc* ShownPreDownloadPage() const;
  MainComponents::TabPreDlcDownload* ShownPreDownloadTransferPage() const;

  BalloonEffects balloon_effects_;
  // Controls of the window's tree, which owns them; null when the layout lacks
  // them.
  ui::ButtonTemplate<ui::Control>* close_button_ = nullptr;
  ui::LabelTemplate<ui::Control>* title_label_ = nullptr;
  ui::LabelTemplate<ui::Control>* version_label_ = nullptr;
  ui::LabelTemplate<ui::Control>* main_title_label_ = nullptr;
  ui::LabelTemplate<ui::Control>* sub_title_label_ = nullptr;
  ui::TabBox* asset_tabs_ = nullptr;
  ui::ButtonTemplate<ui::Control>* game_button_ = nullptr;
  std::wstring saved_game_button_text_id_;
  // The automatic update was not allowed when the settings window opened.
  bool auto_update_blocked_at_settings_ = false;
  // The carousel and the news list.
  ui::ListBox* poster_pages_ = nullptr;
  ui::ListBox* poster_dots_ = nullptr;
  ui::ButtonTemplate<ui::Control>* scroll_left_button_ = nullptr;
  ui::ButtonTemplate<ui::Control>* scroll_right_button_ = nullptr;
  int32_t poster_index_ = -1;
  // Written by the UI thread, counted down by the carousel's tick.
  std::atomic<int32_t> poster_hold_ticks_{-1};
  ui::ListBox* news_tab_labels_ = nullptr;
  ui::TabBox* news_tab_pages_ = nullptr;
  ui::Box* poster_frame_ = nullptr;
  ui::TabBox* pre_download_tabs_ = nullptr;
  ui::HBox* jump_link_box_ = nullptr;
  // The notice page and the view of its developer tools; owned by the tree.
  qoz_comp::CefControlBase* web_view_ = nullptr;
  qoz_comp::CefControlBase* debug_web_view_ = nullptr;
  std::unique_ptr<TrayIcon> tray_icon_;
  // The shell's message after it restarted; its icons must be added again.
  UINT taskbar_created_message_ = 0;
};
