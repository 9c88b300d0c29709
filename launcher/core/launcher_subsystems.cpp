#include "launcher/core/launcher_subsystems.h"

#include "launcher/core/command_line.h"
#include "launcher/core/launcher_context.h"
#include "launcher/windows/window_messages.h"

void LauncherSubsystems::LoadContext() {
  // Empty when "set_language" gave no code that fits.
  LauncherContext::GetInstance()->Init(CommandLineLanguage.text);
}

// Opens the skin package once the package reader is wired in.
void LauncherSubsystems::OpenSkinPackage() {}

// Starts ui::GlobalManager with "resources\", the theme "themes\default" and
// the context's language (converted with the ANSI code page) once wired in.
void LauncherSubsystems::StartUiFramework() {}

// Loads the channel configuration into the context once wired in.
void LauncherSubsystems::LoadChannelConfig() {}

// Creates MainForm ("Launcher", style 0xce0000, layered), centres and shows it
// once the launcher windows exist.
void LauncherSubsystems::CreateMainWindow() {}

void LauncherSubsystems::UiTick() {
  LauncherContext::GetInstance()->SendToMainWindow(WM_PREDOWNLOAD_TICK, 0, 0);
}

void LauncherSubsystems::InitVersionState() {
  LauncherContext* context = LauncherContext::GetInstance();
  context->InitVersionState();
  context->stateMachineStarted = false;
}

// Starts the launcher pass on the first tick, then updates the current and
// pre-download states and polls the download manager, once they exist.
void LauncherSubsystems::WorkerTick() {}

void LauncherSubsystems::ShutdownContext() { LauncherContext::GetInstance()->Shutdown(); }

// Shuts ui::GlobalManager down once wired in.
void LauncherSubsystems::ShutdownUiFramework() {}

void LauncherSubsystems::SaveDownloadLog() { LauncherContext::GetInstance()->SaveDownloadLog(); }

// Clears the download manager's enabled flag once wired in.
void LauncherSubsystems::DisableDownloadManager() {}

// Starts the self-update helper when the launcher pass updated the launcher,
// browser or font files, once the self-replacement exists.
void LauncherSubsystems::HandOffSelfUpdate() {}
