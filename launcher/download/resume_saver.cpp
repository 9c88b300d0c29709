#include "launcher/download/resume_saver.h"

#include <windows.h>

#include <utility>

ResumeSaver::ResumeSaver(std::string path, std::string md5)
    : path_(std::move(path)), md5_(std::move(md5)), worker_([this] { SaveQueued(); }) {}

ResumeSaver::~ResumeSaver() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
}

void ResumeSaver::Save(std::vector<ChunkInfo> chunks) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_ = std::move(chunks);
    has_queued_ = true;
  }
  worker_.Schedule();
}

void ResumeSaver::SaveQueued() {
  std::vector<ChunkInfo> chunks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_ || !has_queued_) return;
    chunks = std::move(queued_);
    has_queued_ = false;
  }
  // Flushing needs write access; the transfers' own handles stay theirs.
  if (!data_.IsValid()) {
    data_.Reset(CreateFileA(path_.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  // Offsets whose bytes may not be on disk are never written.
  if (!data_.IsValid() || !FlushFileBuffers(data_.Get())) return;
  WriteResumeFile(path_, md5_, chunks);
}
