#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/md5.h"
#include "launcher/download/file_handle.h"
#include "launcher/download/pool_worker.h"

// Computes the MD5 of a file on a pool thread while the file is still being
// written, so a finished download waits only for its last bytes to be hashed
// instead of reading the whole file again. The owner tells how much of the
// file, counted from its start, is written (Advance); the digester reads
// those bytes back and hashes them, never going past what it was told.
class FileDigester {
 public:
  enum class State { Hashing, Done, Failed };

  // `path` in the ANSI code page; `size` is the whole file's length.
  FileDigester(std::string path, int64_t size);
  // Stops hashing at the next block and waits for it.
  ~FileDigester();
  FileDigester(const FileDigester&) = delete;
  FileDigester& operator=(const FileDigester&) = delete;

  // The first `written` bytes are on disk. Smaller values than before are
  // ignored; values past the size count as the size.
  void Advance(int64_t written);

  int64_t size() const { return size_; }
  State state() const { return state_; }
  int64_t hashed_bytes() const { return hashed_; }
  // After Done: the digest's 32 hexadecimal digits.
  std::string HexDigest() const;
  // After Failed: why.
  std::string error() const;

 private:
  // The pool job: hashes up to the written length.
  void HashWritten();
  bool Stopping() const;
  void Fail(const std::string& error);

  const std::string path_;
  const int64_t size_;
  std::atomic<State> state_{State::Hashing};
  std::atomic<int64_t> hashed_{0};
  mutable std::mutex mutex_;
  int64_t written_ = 0;  // guarded by mutex_
  bool stop_ = false;    // guarded by mutex_
  std::string error_;    // guarded by mutex_; set before state_ turns Failed
  // The job's own, until state_ leaves Hashing.
  Md5 digest_;
  FileHandle file_;
  std::unique_ptr<char[]> block_;
  // Last: it goes first, while everything its job uses is still there.
  PoolWorker worker_;
};
