#include "launcher/download/resume_saver.h"

#include <windows.h>

#include <utility>

#include "launcher/download/file_handle.h"

ResumeSaver::ResumeSaver(std::string path, std::string md5)
    : path_(std::move(path)), md5_(std::move(md5)), thread_(&ResumeSaver::Run, this) {}

ResumeSaver::~ResumeSaver() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void ResumeSaver::Save(std::vector<ChunkInfo> chunks) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_ = std::move(chunks);
    hasQueued_ = true;
  }
  wake_.notify_one();
}

void ResumeSaver::WaitUntilSaved() {
  std::unique_lock<std::mutex> lock(mutex_);
  saved_.wait(lock, [&] { return stop_ || (!hasQueued_ && !writing_); });
}

void ResumeSaver::Run() {
  FileHandle data;
  for (;;) {
    std::vector<ChunkInfo> chunks;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      writing_ = false;
      saved_.notify_all();
      wake_.wait(lock, [&] { return stop_ || hasQueued_; });
      if (stop_) {
        saved_.notify_all();
        return;
      }
      chunks = std::move(queued_);
      hasQueued_ = false;
      writing_ = true;
    }
    // Flushing needs write access; the transfers' own handles stay theirs.
    if (!data.IsValid()) {
      data.Reset(CreateFileA(path_.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    // Offsets whose bytes may not be on disk are never written.
    if (!data.IsValid() || !FlushFileBuffers(data.Get())) continue;
    WriteResumeFile(path_, md5_, chunks);
  }
}
