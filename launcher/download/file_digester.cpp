#include "launcher/download/file_digester.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "launcher/download/file_handle.h"

namespace {

constexpr DWORD kReadBlockBytes = 1 << 20;

}  // namespace

FileDigester::FileDigester(std::string path, int64_t size)
    : path_(std::move(path)), size_(size < 0 ? 0 : size), thread_(&FileDigester::Run, this) {}

FileDigester::~FileDigester() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void FileDigester::Advance(int64_t written) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t bounded = std::min(written, size_);
    if (bounded <= written_) return;
    written_ = bounded;
  }
  wake_.notify_one();
}

std::string FileDigester::HexDigest() const {
  return state_ == State::Done ? digest_.HexDigest() : std::string();
}

std::string FileDigester::error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void FileDigester::Fail(const std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = error;
  }
  state_ = State::Failed;
}

void FileDigester::Run() {
  FileHandle file;
  std::unique_ptr<char[]> block;
  int64_t hashed = 0;
  while (hashed < size_) {
    int64_t target = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stop_ || written_ > hashed; });
      if (stop_) return;
      target = written_;
    }
    if (!file.IsValid()) {
      // Opened late: the writer may create the file after the digester starts.
      // Sharing delete lets a failed download remove the file under us.
      file.Reset(CreateFileA(path_.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
      if (!file.IsValid()) {
        Fail("open:(" + path_ + ") failed,errno:" + std::to_string(GetLastError()));
        return;
      }
      block.reset(new char[kReadBlockBytes]);
    }
    while (hashed < target) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) return;
      }
      const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(kReadBlockBytes, target - hashed));
      DWORD read = 0;
      if (!ReadFile(file.Get(), block.get(), wanted, &read, nullptr)) {
        Fail("read:(" + path_ + ") failed,errno:" + std::to_string(GetLastError()));
        return;
      }
      if (read == 0) {
        // Shorter than the bytes said to be written: it cannot be the file.
        Fail("short:(" + path_ + ") ends at " + std::to_string(hashed));
        return;
      }
      digest_.Update(block.get(), read);
      hashed += read;
      hashed_ = hashed;
    }
  }
  digest_.Final();
  state_ = State::Done;
}
