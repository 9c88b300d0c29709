// The main window's install/progress panel and game button.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/file_path.h"
#include "base/folder_util.h"
#include "base/md5.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/download/download_manager.h"
#include "launcher/windows/main_form.h"
#include "launcher/windows/tab_asset.h"
#include "ui/box/markup_builder.h"

namespace {

// The panel's pages, at these indexes.
constexpr int32_t kEmptyPage = 0;
constexpr int32_t kSetupPage = 1;
constexpr int32_t kDownloadPage = 2;
constexpr int32_t kCheckPage = 3;

// The button's language keys are also its state.
constexpr wchar_t kGetGame[] = L"STRING_GET_GAME";
constexpr wchar_t kContinueDownload[] = L"STRING_DOWNLOAD_CONTINUE";
constexpr wchar_t kUpdateGame[] = L"STRING_UPDATE_GAME";
constexpr wchar_t kStartGame[] = L"STRING_START_GAME";
constexpr wchar_t kPaused[] = L"STRING_DLC_PAUSED";

bool IsPassRunning(const State& state) {
  const StateId id = state.GetId();
  return id >= StateId::Prepare && id <= StateId::ApplyUpdate;
}

// Checking while the pass prepares, asks and compares; downloading and
// applying after that.
int32_t PassPage(const State& state) {
  const StateId id = state.GetId();
  return id >= StateId::Prepare && id <= StateId::CheckVersion ? kCheckPage : kDownloadPage;
}

void ShowGameError(const wchar_t* content_key) {
  LauncherContext::GetInstance()->ShowMessageBox(nullptr, L"STRING_ERROR_NOTICE", content_key, L"",
                                                 L"STRING_CONFIRM", nullptr, false);
}

}  // namespace

void MainForm::BindGamePanel() {
  game_button_ = dynamic_cast<ui::ButtonTemplate<ui::Control>*>(FindControl(L"btn_game"));
  asset_tabs_ = dynamic_cast<ui::TabBox*>(FindControl(L"tab_assets"));
  if (!game_button_ || !asset_tabs_) return;
  saved_game_button_text_id_.clear();

  struct PageLayout {
    MainComponents::TabAsset* page;
    const wchar_t* file;
  };
  const PageLayout pages[] = {
      {new MainComponents::TabAsset(), L"main/tab_asset_none.xml"},
      {new MainComponents::TabAssetSetup(), L"main/tab_asset_setup.xml"},
      {new MainComponents::TabAssetDownload(), L"main/tab_asset_download.xml"},
      {new MainComponents::TabAssetCheck(), L"main/tab_asset_check.xml"},
  };
  const ui::CreateControlCallback create =
      ToWeakCallback([this](const std::wstring& class_name) { return CreateControl(class_name); });
  for (int32_t index = 0; index < static_cast<int32_t>(std::size(pages)); ++index) {
    MainComponents::TabAsset* page = pages[index].page;
    // A page whose layout cannot be read stays empty but keeps its index.
    ui::MarkupBuilder builder;
    builder.Create(pages[index].file, create, this, nullptr, page);
    asset_tabs_->AddAt(page, index);
    page->Init();
  }

  game_button_->AddEventHandler(ui::kEventClick,
                                [this](ui::EventArgs* args) { return OnGameButtonClick(args); });
  game_button_->SetTextId(kStartGame, false);
  game_button_->SetEnabled(false);
  asset_tabs_->SelectItem(kEmptyPage);
}

MainComponents::TabAsset* MainForm::ShownAssetPage() const {
  if (!game_button_ || !asset_tabs_) return nullptr;
  return dynamic_cast<MainComponents::TabAsset*>(asset_tabs_->GetItemAt(asset_tabs_->GetCurSel()));
}

void MainForm::RefreshGameButton() {
  if (!game_button_ || !asset_tabs_) return;
  LauncherContext* context = LauncherContext::GetInstance();
  const State* state = context->currentState.get();
  int32_t page = kEmptyPage;
  if (state && (state->mode() == UpdateMode::Launcher || IsPassRunning(*state))) {
    page = PassPage(*state);
    game_button_->SetEnabled(false);
    if (state->mode() != UpdateMode::Launcher) {
      if (DownloadManager::GetInstance().paused()) {
        game_button_->SetTextId(kPaused, false);
      } else {
        game_button_->SetTextId(kStartGame, true);
      }
    }
  } else if (!context->GameExecutableExists(L"") && !context->HasInterruptedGameUpdate()) {
    game_button_->SetTextId(kGetGame, true);
    game_button_->SetEnabled(true);
    page = kSetupPage;
  } else if (context->HasInterruptedGameUpdate()) {
    game_button_->SetTextId(kContinueDownload, true);
    game_button_->SetEnabled(true);
    // Continued at once, whatever the automatic update setting, unless a box
    // was ever shown in this run.
    if (!context->errorShown && !context->messageBoxShownOnce && !context->IsGameRunning()) {
      MainComponents::ReportGameButtonAction(MainComponents::GameButtonAction::Continue);
      context->StartGamePass(true, true);
    }
  } else if (context->IsGameUpdateAvailable()) {
    game_button_->SetTextId(kUpdateGame, true);
    game_button_->SetEnabled(true);
    // Waits while a box is open; the box's close refreshes again.
    if (context->settings.autoUpdate && !context->errorShown && !context->messageBoxOpen &&
        !context->IsGameRunning()) {
      MainComponents::ReportGameButtonAction(MainComponents::GameButtonAction::Update);
      context->StartGamePass(true, true);
    }
  } else {
    game_button_->SetTextId(kStartGame, true);
    game_button_->SetEnabled(true);
  }
  asset_tabs_->SelectItem(page);
  if (MainComponents::TabAsset* shown = ShownAssetPage()) shown->Refresh();
}

bool MainForm::OnGameButtonClick(ui::EventArgs* args) {
  if (!game_button_ || args->pSender != game_button_) return true;
  LauncherContext* context = LauncherContext::GetInstance();
  std::vector<int> free_slots;
  if (context->GetFreeGameInstanceSlots(&free_slots) > 0) {
    // The game runs: a further instance, when a slot is free.
    if (free_slots.empty()) {
      ShowGameError(L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE");
      return true;
    }
    const std::wstring map_path =
        NormalizeDirPathW(context->settings.gamePath, true) + L"version_map.txt";
    std::string md5;
    int64_t size = 0;
    std::ifstream stream(map_path.c_str(), std::ios::binary);
    if (!stream.is_open() || !ComputeStreamMd5(stream, &md5, &size)) {
      ShowGameError(L"STRING_ERROR_CHECK_GAME_FAILED");
      return true;
    }
    context->RunGame(md5, free_slots.front());
    context->SendToMainWindow(WM_HIDE_LAUNCHER, 0, 0);
    return true;
  }

  const std::wstring key = game_button_->GetTextId();
  if (key == kGetGame) {
    // A short drive has shown its own box.
    if (!context->CheckDiskSpaceForInstall(nullptr)) return true;
    MakeDirectoriesW(context->settings.gamePath);
    context->StartGamePass(true, false);
    MainComponents::ReportGameButtonAction(MainComponents::GameButtonAction::Install);
  } else if (key == kStartGame) {
    context->StartGamePass(true, false);
    MainComponents::ReportGameButtonAction(MainComponents::GameButtonAction::Play);
  } else if (key == kContinueDownload) {
    context->StartGamePass(true, true);
    MainComponents::ReportGameButtonAction(MainComponents::GameButtonAction::Continue);
  } else if (key == kUpdateGame) {
    context->StartGamePass(true, true);
    MainComponents::ReportGameButtonAction(MainComponents::GameButtonAction::Update);
  }
  return true;
}

void MainForm::OnCheckProgress(WPARAM wparam, LPARAM lparam) {
  MainComponents::TabAsset* shown = ShownAssetPage();
  if (auto* check = dynamic_cast<MainComponents::TabAssetCheck*>(shown)) {
    check->SetCheckProgress(wparam, lparam);
  } else if (auto* download = dynamic_cast<MainComponents::TabAssetDownload*>(shown)) {
    // The apply step reports here, on the download page.
    download->ShowApplyProgress(lparam);
  }
}

void MainForm::OnAssetDownloadMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  auto* download = dynamic_cast<MainComponents::TabAssetDownload*>(ShownAssetPage());
  switch (message) {
    case WM_DOWNLOAD_SPEED:
      if (download) {
        download->SetSpeed(static_cast<int32_t>(static_cast<uint32_t>(wparam)),
                           static_cast<int64_t>(lparam));
      }
      break;
    case WM_DOWNLOAD_PROGRESS:
      if (download)
        download->SetProgress(static_cast<int64_t>(wparam), static_cast<int64_t>(lparam));
      break;
    case WM_DOWNLOAD_PAUSED:
      if (download) download->OnPaused(lparam);
      OnGameButtonPaused(lparam == 1);
      break;
    default:
      break;
  }
}

void MainForm::OnGameButtonPaused(bool paused) {
  const std::wstring current = game_button_->GetTextId();
  if (paused) {
    // A second pause keeps the key saved by the first.
    if (current != kPaused) saved_game_button_text_id_ = current;
    game_button_->SetTextId(kPaused, false);
    return;
  }
  // Running again without a saved key (no pause came first, or only the
  // paused key was there to save) decides the button afresh.
  if (saved_game_button_text_id_.empty() || saved_game_button_text_id_ == kPaused) {
    RefreshGameButton();
    return;
  }
  game_button_->SetTextId(saved_game_button_text_id_, false);
  saved_game_button_text_id_.clear();
}

void MainForm::UnbindGamePanel() {
  if (asset_tabs_ && game_button_) {
    for (int32_t index = 0; index < asset_tabs_->GetCount(); ++index) {
      if (auto* page = dynamic_cast<MainComponents::TabAsset*>(asset_tabs_->GetItemAt(index))) {
        page->Unbind();
      }
    }
    asset_tabs_->RemoveAll();
  }
  asset_tabs_ = nullptr;
  game_button_ = nullptr;
}
