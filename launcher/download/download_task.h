#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "launcher/download/file_handle.h"
#include "launcher/download/host_requester.h"

class TransferQueue;

// Outcomes handed to the callers' callbacks.
enum class DownloadResult : int32_t {
  Ok = 0,
  Failed = -1,
  StartFailed = -2,
  TransferFailed = -3,
  Md5Mismatch = -4,
};

// Which speed-limit setting applies to the transfers.
enum class DownloadMode : int32_t {
  Game = 0,
  PreDownload = 1,
};

// (tag, code, url relative to a host, message).
using DownloadDoneCallback = std::function<void(int32_t tag, int32_t code, const std::string& url,
                                                const std::string& message)>;
// (tag, bytes per second of one transfer).
using SpeedSampleCallback = std::function<void(int32_t tag, double bytes_per_second)>;
// (tag, code, url, reply followed by a zero byte, reply size, message); the
// reply is valid only during the call.
using MemoryDoneCallback =
    std::function<void(int32_t tag, int32_t code, const std::string& url, const char* data,
                       int32_t size, const std::string& message)>;
// (tag, code, url, exists, message).
using ProbeDoneCallback = std::function<void(int32_t tag, int32_t code, const std::string& url,
                                             bool exists, const std::string& message)>;

// What a caller asked for one file. Every range of the file carries a copy,
// and the file's check takes over the copy of the range that completed it.
struct FileRequest {
  std::string url;   // relative to a host
  std::string path;  // local file (ANSI code page)
  std::string md5;   // expected MD5 of the whole file; empty: checked by size
  int64_t size = 0;
  int32_t tag = 0;
  // Where this range, or the file's check, stands on the host list.
  HostCursor hosts;
  DownloadDoneCallback doneCallback;
  SpeedSampleCallback speedCallback;
};

// One byte range of one file, owned by the transfer queue from its queuing
// until it is finished. Offsets are 64-bit, so no file size overflows them.
struct DownloadTask {
  TransferQueue* queue = nullptr;  // not owned: the queue that runs it
  FileRequest request;
  CURL* easy = nullptr;  // lent by the queue's handle pool while running
  FileHandle file;
  int64_t lastSaveMs = 0;  // when this range last saved the resume file
  int32_t chunkIndex = 0;
  int64_t begin = 0;         // next offset to write
  int64_t end = 0;           // last offset of the range; finished when end < begin
  int64_t attemptBegin = 0;  // `begin` when the current attempt started
  // Whether the reply of the current attempt carries this range's bytes (not
  // an error page or a misplaced range); unset until its first block.
  std::optional<bool> replyCarriesRange;
  // Receive-speed cap of this transfer in bytes per second (0: none), paced
  // by the queue: the bytes accepted since `paceStartMs` stay within it.
  int64_t speedCap = 0;
  int64_t paceStartMs = 0;
  int64_t pacedBytes = 0;
  bool ratePaused = false;
  char errorBuffer[CURL_ERROR_SIZE] = {};
};

// Whether a reply with this HTTP status and Content-Range start (none when the
// header is absent) holds the bytes of a range that begins at `begin`: a 206
// whose range starts there, or a whole-file 200 when the range starts at 0.
bool ReplyCarriesRange(long status, std::optional<int64_t> content_range_start, int64_t begin);

// Whether a transfer capped at `cap` bytes per second that has taken
// `paced_bytes` within `elapsed_ms` may take more now; a small burst is allowed
// so the transfer is not stopped for every block.
bool PaceAllows(int64_t cap, int64_t elapsed_ms, int64_t paced_bytes);

// The first offset of a "bytes FIRST-LAST/SIZE" Content-Range value.
std::optional<int64_t> ParseContentRangeStart(const std::string& value);
