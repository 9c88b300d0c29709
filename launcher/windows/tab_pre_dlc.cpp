#include "launcher/windows/tab_pre_dlc.h"

#include <algorithm>
#include <iterator>

#include "launcher/core/duration_text.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/windows/panel_text.h"
#include "launcher/windows/pre_dlc_form.h"
#include "launcher/windows/pre_dlc_popup_form.h"
#include "ui/core/window.h"
#include "ui/resources/language_string_table.h"

namespace {

constexpr int kTurkishLanguage = 10;
constexpr int32_t kResetStage = -1;
constexpr UINT kPopupCloseCode = 1;

// `control` is `box` or lies inside it.
bool IsWithin(const ui::Control* control, const ui::Control* box) {
  for (; control != nullptr && box != nullptr; control = control->GetParent()) {
    if (control == box) return true;
  }
  return false;
}

std::wstring LanguageText(const wchar_t* key) {
  return ui::LanguageStringTable::GetInstance()->GetStringById(key);
}

}  // namespace

bool IsUpdatePassBusy() {
  const State* state = LauncherContext::GetInstance()->currentState.get();
  if (state == nullptr) return false;
  switch (state->GetId()) {
    case StateId::Prepare:
    case StateId::RequestRemote:
    case StateId::CheckVersion:
    case StateId::DownloadFiles:
    case StateId::ApplyUpdate:
      return true;
    default:
      return false;
  }
}

bool AreDownloadsPaused() { return DownloadManager::GetInstance().paused(); }

std::wstring FormatPercentText(int32_t percent, int language_type) {
  const std::wstring number = std::to_wstring(percent);
  return language_type == kTurkishLanguage ? L"%" + number : number + L"%";
}

std::wstring FormatProgressSizeText(int64_t done, int64_t total) {
  const auto bytes = [](int64_t value) {
    return static_cast<uint64_t>(std::max<int64_t>(value, 0));
  };
  return L"(" + FormatSizeText(bytes(done)) + L"/" + FormatSizeText(bytes(total)) + L")";
}

std::wstring FormatSpeedText(int32_t bytes_per_second) {
  return FormatSizeText(static_cast<uint32_t>(bytes_per_second)) + L"/S";
}

namespace MainComponents {

void TabPreDlc::Init() {
  ui::VBox::Init();
  if (bound_) return;
  bound_ = true;
  Bind();
}

void TabPreDlc::ReportToGame() { SendStateToGame(PreDownloadGameState::None); }

void TabPreDlc::SendStateToGame(PreDownloadGameState state) {
  LauncherContext::GetInstance()->SendToGameWindows(WM_GAME_PREDOWNLOAD_STATE, 0,
                                                    static_cast<LPARAM>(state));
}

void TabPreDlc::ApplyButtonClass(ui::Button* button, const wchar_t* class_name) {
  const int32_t width = button->GetFixedWidth();
  const int32_t height = button->GetFixedHeight();
  button->SetClass(class_name);
  button->SetFixedWidth(width, true, false);
  button->SetFixedHeight(height, false);
}

void TabPreDlc::ShowBusyNotice() {
  LauncherContext::GetInstance()->ShowMessageBox(GetWindow(), L"STRING_ERROR_NOTICE",
                                                 L"STRING_ERROR_DLC_OCCUPIED", L"",
                                                 L"STRING_CONFIRM", nullptr, false);
}

// The offer page.

void TabPreDlcBefore::Bind() {
  info_label_ = FindInPage<ui::Label>(L"text_info");
  download_button_ = FindInPage<ui::Button>(L"btn_download_ctrl");
  if (download_button_) {
    download_button_->AddEventHandler(
        ui::kEventClick, [this](ui::EventArgs* args) { return OnDownloadClick(args); });
  }
  hint_box_ = FindInPage<ui::VBox>(L"box_hint");
  if (hint_box_) {
    hint_box_->AddBubbledEventHandler(
        ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnHintClick(args); }));
  }
  Refresh(0);
}

void TabPreDlcBefore::Unbind() {
  info_label_ = nullptr;
  download_button_ = nullptr;
  hint_box_ = nullptr;
}

void TabPreDlcBefore::Refresh(int32_t) {
  if (info_label_ == nullptr || download_button_ == nullptr) return;
  download_button_->SetEnabled(true);
  // A pre-download that stopped half way is continued without asking again.
  if (LauncherContext::GetInstance()->IsPreDownloadInProgress()) {
    ApplyButtonClass(download_button_, L"btn_continue_predlc");
    info_label_->SetTextId(L"STRING_PREDLC_CONTINUE", true);
  } else {
    ApplyButtonClass(download_button_, L"btn_download_predlc");
    info_label_->SetTextId(L"STRING_PREDLC_BEFORE", true);
  }
}

void TabPreDlcBefore::ReportToGame() { SendStateToGame(PreDownloadGameState::Offered); }

bool TabPreDlcBefore::OnHintClick(ui::EventArgs* args) {
  if (download_button_ == nullptr || !IsWithin(args->pSender, hint_box_) ||
      !IsPointInWithScrollOffset(args->ptMouse)) {
    return true;
  }
  download_button_->Activate();
  return true;
}

bool TabPreDlcBefore::OnDownloadClick(ui::EventArgs*) {
  if (IsUpdatePassBusy()) {
    ShowBusyNotice();
    return true;
  }
  if (LauncherContext::GetInstance()->IsPreDownloadInProgress()) {
    StartPreDownload();
    return true;
  }
  auto* form = new PreDlcForm();
  // A form that could not be shown has deleted itself.
  form->Show(GetWindow(), ToWeakCallback([this](int32_t answer) { OnDialogAnswer(answer); }));
  return true;
}

void TabPreDlcBefore::OnDialogAnswer(int32_t answer) {
  if (answer != 1) return;
  // The dialog may have stayed open while a pass started.
  if (IsUpdatePassBusy()) {
    ShowBusyNotice();
    return;
  }
  StartPreDownload();
  LauncherContext::GetInstance()->ReportLauncherEvent("", "", "", "", "pre_install", false);
}

void TabPreDlcBefore::StartPreDownload() {
  // Enabled again by the next refresh, so that repeated clicks ask once.
  if (download_button_) download_button_->SetEnabled(false);
  LauncherContext* context = LauncherContext::GetInstance();
  context->preDownloadAutoStart = true;
  context->StartPreDownload();
}

// The download page.

TabPreDlcDownload::TabPreDlcDownload() = default;

TabPreDlcDownload::~TabPreDlcDownload() { ClosePopup(); }

void TabPreDlcDownload::Bind() {
  title_label_ = FindInPage<ui::Label>(L"text_title");
  info_label_ = FindInPage<ui::Label>(L"text_info");
  progress_ = FindInPage<ui::Progress>(L"progress");
  control_button_ = FindInPage<ui::Button>(L"btn_download_ctrl");
  hint_box_ = FindInPage<ui::VBox>(L"box_hint");
  if (title_label_) title_label_->SetText(LanguageText(L"STRING_CHECK_ASSET"));
  if (info_label_) info_label_->SetText(L"");
  if (progress_) progress_->SetValue(0);
  if (control_button_) {
    control_button_->AddEventHandler(ui::kEventClick,
                                     [this](ui::EventArgs* args) { return OnControlClick(args); });
  }
  if (hint_box_ == nullptr) return;
  hint_box_->AddBubbledEventHandler(ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) {
                                      if (control_button_ && IsInHint(args->pSender))
                                        control_button_->Activate();
                                      return true;
                                    }));
  hint_box_->AddBubbledEventHandler(ui::kEventMouseEnter,
                                    ToWeakCallback([this](ui::EventArgs* args) {
                                      if (IsInHint(args->pSender) && popup() == nullptr) {
                                        OpenPopup();
                                      }
                                      return true;
                                    }));
  hint_box_->AddBubbledEventHandler(
      ui::kEventMouseLeave, ToWeakCallback([this](ui::EventArgs* args) {
        // Moving between the hint's own parts is not leaving it.
        const ui::Window* window = GetWindow();
        if (IsInHint(args->pSender) && !(window && IsInHint(window->GetNewHover()))) {
          ClosePopup();
        }
        return true;
      }));
}

bool TabPreDlcDownload::IsInHint(const ui::Control* control) const {
  return IsWithin(control, hint_box_);
}

void TabPreDlcDownload::Unbind() {
  ClosePopup();
  stage_ = 0;
  saved_stage_ = 0;
  title_label_ = nullptr;
  info_label_ = nullptr;
  progress_ = nullptr;
  control_button_ = nullptr;
  hint_box_ = nullptr;
  dot_count_ = 0;
}

PreDlcPopupForm* TabPreDlcDownload::popup() const {
  return popup_alive_.expired() ? nullptr : popup_;
}

void TabPreDlcDownload::OpenPopup() {
  if (tab_box_ == nullptr) return;
  auto* form = new PreDlcPopupForm();
  popup_ = form;
  popup_alive_ = form->GetWeakFlag();
  form->ShowAt(tab_box_->GetPos(false), size_text_, time_text_, speed_text_);
  // A pop-up that could not be shown is gone already.
  if (popup() == nullptr) popup_ = nullptr;
}

void TabPreDlcDownload::ClosePopup() {
  if (PreDlcPopupForm* open = popup()) open->Close(kPopupCloseCode);
  popup_ = nullptr;
  popup_alive_.reset();
}

bool TabPreDlcDownload::OnControlClick(ui::EventArgs*) {
  if (IsUpdatePassBusy()) {
    ShowBusyNotice();
    return true;
  }
  // Enabled again by the answer (WM_DOWNLOAD_PAUSED or the next refresh), so
  // repeated clicks cannot queue several requests.
  if (control_button_) control_button_->SetEnabled(false);
  LauncherContext* context = LauncherContext::GetInstance();
  const State* pre_download = context->preDownloadState.get();
  if (pre_download && pre_download->IsDownloading()) {
    context->PauseDownloads();
    return true;
  }
  context->preDownloadPaused = false;
  context->preDownloadAutoStart = true;
  context->StartPreDownload();
  return true;
}

void TabPreDlcDownload::Refresh(int32_t arg) {
  if (control_button_ == nullptr) return;
  if (arg == kResetStage) {
    ResetSpeed();
    stage_ = saved_stage_ = kResetStage;
    control_button_->SetEnabled(true);
  } else if (arg == kLanguageRefresh) {
    RefreshPercent();
  } else {
    stage_ = saved_stage_ = arg;
    control_button_->SetEnabled(true);
  }
  if (IsUpdatePassBusy() || AreDownloadsPaused() || stage_ < 0) {
    ApplyButtonClass(control_button_, L"btn_continue_predlc");
    if (title_label_) title_label_->SetText(LanguageText(L"STRING_PREDLC_PAUSE"));
  } else {
    ApplyButtonClass(control_button_, L"btn_pause_predlc");
    ShowStageTitle(0);
  }
}

void TabPreDlcDownload::ShowStageTitle(int32_t dots) {
  if (title_label_ == nullptr) return;
  const wchar_t* key = stage_ != 0 ? L"STRING_PREDLC_DOWNLOAD" : L"STRING_CHECK_ASSET";
  title_label_->SetText(LanguageText(key) + std::wstring(static_cast<size_t>(dots), L'.'));
}

PreDownloadGameState TabPreDlcDownload::GameState() const {
  return IsUpdatePassBusy() || AreDownloadsPaused() || stage_ < 0
             ? PreDownloadGameState::Held
             : PreDownloadGameState::Downloading;
}

void TabPreDlcDownload::ReportToGame() { SendStateToGame(GameState()); }

void TabPreDlcDownload::ResetSpeed() {
  speed_text_ = L"0KB/S";
  time_text_ = L"--:--:--";
  if (PreDlcPopupForm* open = popup()) open->UpdateTexts(time_text_, speed_text_);
}

void TabPreDlcDownload::RefreshPercent() {
  if (info_label_ == nullptr || total_ <= 0) return;
  const int32_t percent =
      static_cast<int32_t>(static_cast<float>(done_) / static_cast<float>(total_) * 100.0f);
  info_label_->SetText(
      FormatPercentText(percent, LauncherContext::GetInstance()->GetSettings().languageType));
}

void TabPreDlcDownload::SetProgress(int64_t total, int64_t done) {
  total_ = total;
  done_ = done;
  if (done > total) return;
  const double ratio = total < 1 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  RefreshPercent();
  if (progress_) progress_->SetValue(ratio * 100.0);
  size_text_ = FormatProgressSizeText(done, total);
  if (PreDlcPopupForm* open = popup()) open->SetSizeText(size_text_);
}

void TabPreDlcDownload::SetSpeed(int32_t seconds, int32_t bytes_per_second) {
  remaining_seconds_ = seconds;
  wchar_t duration[64] = {};
  FormatDuration(seconds, duration, std::size(duration));
  time_text_ = duration;
  bytes_per_second_ = bytes_per_second;
  speed_text_ = FormatSpeedText(bytes_per_second);
  if (PreDlcPopupForm* open = popup()) open->UpdateTexts(time_text_, speed_text_);
}

void TabPreDlcDownload::OnPausedChanged(int64_t paused) {
  LauncherContext* context = LauncherContext::GetInstance();
  context->preDownloadPaused = AreDownloadsPaused();
  if (control_button_) control_button_->SetEnabled(true);
  PreDownloadGameState state = PreDownloadGameState::Downloading;
  if (paused == 1) {
    if (control_button_) ApplyButtonClass(control_button_, L"btn_continue_predlc");
    saved_stage_ = stage_;
    stage_ = kResetStage;
    if (title_label_) title_label_->SetText(LanguageText(L"STRING_PREDLC_PAUSE"));
    ResetSpeed();
    state = PreDownloadGameState::Held;
  } else {
    if (control_button_) ApplyButtonClass(control_button_, L"btn_pause_predlc");
    stage_ = saved_stage_;
    ShowStageTitle(0);
  }
  SendStateToGame(state);
}

void TabPreDlcDownload::Tick() {
  if (IsUpdatePassBusy() || AreDownloadsPaused() || stage_ < 0) return;
  dot_count_ = (dot_count_ + 1) % 4;
  ShowStageTitle(dot_count_);
}

// The finished page.

void TabPreDlcFinish::Bind() {
  info_label_ = FindInPage<ui::Label>(L"text_info");
  Refresh(0);
}

void TabPreDlcFinish::Refresh(int32_t) {
  if (info_label_) info_label_->SetTextId(L"STRING_PREDLC_FINISH", true);
}

void TabPreDlcFinish::ReportToGame() { SendStateToGame(PreDownloadGameState::Finished); }

}  // namespace MainComponents
