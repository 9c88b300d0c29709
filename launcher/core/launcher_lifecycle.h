#pragma once

// The launcher's subsystems as MainThread and MiscThread start, tick and stop
// them. The framework threads own the order and the threads each step runs
// on; LauncherSubsystems is the launcher's own implementation.
class LauncherLifecycle {
 public:
  virtual ~LauncherLifecycle() = default;

  // MainThread::Init, on the start-up thread, in this order (the worker is
  // started between the first two).
  virtual void LoadContext() = 0;
  virtual void OpenSkinPackage() = 0;
  virtual void StartUiFramework() = 0;
  virtual void LoadChannelConfig() = 0;
  virtual void CreateMainWindow() = 0;
  // The start-up thread's tick, every 500 ms.
  virtual void UiTick() = 0;

  // MiscThread::Init, on the worker thread, after its registration.
  virtual void InitVersionState() = 0;
  // The worker's tick, every 2 ms.
  virtual void WorkerTick() = 0;
  // MiscThread::Cleanup, on the worker thread, before it unregisters.
  virtual void ShutdownContext() = 0;

  // MainThread::Cleanup, on the start-up thread, in this order; the worker
  // is stopped between the second and the third.
  virtual void ShutdownUiFramework() = 0;
  virtual void DisableDownloadManager() = 0;
  virtual void SaveDownloadLog() = 0;
  virtual void HandOffSelfUpdate() = 0;
};
