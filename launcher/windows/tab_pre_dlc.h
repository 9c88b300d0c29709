#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/weak_callback.h"
#include "ui/box/box.h"
#include "ui/box/tab_box.h"
#include "ui/control/button.h"
#include "ui/control/label.h"
#include "ui/control/progress.h"
#include "ui/core/events.h"

class PreDlcPopupForm;

// What the game is told of the pre-download (WM_GAME_PREDOWNLOAD_STATE's
// lParam).
enum class PreDownloadGameState : int32_t {
  None = 0,         // nothing offered
  Offered = 1,      // the offer page shows
  Held = 2,         // a pass is busy, the transfers are paused or reset
  Downloading = 3,  // checking or downloading
  Finished = 4,
};

// A pass is busy while the current state checks, downloads or applies the
// game's own files; asking for patches does not count.
bool IsUpdatePassBusy();
// The download manager holds its transfers.
bool AreDownloadsPaused();

// The panel's texts.
// "42%", or "%42" in Turkish, where the sign stands before the number.
std::wstring FormatPercentText(int32_t percent, int language_type);
// "( 1.00M/ 2.00G)" of the bytes done and the bytes in all.
std::wstring FormatProgressSizeText(int64_t done, int64_t total);
// "500.00KB/S" of a speed in bytes per second, read as unsigned 32 bits.
std::wstring FormatSpeedText(int32_t bytes_per_second);

namespace MainComponents {

// A page of the main window's pre-download widget ("tab_predlc"); this base is
// the empty page. The page box owns its controls; the pages keep plain
// pointers to them, forgotten by Unbind before the page leaves the widget.
class TabPreDlc : public ui::VBox {
 public:
  // The widget's tab box, set before the page is filled and added.
  void SetTabBox(ui::TabBox* tab_box) { tab_box_ = tab_box; }

  // Finds the page's controls and sets their first state. The framework also
  // calls it when the page joins the window; only the first call acts.
  void Init() override;
  // Forgets the control pointers before the page is removed.
  virtual void Unbind() {}
  // `arg` comes from WM_PREDOWNLOAD_STATUS, or is kLanguageRefresh after a
  // language change.
  virtual void Refresh(int32_t /*arg*/) {}
  // Tells the game's windows the page's state.
  virtual void ReportToGame();

  static constexpr int32_t kLanguageRefresh = -11;

 protected:
  // The first Init.
  virtual void Bind() {}
  void SendStateToGame(PreDownloadGameState state);

  // The control named `name` in this page's own tree: the pages share names,
  // and the window's name map keeps one control per name.
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
  // The button's class, keeping the fixed size it has whatever the class
  // names.
  static void ApplyButtonClass(ui::Button* button, const wchar_t* class_name);
  // The busy notice: a pass is updating the game.
  void ShowBusyNotice();

  ui::TabBox* tab_box_ = nullptr;  // the widget, which owns the page

 private:
  bool bound_ = false;
};

// The offer: the download button beside a hint, which clicks the button too.
class TabPreDlcBefore : public TabPreDlc {
 public:
  void Unbind() override;
  void Refresh(int32_t arg) override;
  void ReportToGame() override;

 protected:
  void Bind() override;

 private:
  bool OnDownloadClick(ui::EventArgs* args);
  bool OnHintClick(ui::EventArgs* args);
  // The confirmation dialog's answer: 1 starts, 0 does nothing.
  void OnDialogAnswer(int32_t answer);
  void StartPreDownload();

  ui::Label* info_label_ = nullptr;
  ui::Button* download_button_ = nullptr;
  ui::VBox* hint_box_ = nullptr;
};

// The running pre-download: pause/continue button, status title with
// animated dots, percentage and bar; resting the mouse on the hint opens a
// pop-up with size, remaining time and speed.
class TabPreDlcDownload : public TabPreDlc {
 public:
  TabPreDlcDownload();
  ~TabPreDlcDownload() override;

  void Unbind() override;
  void Refresh(int32_t arg) override;
  void ReportToGame() override;

  // WM_DOWNLOAD_PROGRESS: only the numbers are kept when done exceeds total.
  void SetProgress(int64_t total, int64_t done);
  // WM_DOWNLOAD_SPEED.
  void SetSpeed(int32_t seconds, int32_t bytes_per_second);
  // WM_DOWNLOAD_PAUSED: lParam exactly 1 means paused.
  void OnPausedChanged(int64_t paused);
  // Every 500 ms while the page is shown: the title's dots move on.
  void Tick();

  PreDownloadGameState GameState() const;
  // The open pop-up, or null; the pop-up may also close on its own (Alt+F4,
  // the main window going first), which this notices.
  PreDlcPopupForm* popup() const;
  void ClosePopup();

  int32_t stage() const { return stage_; }
  int64_t total() const { return total_; }
  int64_t done() const { return done_; }
  int32_t remaining_seconds() const { return remaining_seconds_; }
  int32_t bytes_per_second() const { return bytes_per_second_; }
  const std::wstring& size_text() const { return size_text_; }
  const std::wstring& time_text() const { return time_text_; }
  const std::wstring& speed_text() const { return speed_text_; }

 protected:
  void Bind() override;

 private:
  bool OnControlClick(ui::EventArgs* args);
  bool IsInHint(const ui::Control* control) const;
  void OpenPopup();
  void ResetSpeed();
  void RefreshPercent();
  // The title as the stage reads, followed by `dots` dots.
  void ShowStageTitle(int32_t dots);

  // 0 while the files are checked, non-zero while downloading, -1 paused or
  // reset.
  int32_t stage_ = 0;
  int32_t saved_stage_ = 0;
  ui::Label* title_label_ = nullptr;
  ui::Label* info_label_ = nullptr;
  ui::Progress* progress_ = nullptr;
  ui::Button* control_button_ = nullptr;
  ui::VBox* hint_box_ = nullptr;
  // Deletes itself with its window; valid while popup_alive_ holds.
  PreDlcPopupForm* popup_ = nullptr;
  std::weak_ptr<qbase::WeakFlag> popup_alive_;
  int32_t dot_count_ = 0;
  std::wstring size_text_ = L"(--/--)";
  std::wstring time_text_ = L"--:--:--";
  std::wstring speed_text_ = L"0KB/S";
  int64_t total_ = 0;
  int64_t done_ = 0;
  int32_t remaining_seconds_ = 0;
  int32_t bytes_per_second_ = 0;
};

// The finished pre-download.
class TabPreDlcFinish : public TabPreDlc {
 public:
  void Unbind() override { info_label_ = nullptr; }
  void Refresh(int32_t arg) override;
  void ReportToGame() override;

 protected:
  void Bind() override;

 private:
  ui::Label* info_label_ = nullptr;
};

}  // namespace MainComponents
