#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "launcher/download/file_handle.h"
#include "launcher/download/pool_worker.h"
#include "launcher/download/resume_file.h"

// Keeps a download's resume file current from a pool thread. The data file
// is flushed to disk before the offsets describing it are written, so a
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
  void WaitUntilSaved() { worker_.WaitIdle(); }

 private:
  // The pool job: writes the newest queued state.
  void SaveQueued();

  const std::string path_;
  const std::string md5_;
  std::mutex mutex_;
  std::vector<ChunkInfo> queued_;  // guarded by mutex_, like the flags below
  bool has_queued_ = false;
  bool stop_ = false;
  FileHandle data_;  // the job's own
  // Last: it goes first, while everything its job uses is still there.
  PoolWorker worker_;
};
