// The main window's pre-download widget.
#include "launcher/windows/main_form.h"

#include <cstdint>

#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/tab_pre_dlc.h"
#include "ui/resources/global_manager.h"

namespace {

// The pages in the order of their page numbers (PreDownloadPage).
template <typename Page>
MainComponents::TabPreDlc* MakePage() {
  return new Page();
}

struct PageLayout {
  MainComponents::TabPreDlc* (*make)();
  const wchar_t* layout;
};

constexpr PageLayout kPages[] = {
    {&MakePage<MainComponents::TabPreDlc>, L"main/tab_predlc_none.xml"},
    {&MakePage<MainComponents::TabPreDlcBefore>, L"main/tab_predlc_before.xml"},
    {&MakePage<MainComponents::TabPreDlcDownload>, L"main/tab_predlc_download.xml"},
    {&MakePage<MainComponents::TabPreDlcFinish>, L"main/tab_predlc_finish.xml"},
};

}  // namespace

void MainForm::BindPreDownloadPages() {
  pre_download_tabs_ = dynamic_cast<ui::TabBox*>(FindControl(L"tab_predlc"));
  if (pre_download_tabs_ == nullptr) return;
  for (const PageLayout& entry : kPages) {
    MainComponents::TabPreDlc* page = entry.make();
    page->SetTabBox(pre_download_tabs_);
    // A page whose layout is missing stays empty; the page numbers hold.
    ui::GlobalManager::FillBox(page, entry.layout, nullptr);
    pre_download_tabs_->AddAt(page, pre_download_tabs_->GetCount());
    page->Init();
  }
  pre_download_tabs_->SelectItem(static_cast<int32_t>(PreDownloadPage::None));
}

MainComponents::TabPreDlc* MainForm::ShownPreDownloadPage() const {
  if (pre_download_tabs_ == nullptr) return nullptr;
  return dynamic_cast<MainComponents::TabPreDlc*>(
      pre_download_tabs_->GetItemAt(pre_download_tabs_->GetCurSel()));
}

MainComponents::TabPreDlcDownload* MainForm::ShownPreDownloadTransferPage() const {
  return dynamic_cast<MainComponents::TabPreDlcDownload*>(ShownPreDownloadPage());
}

void MainForm::OnPreDownloadStatus(WPARAM page, LPARAM value) {
  if (pre_download_tabs_ == nullptr) return;
  // Any other page number (the engine sends -1) keeps the shown page.
  if (page <= static_cast<WPARAM>(PreDownloadPage::Finish)) {
    pre_download_tabs_->SelectItem(static_cast<int32_t>(page));
  }
  if (MainComponents::TabPreDlc* shown = ShownPreDownloadPage()) {
    shown->Refresh(static_cast<int32_t>(value));
  }
}

bool MainForm::RoutePreDownloadMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const State* pre_download = LauncherContext::GetInstance()->preDownloadState.get();
  if (pre_download == nullptr || !pre_download->IsDownloading()) return false;
  MainComponents::TabPreDlcDownload* page = ShownPreDownloadTransferPage();
  if (page == nullptr) return true;
  switch (message) {
    case WM_DOWNLOAD_SPEED:
      // The page keeps the low 32 bits of the speed.
      page->SetSpeed(static_cast<int32_t>(wparam), static_cast<int32_t>(lparam));
      break;
    case WM_DOWNLOAD_PROGRESS:
      page->SetProgress(static_cast<int64_t>(wparam), static_cast<int64_t>(lparam));
      break;
    case WM_DOWNLOAD_PAUSED:
      page->OnPausedChanged(static_cast<int64_t>(lparam));
      break;
    default:
      break;
  }
  return true;
}

void MainForm::OnPreDownloadTick() {
  if (pre_download_tabs_ == nullptr) return;
  if (MainComponents::TabPreDlcDownload* shown = ShownPreDownloadTransferPage()) {
    shown->Tick();
    return;
  }
  // The pop-up belongs to the download page only while it is shown.
  auto* download = dynamic_cast<MainComponents::TabPreDlcDownload*>(
      pre_download_tabs_->GetItemAt(static_cast<int32_t>(PreDownloadPage::Download)));
  if (download && download->popup()) download->ClosePopup();
}

void MainForm::OnLanguageReloadedPreDownload() {
  if (MainComponents::TabPreDlc* shown = ShownPreDownloadPage()) {
    shown->Refresh(MainComponents::TabPreDlc::kLanguageRefresh);
  }
}

void MainForm::AnswerGameQuery(UINT message) {
  LauncherContext* context = LauncherContext::GetInstance();
  MainComponents::TabPreDlcDownload* download = ShownPreDownloadTransferPage();
  switch (message) {
    case WM_GAME_QUERY_PREDOWNLOAD:
      if (MainComponents::TabPreDlc* shown = ShownPreDownloadPage()) {
        shown->ReportToGame();
      } else {
        context->SendToGameWindows(WM_GAME_PREDOWNLOAD_STATE, 0,
                                   static_cast<LPARAM>(PreDownloadGameState::None));
      }
      break;
    case WM_GAME_QUERY_PROGRESS:
      if (download) {
        context->SendToGameWindows(WM_GAME_PROGRESS, static_cast<WPARAM>(download->total()),
                                   static_cast<LPARAM>(download->done()));
      } else {
        context->SendToGameWindows(WM_GAME_PROGRESS, 0, 0);
      }
      break;
    case WM_GAME_QUERY_SPEED:
      // Real figures only while the pre-download itself transfers.
      if (download && download->GameState() == PreDownloadGameState::Downloading) {
        context->SendToGameWindows(
            WM_GAME_SPEED, static_cast<WPARAM>(static_cast<int64_t>(download->remaining_seconds())),
            static_cast<LPARAM>(download->bytes_per_second()));
      } else {
        context->SendToGameWindows(WM_GAME_SPEED, 0, 0);
      }
      break;
    default:
      break;
  }
}

void MainForm::UnbindPreDownloadPages() {
  if (pre_download_tabs_ == nullptr) return;
  for (int32_t i = 0; i < pre_download_tabs_->GetCount(); ++i) {
    if (auto* page = dynamic_cast<MainComponents::TabPreDlc*>(pre_download_tabs_->GetItemAt(i))) {
      page->Unbind();
    }
  }
  pre_download_tabs_->RemoveAll();
  pre_download_tabs_ = nullptr;
}
