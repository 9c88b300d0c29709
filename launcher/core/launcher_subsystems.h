#pragma once

#include "launcher/core/launcher_lifecycle.h"

// The launcher's subsystems behind the framework threads: the process-wide
// LauncherContext and, as each lands, the skin package, the UI framework,
// the download manager, the update states and the main window.
class LauncherSubsystems : public LauncherLifecycle {
 public:
  void LoadContext() override;
  void OpenSkinPackage() override;
  void StartUiFramework() override;
  void LoadChannelConfig() override;
  void CreateMainWindow() override;
  void UiTick() override;

  void InitVersionState() override;
  void WorkerTick() override;
  void ShutdownContext() override;

  void ShutdownUiFramework() override;
  void SaveDownloadLog() override;
  void DisableDownloadManager() override;
  void HandOffSelfUpdate() override;
};
