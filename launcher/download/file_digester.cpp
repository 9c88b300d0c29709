#include "launcher/download/file_digester.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

constexpr DWORD kReadBlockBytes = 1 << 20;

}  // namespace

FileDigester::FileDigester(std::string path, int64_t size)
    : path_(std::move(path)), size_(size < 0 ? 0 : size), worker_([this] { HashWritten(); }) {
  if (size_ == 0) {
    digest_.Final();
    state_ = State::Done;
  }
}

FileDigester::~FileDigester() {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = true;
}

void FileDigester::Advance(int64_t written) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const int64_t bounded = std::min(written, size_);
    if (bounded <= written_) return;
    written_ = bounded;
  }
  worker_.Schedule();
}

std::string FileDigester::HexDigest() const {
  return state_ == State::Done ? digest_.HexDigest() : std::string();
}

std::string FileDigester::error() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

bool FileDigester::Stopping() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

void FileDigester::Fail(const std::string& error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = error;
  }
  state_ = State::Failed;
}

void FileDigester::HashWritten() {
  int64_t target = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    target = written_;
  }
  if (state_ != State::Hashing) return;
  int64_t hashed = hashed_;
  if (hashed >= target) return;
  if (!file_.IsValid()) {
    // Sharing delete lets a failed download remove the file under us.
    file_.Reset(CreateFileA(path_.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_.IsValid()) {
      Fail("open:(" + path_ + ") failed,errno:" + std::to_string(GetLastError()));
      return;
    }
    block_ = std::make_unique<char[]>(kReadBlockBytes);
  }
  while (hashed < target) {
    if (Stopping()) return;
    const DWORD wanted = static_cast<DWORD>(std::min<int64_t>(kReadBlockBytes, target - hashed));
    DWORD read = 0;
    if (!ReadFile(file_.Get(), block_.get(), wanted, &read, nullptr)) {
      Fail("read:(" + path_ + ") failed,errno:" + std::to_string(GetLastError()));
      return;
    }
    if (read == 0) {
      // Shorter than the bytes said to be written: it cannot be the file.
      Fail("short:(" + path_ + ") ends at " + std::to_string(hashed));
      return;
    }
    digest_.Update(block_.get(), read);
    hashed += read;
    hashed_ = hashed;
  }
  if (hashed == size_) {
    digest_.Final();
    state_ = State::Done;
  }
}
