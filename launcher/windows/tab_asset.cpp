#include "launcher/windows/tab_asset.h"

#include <cwchar>
#include <iterator>

#include "base/folder_util.h"
#include "launcher/core/duration_text.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/download/download_manager.h"
#include "launcher/windows/framework_window.h"
#include "launcher/windows/panel_text.h"
#include "launcher/windows/setup_path_form.h"
#include "ui/core/window.h"

namespace MainComponents {

namespace {

// The language files' index of Turkish, whose percent sign comes first.
constexpr int kTurkishLanguageType = 10;

std::wstring FormatPercent(float percent) {
  wchar_t text[32] = {};
  std::swprintf(text, std::size(text), L"%5.2f", static_cast<double>(percent));
  return text;
}

}  // namespace

std::wstring DownloadSizeText(int64_t done_bytes, int64_t total_bytes, bool percent_sign_first) {
  const float percent = static_cast<float>(done_bytes) / static_cast<float>(total_bytes) * 100.0f;
  const std::wstring number = FormatPercent(percent);
  const std::wstring sizes = L" (" + FormatSizeText(static_cast<uint64_t>(done_bytes)) + L"/" +
                             FormatSizeText(static_cast<uint64_t>(total_bytes)) + L")";
  return percent_sign_first ? L"%" + number + sizes : number + L"%" + sizes;
}

std::wstring CheckCountText(uint64_t count_pair) {
  if (count_pair == 0) return std::wstring();
  const int32_t pair = static_cast<int32_t>(static_cast<uint32_t>(count_pair));
  const int32_t done = pair & 0xFFFF;
  const int32_t total = pair >> 16;
  return L"(" + std::to_wstring(done) + L"/" + std::to_wstring(total) + L")";
}

void ReportGameButtonAction(GameButtonAction action) {
  struct Reports {
    const char* detailActionId;
    const char* attributionEvent;
    const char* word;
  };
  static constexpr Reports kReports[] = {
      {"14", "click_launch_download_game", "install"},
      {"18", "click_launch_play_game", "play"},
      {"16", "click_launch_continue_download_game", "continue"},
      {"20", "click_launch_update_game", "update"},
  };
  const Reports& reports = kReports[static_cast<int>(action)];
  LauncherContext* context = LauncherContext::GetInstance();
  context->ReportLauncherDetail(reports.detailActionId, "", "", "");
  context->ReportAttributionEvent(reports.attributionEvent, "", "", "");
  context->ReportUiClick("click_button", reports.word);
  context->ReportLauncherEvent("", "", "", "", reports.word, false);
}

double DownloadPercent(int64_t total_bytes, int64_t done_bytes) {
  const float share =
      total_bytes <= 0 ? 1.0f : static_cast<float>(done_bytes) / static_cast<float>(total_bytes);
  return static_cast<double>(100.0f * share);
}

// The base page has no controls of its own.
void TabAsset::Init() { ui::VBox::Init(); }

void TabAssetSetup::Init() {
  TabAsset::Init();
  title_label_ = FindInPage<ui::Label>(L"text_title");
  if (title_label_) title_label_->SetTextId(L"STRING_SET_PATH", false);
  path_label_ = FindInPage<ui::Label>(L"text_set_path");
  if (path_label_) path_label_->SetText(LauncherContext::GetInstance()->settings.gamePath);
  auto* button = FindInPage<ui::Button>(L"btn_set_path");
  if (button && button != set_path_button_) {
    button->AddEventHandler(ui::kEventClick,
                            [this](ui::EventArgs* args) { return OnSetPathClick(args); });
  }
  set_path_button_ = button;
}

void TabAssetSetup::Unbind() { path_label_ = nullptr; }

void TabAssetSetup::Refresh() {
  if (title_label_) title_label_->SetTextId(L"STRING_SET_PATH", true);
  if (path_label_) path_label_->SetText(LauncherContext::GetInstance()->settings.gamePath);
}

bool TabAssetSetup::OnSetPathClick(ui::EventArgs* args) {
  if (!args->pSender || args->pSender->GetName() != L"btn_set_path") return true;
  ui::Window* owner = FindFrameworkWindow(LauncherContext::GetInstance()->mainWindow);
  if (!owner) return true;
  // The dialog deletes itself with its window, or at once when it cannot be
  // made.
  auto* form = new SetupPathForm();
  form->ShowOwned(owner, ToWeakCallback([this](int32_t result) { OnSetupPathResult(result); }));
  return true;
}

void TabAssetSetup::OnSetupPathResult(int32_t result) {
  if (result == 0) return;
  LauncherContext* context = LauncherContext::GetInstance();
  // A short drive has shown its own box.
  if (!context->CheckDiskSpaceForInstall(nullptr)) return;
  // The dialog has stored the chosen folder as the game path.
  MakeDirectoriesW(context->settings.gamePath);
  context->StartGamePass(false, false);
  ReportGameButtonAction(GameButtonAction::Install);
}

void TabAssetDownload::Init() {
  TabAsset::Init();
  total_bytes_ = 0;
  done_bytes_ = 0;
  bytes_per_second_ = 0;
  remaining_seconds_ = 0;
  info_label_ = FindInPage<ui::Label>(L"text_download_info");
  time_label_ = FindInPage<ui::Label>(L"text_download_time");
  speed_label_ = FindInPage<ui::Label>(L"text_download_speed");
  for (ui::Label* label : {info_label_, time_label_, speed_label_}) {
    if (label) label->SetText(L"");
  }
  progress_ = FindInPage<ui::Progress>(L"progress");
  if (progress_) {
    progress_->SetValue(0);
    progress_->Invalidate();
  }
  control_button_ = FindInPage<ui::Button>(L"btn_download_ctrl");
  if (control_button_ && control_button_ != bound_button_) {
    control_button_->AddEventHandler(ui::kEventClick,
                                     [this](ui::EventArgs* args) { return OnControlClick(args); });
    bound_button_ = control_button_;
  }
}

bool TabAssetDownload::OnControlClick(ui::EventArgs* args) {
  if (!control_button_ || args->pSender != control_button_) return true;
  // Enabled again by the worker's answer, so a second click cannot ask twice.
  control_button_->SetEnabled(false);
  LauncherContext::GetInstance()->PauseDownloads();
  return true;
}

void TabAssetDownload::Unbind() {
  info_label_ = nullptr;
  time_label_ = nullptr;
  speed_label_ = nullptr;
  progress_ = nullptr;
  control_button_ = nullptr;
  total_bytes_ = 0;
  done_bytes_ = 0;
  bytes_per_second_ = 0;
  remaining_seconds_ = 0;
}

void TabAssetDownload::Refresh() {
  if (info_label_) info_label_->SetText(L" ");
  if (speed_label_) speed_label_->SetText(L"");
  if (time_label_) time_label_->SetTextId(L"STRING_RESOURCE_WAITING", true);
  if (control_button_) control_button_->SetFadeVisible(true);
  if (DownloadManager::GetInstance().paused()) {
    RefreshSizeText();
    RefreshSpeedText();
    RefreshTimeText();
  }
}

void TabAssetDownload::OnPaused(int64_t lparam) {
  if (!control_button_) return;
  control_button_->SetEnabled(true);
  // The classes carry their own size; the button keeps the one of its layout.
  const int32_t width = control_button_->GetFixedWidth();
  const int32_t height = control_button_->GetFixedHeight();
  if (lparam == 1) {
    control_button_->SetClass(L"btn_continue");
    if (speed_label_) speed_label_->SetText(LanguageTextWith(L"STRING_DOWNLOAD_SPEED", L"0.00KB"));
  } else {
    control_button_->SetClass(L"btn_pause");
  }
  control_button_->SetFixedWidth(width, true, false);
  control_button_->SetFixedHeight(height, false);
}

void TabAssetDownload::SetSpeed(int32_t remaining_seconds, int64_t bytes_per_second) {
  bytes_per_second_ = static_cast<double>(bytes_per_second);
  remaining_seconds_ = remaining_seconds;
  RefreshSizeText();
  RefreshSpeedText();
  RefreshTimeText();
}

void TabAssetDownload::SetProgress(int64_t total_bytes, int64_t done_bytes) {
  if (total_bytes < done_bytes) return;
  total_bytes_ = total_bytes;
  done_bytes_ = done_bytes;
  RefreshSizeText();
  if (progress_) {
    progress_->SetValue(DownloadPercent(total_bytes, done_bytes));
    progress_->Invalidate();
  }
}

void TabAssetDownload::ShowApplyProgress(int64_t percent) {
  if (control_button_) control_button_->SetFadeVisible(false);
  if (progress_) {
    progress_->SetValue(static_cast<double>(percent));
    progress_->Invalidate();
  }
}

void TabAssetDownload::RefreshSizeText() {
  if (!info_label_ || total_bytes_ <= 0) return;
  LauncherContext* context = LauncherContext::GetInstance();
  const std::wstring sizes = DownloadSizeText(
      done_bytes_, total_bytes_, context->settings.languageType == kTurkishLanguageType);
  const State* state = context->currentState.get();
  const wchar_t* key = state && state->mode() == UpdateMode::Launcher ? L"STRING_DOWNLOAD_LAUNCHER"
                                                                      : L"STRING_DOWNLOAD_ASSET";
  info_label_->SetText(LanguageTextWith(key, sizes));
}

void TabAssetDownload::RefreshSpeedText() {
  if (!speed_label_) return;
  // A negative sample counts as no speed rather than wrapping round.
  const uint64_t bytes = bytes_per_second_ > 0 ? static_cast<uint64_t>(bytes_per_second_) : 0;
  speed_label_->SetText(LanguageTextWith(L"STRING_DOWNLOAD_SPEED", FormatSizeText(bytes)));
}

void TabAssetDownload::RefreshTimeText() {
  if (!time_label_) return;
  wchar_t duration[32] = {};
  FormatDuration(remaining_seconds_, duration, std::size(duration));
  time_label_->SetText(LanguageTextWith(L"STRING_DOWNLOAD_TIME", duration));
}

void TabAssetCheck::Init() {
  TabAsset::Init();
  count_label_ = FindInPage<ui::Label>(L"text_check_asset");
  if (count_label_) count_label_->SetText(L"");
  progress_ = FindInPage<ui::Progress>(L"progress");
  if (progress_) {
    progress_->SetValue(0);
    progress_->Invalidate();
  }
}

void TabAssetCheck::Unbind() {
  count_label_ = nullptr;
  progress_ = nullptr;
}

void TabAssetCheck::SetCheckProgress(uint64_t count_pair, int64_t percent) {
  if (count_label_) count_label_->SetText(CheckCountText(count_pair));
  if (progress_) {
    progress_->SetValue(static_cast<double>(percent));
    progress_->Invalidate();
  }
}

}  // namespace MainComponents
