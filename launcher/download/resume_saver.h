#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "launcher/download/resume_file.h"

// Keeps a download's resume file current from a thread of its own. The data
// file is flushed to disk before the offsets describing it are written, so a
// resume file never claims bytes a power cut could lose; the flush waits for
// the disk, which would otherwise hold up every transfer of the manager.
class ResumeSaver {
 public:
  // `path` is the data file (ANSI code page); its resume file lies beside it.
  ResumeSaver(std::string path, std::string md5);
  // Drops a state not yet started and waits for one being written.
  ~ResumeSaver();
  ResumeSaver(const ResumeSaver&) = delete;
  ResumeSaver& operator=(const ResumeSaver&) = delete;

  // Queues the ranges' current state; it replaces a queued, older one. Only
  // bytes written before the call may be counted in it.
  void Save(std::vector<ChunkInfo> chunks);
  // Returns once every state queued so far is written.
  void WaitUntilSaved();

 private:
  void Run();

  const std::string path_;
  const std::string md5_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable saved_;
  std::vector<ChunkInfo> queued_;  // guarded by mutex_, like the flags below
  bool hasQueued_ = false;
  bool writing_ = false;
  bool stop_ = false;
  std::thread thread_;
};
