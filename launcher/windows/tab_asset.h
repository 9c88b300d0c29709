#pragma once

#include <cstdint>
#include <string>

#include "ui/box/box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/progress.h"
#include "ui/core/events.h"

namespace MainComponents {

// A page of the main window's install/progress panel ("tab_assets"). The page
// box owns its controls; the pages keep plain pointers to them, forgotten by
// Unbind before the page leaves the panel. The plain page is the empty one
// shown while the engine rests.
class TabAsset : public ui::VBox {
 public:
  // Finds the page's controls once its layout is loaded and sets their first
  // state. The framework also calls it when the page joins the window, so it
  // may run more than once: a control gets its handler only the first time.
  void Init() override;
  // Forgets the control pointers before the page is removed.
  virtual void Unbind() {}
  // Re-applies the page's texts; the panel calls it on the shown page after
  // every game button refresh.
  virtual void Refresh() {}

 protected:
  // The control named `name` in this page's own tree (the window's name map
  // holds only one control per name, and the pages share names).
  template <typename T>
  T* FindInPage(const wchar_t* name) {
    const std::wstring wanted(name);
    ui::Control* found = FindControl(
        [&wanted](ui::Control* control, void*) -> ui::Control* {
          return control->GetName() == wanted ? control : nullptr;
        },
        nullptr, 0, {0, 0});
    return dynamic_cast<T*>(found);
  }
};

// The install page: the game folder and the button that opens the install
// path dialog.
class TabAssetSetup : public TabAsset {
 public:
  void Init() override;
  void Unbind() override;
  void Refresh() override;

  bool OnSetPathClick(ui::EventArgs* args);
  // The install path dialog's answer: 1 installs into the folder it stored,
  // without starting the game; 0 does nothing.
  void OnSetupPathResult(int32_t result);

 private:
  ui::Label* title_label_ = nullptr;
  ui::Label* path_label_ = nullptr;
  // Only to add its handler once.
  ui::Button* set_path_button_ = nullptr;
};

// The download page: what is downloading with its size, speed and remaining
// time, the progress bar and the pause/continue button.
class TabAssetDownload : public TabAsset {
 public:
  void Init() override;
  void Unbind() override;
  void Refresh() override;

  // WM_DOWNLOAD_PAUSED: lParam exactly 1 means paused, any other value
  // running again. Re-enables the button with the matching look.
  void OnPaused(int64_t lparam);
  // WM_DOWNLOAD_SPEED: remaining seconds and bytes per second.
  void SetSpeed(int32_t remaining_seconds, int64_t bytes_per_second);
  // WM_DOWNLOAD_PROGRESS; ignored when done exceeds total.
  void SetProgress(int64_t total_bytes, int64_t done_bytes);
  // WM_CHECK_PROGRESS while files are applied: the percent, the pause button
  // hidden.
  void ShowApplyProgress(int64_t percent);

  void RefreshSizeText();
  void RefreshSpeedText();
  void RefreshTimeText();

  ui::Label* info_label() const { return info_label_; }
  ui::Label* time_label() const { return time_label_; }
  ui::Label* speed_label() const { return speed_label_; }
  ui::Progress* progress() const { return progress_; }
  ui::Button* control_button() const { return control_button_; }

 private:
  bool OnControlClick(ui::EventArgs* args);

  ui::Label* info_label_ = nullptr;
  ui::Label* time_label_ = nullptr;
  ui::Label* speed_label_ = nullptr;
  ui::Progress* progress_ = nullptr;
  ui::Button* control_button_ = nullptr;
  int64_t total_bytes_ = 0;
  int64_t done_bytes_ = 0;
  double bytes_per_second_ = 0;
  int32_t remaining_seconds_ = 0;
  // Only to add its handler once.
  ui::Button* bound_button_ = nullptr;
};

// The check page: the count of items checked and the progress bar.
class TabAssetCheck : public TabAsset {
 public:
  void Init() override;
  void Unbind() override;

  // WM_CHECK_PROGRESS: a count pair (done in bits 0 to 15, total in bits 16
  // to 31) or 0, and the percent.
  void SetCheckProgress(uint64_t count_pair, int64_t percent);

  ui::Label* count_label() const { return count_label_; }
  ui::Progress* progress() const { return progress_; }

 private:
  ui::Label* count_label_ = nullptr;
  ui::Progress* progress_ = nullptr;
};

// What a game button click (or an install from the setup page) asks for; each
// sends its four reports.
enum class GameButtonAction : int32_t { Install = 0, Play = 1, Continue = 2, Update = 3 };
void ReportGameButtonAction(GameButtonAction action);

// The pages' numbers and texts, as plain functions of the engine's values.
// The size part of the info text: "12.50% ( 1.00M/ 8.00M)"; the Turkish
// language file wants the percent sign first ("%12.50 (...)").
std::wstring DownloadSizeText(int64_t done_bytes, int64_t total_bytes, bool percent_sign_first);
// "(3/5)" from a count pair, "" for 0.
std::wstring CheckCountText(uint64_t count_pair);
// The progress bar's percent for total and done bytes: 100 when total is not
// above 0.
double DownloadPercent(int64_t total_bytes, int64_t done_bytes);

}  // namespace MainComponents
