#include "launcher/core/launcher_subsystems.h"

#include <map>
#include <string>

#include "base/string_util.h"
#include "launcher/core/command_line.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/resource_fonts.h"
#include "launcher/core/self_replace.h"
#include "launcher/core/skin_package.h"
#include "launcher/core/context_download_delegate.h"
#include "launcher/download/download_manager.h"
#include "launcher/core/window_messages.h"
#include "launcher/update/context_update_world.h"
#include "launcher/update/update_state_factory.h"
#include "launcher/windows/main_form.h"
#include "launcher/windows/window_dialog_presenter.h"
#include "ui/box/builder_cache.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/resources/global_manager.h"

namespace {

// The states live above the context, which starts passes through this.
UpdateStateFactory* StateFactoryInstance() {
  static UpdateStateFactory factory(ContextUpdateWorld::GetInstance());
  return &factory;
}

}  // namespace

void LauncherSubsystems::LoadContext() {
  // Empty when "set_language" gave no code that fits.
  LauncherContext::GetInstance()->Init(CommandLineLanguage.text);
  LauncherContext::GetInstance()->SetStateFactory(StateFactoryInstance());
  static WindowDialogPresenter dialog_presenter;
  LauncherContext::GetInstance()->SetDialogPresenter(&dialog_presenter);
  // Before the UI framework starts: it takes the carried faces.
  InstallResourceFonts(GetModuleHandleW(nullptr), SystemFontTarget());
}

void LauncherSubsystems::OpenSkinPackage() { ::OpenSkinPackage(); }

void LauncherSubsystems::StartUiFramework() {
  std::wstring language;
  qbase::MultiByteToWide(LauncherContext::GetInstance()->settings.language, qbase::kCodePageAnsi,
                         &language);
  // The skin's "global.xml" and its control classes are built by the markup
  // builder, which sits above the global tables.
  ui::RegisterControlClasses();
  ui::GlobalManager::globalResourceLoader = &ui::MarkupBuilder::LoadGlobalResource;
  ui::BuilderCache::Install();
  ui::GlobalManager::Startup(L"resources\\", nullptr, L"themes\\default", language);
}

void LauncherSubsystems::LoadChannelConfig() {
  LauncherContext::GetInstance()->LoadChannelConfig();
}

// The form deletes itself with its window; nothing here keeps it.
void LauncherSubsystems::CreateMainWindow() {
  constexpr DWORD kMainWindowStyle = 0x00CE0000;
  auto* form = new MainForm();
  const auto alive = form->GetWeakFlag();
  if (!form->Create(nullptr, L"Launcher", kMainWindowStyle, 0, true, RECT{0, 0, 0, 0})) {
    // A refused layout has deleted the form already.
    if (!alive.expired()) delete form;
    return;
  }
  form->CenterWindow();
  form->ShowWindow(true, true);
}

void LauncherSubsystems::UiTick() {
  LauncherContext::GetInstance()->SendToMainWindow(WM_PREDOWNLOAD_TICK, 0, 0);
}

void LauncherSubsystems::InitVersionState() {
  static ContextDownloadDelegate download_delegate;
  DownloadManager& downloads = DownloadManager::GetInstance();
  downloads.SetDelegate(&download_delegate);
  ApplyContextSettings(&downloads);
  downloads.Init();

  LauncherContext* context = LauncherContext::GetInstance();
  context->InitVersionState();
  context->stateMachineStarted = false;
}

// State steps and transfer completions take turns, never overlapping. The
// launcher pass starts on the first tick.
void LauncherSubsystems::WorkerTick() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (!context->stateMachineStarted) {
    context->stateMachineStarted = true;
    context->ChangeState(StateFactoryInstance()->CreatePrepareState(UpdateMode::Launcher));
  }
  // An Update that moves on destroys its state as its last act.
  if (context->currentState) context->currentState->Update();
  if (context->preDownloadState) context->preDownloadState->Update();
  DownloadManager::GetInstance().Poll();
}

void LauncherSubsystems::ShutdownContext() {
  DownloadManager::GetInstance().Shutdown();
  LauncherContext::GetInstance()->Shutdown();
}

void LauncherSubsystems::ShutdownUiFramework() { ui::GlobalManager::Shutdown(); }

void LauncherSubsystems::SaveDownloadLog() { LauncherContext::GetInstance()->SaveDownloadLog(); }

void LauncherSubsystems::DisableDownloadManager() { DownloadManager::GetInstance().Disable(); }

// Starts the self-update helper when the launcher pass updated the launcher,
// browser or font files, once the self-replacement exists.
void LauncherSubsystems::HandOffSelfUpdate() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (!context->launcherExeUpdated && !context->cefFilesUpdated && !context->fontsUpdated) return;
  if (context->fontsUpdated) {
    // The helper can overwrite the fonts only once they are unregistered.
    std::map<std::wstring, DWORD> failures;
    UninstallResourceFonts(SystemFontTarget(), &failures);
  }
  const bool launcher_changed = context->launcherExeUpdated;
  // One helper does all three installs; none may be started a second time.
  context->launcherExeUpdated = false;
  context->cefFilesUpdated = false;
  context->fontsUpdated = false;
  LaunchSelfReplace(L"", launcher_changed);
}
