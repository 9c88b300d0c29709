#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "launcher/windows/tray_icon.h"
#include "ui/box/box.h"
#include "ui/box/tab_box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/window_impl_base.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

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

 protected:
  LRESULT OnClose(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;
  LRESULT OnSysCommand(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

 private:
  void OnShowLauncher(WPARAM wparam, LPARAM lparam);
  void OnHideLauncher();
  void OnStateChanged();
  void OnTopWindowChanged();
  void OnShutdownChoice(int32_t index);
  bool OnCloseClick(ui::EventArgs* args);

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
  ui::Box* poster_frame_ = nullptr;
  ui::TabBox* pre_download_tabs_ = nullptr;
  ui::HBox* jump_link_box_ = nullptr;
  std::unique_ptr<TrayIcon> tray_icon_;
  // The shell's message after it restarted; its icons must be added again.
  UINT taskbar_created_message_ = 0;
};
