#include "launcher/download/transfer_queue.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/file_io.h"
#include "launcher/download/download_url.h"
#include "launcher/download/tls_options.h"

namespace {

constexpr char kEmptyFileMd5[] = "d41d8cd98f00b204e9800998ecf8427e";
constexpr int kHandlePoolSize = 5;
constexpr long kReceiveBufferBytes = 500000;
constexpr long kConnectSeconds = 10;
constexpr long kMostRedirects = 10;
constexpr int kIdleWaitsPerPoll = 6;
constexpr long kIdleWaitMicroseconds = 500;
constexpr int64_t kSpeedLimitUnit = 204;
// Longest a Poll keeps pumping busy transfers before the worker thread's
// other tasks (the states, a pause request) get their turn.
constexpr int64_t kPumpMilliseconds = 50;
constexpr int64_t kResumeSaveIntervalMs = 1000;
// The "?t=" value keeps the 31-bit form the content hosts have always seen.
constexpr int64_t kQueryTickModulus = 2147483647;

void DeleteIfPresent(const std::string& path) { DeleteFileA(path.c_str()); }

int ModeIndex(DownloadMode mode) { return static_cast<int>(mode) & 1; }

// Tells a caller of DownloadFile at once, before any transfer.
void Answer(const FileRequest& request, DownloadResult result, const std::string& message) {
  if (request.doneCallback) {
    request.doneCallback(request.tag, static_cast<int32_t>(result), request.url, message);
  }
}

}  // namespace

TransferQueue::TransferQueue(const qbase::Clock& clock, const std::atomic<bool>& enabled,
                             const HostRequester& requester, DownloadStatistics& statistics,
                             ReportSender& reports)
    : clock_(clock),
      enabled_(enabled),
      requester_(requester),
      statistics_(statistics),
      reports_(reports),
      delegate_(SilentDownloadDelegate()) {}

TransferQueue::~TransferQueue() {
  DropAllTasks();
  idle_handles_.clear();
  pooled_handles_.clear();
}

void TransferQueue::SetSpeedLimit(DownloadMode mode, bool on, int32_t speed) {
  limit_on_[ModeIndex(mode)] = on;
  limit_speed_[ModeIndex(mode)] = speed;
}

void TransferQueue::ApplySpeedLimit(DownloadMode mode) { limit_changed_[ModeIndex(mode)] = true; }

void TransferQueue::Open() {
  multi_handle_.reset(curl_multi_init());
  if (multi_handle_) {
    curl_multi_setopt(multi_handle_.get(), CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
  }
  paused_ = false;
  mode_ = DownloadMode::Game;
  poll_ms_ = 0;
  CreateHandlePool();
}

void TransferQueue::Close() {
  CancelAll(DownloadMode::Game);
  idle_handles_.clear();
  pooled_handles_.clear();
  // Its connections must close while the network layer is still there, not
  // in a static destructor after the process has shut it down.
  multi_handle_.reset();
}

bool TransferQueue::HasWork() const {
  return !waiting_tasks_.empty() || !running_tasks_.empty() || !file_checks_.empty();
}

void TransferQueue::CreateHandlePool() {
  for (int i = 0; i < kHandlePoolSize; ++i) {
    CurlEasyHandle handle(curl_easy_init());
    if (!handle) return;
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2_0));
    curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TransferQueue::OnReceive);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    // A range may take any time while bytes flow (speed limits, pauses);
    // only a transfer that stops receiving fails.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &TransferQueue::OnTransferProgress);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMostRedirects);
    idle_handles_.push_back(easy);
    pooled_handles_.push_back(std::move(handle));
  }
}

int64_t TransferQueue::SpeedCap(DownloadMode mode) const {
  if (!limit_on_[ModeIndex(mode)]) return 0;
  const int64_t cap = static_cast<int64_t>(limit_speed_[ModeIndex(mode)]) * kSpeedLimitUnit;
  return cap > 0 ? cap : 0;
}

void TransferQueue::ApplyPendingSpeedLimits() {
  for (DownloadMode mode : {DownloadMode::Game, DownloadMode::PreDownload}) {
    if (!limit_changed_[ModeIndex(mode)].exchange(false)) continue;
    if (mode != mode_) continue;
    const int64_t cap = SpeedCap(mode_);
    for (const auto& task : running_tasks_) StartPacing(task.get(), cap);
    // The next speed comes only from samples taken under the new cap.
    statistics_.ClearSamples();
  }
}

void TransferQueue::StartPacing(DownloadTask* task, int64_t cap) const {
  task->speedCap = cap;
  task->paceStartMs = clock_.NowMilliseconds();
  task->pacedBytes = 0;
}

void TransferQueue::ReleasePacedTransfers() {
  if (paused_) return;
  const int64_t now = clock_.NowMilliseconds();
  for (const auto& task : running_tasks_) {
    if (!task->ratePaused ||
        !PaceAllows(task->speedCap, now - task->paceStartMs, task->pacedBytes)) {
      continue;
    }
    task->ratePaused = false;
    curl_easy_pause(task->easy, CURLPAUSE_CONT);
  }
}

void TransferQueue::AddDoneBytes(int64_t bytes, bool copy_to_log) {
  statistics_.AddDoneBytes(bytes);
  if (copy_to_log) {
    statistics_.MarkBaseline();
    delegate_->SetLoggedDownloadSize(statistics_.done_bytes());
  }
  if (paused_ || !statistics_.TakeProgressDue()) return;
  delegate_->OnDownloadProgress(statistics_.total_bytes(), statistics_.done_bytes());
}

void TransferQueue::DownloadFile(FileRequest request) {
  if (requester_.hosts().empty()) {
    Answer(request, DownloadResult::Failed, "DownloadFile URL is empty");
    return;
  }
  if (request.size <= 0) {
    // An empty entry leaves an empty file, whatever stood there before; one
    // whose MD5 is of other bytes contradicts itself and touches nothing.
    if (!request.md5.empty() && request.md5 != kEmptyFileMd5) {
      Answer(request, DownloadResult::Failed,
             "size " + std::to_string(request.size) + " does not match md5 " + request.md5);
      return;
    }
    if (SetFileLength(request.path, 0, true)) {
      Answer(request, DownloadResult::Ok, "");
    } else {
      Answer(request, DownloadResult::Failed,
             "open:(" + request.path + ") failed,errno:" + std::to_string(GetLastError()));
    }
    return;
  }
  chunk_lists_.erase(request.path);
  digesters_.erase(request.path);
  resume_savers_.erase(request.path);

  if (!request.md5.empty()) {
    std::vector<ChunkInfo> pending;
    const int64_t present = GetFileLength(request.path);
    if (ReadResumeFile(request.path, request.md5, request.size, &pending) && present >= 0) {
      // Bytes past the file's size cannot be part of it.
      if (present > request.size) SetFileLength(request.path, request.size, false);
      int64_t pending_bytes = 0;
      for (const ChunkInfo& chunk : pending) {
        pending_bytes += chunk.end - chunk.begin + 1;
        NewTask(request, chunk);
      }
      AddDoneBytes(request.size - pending_bytes, true);
      return;
    }
    if (GetFileLength(request.path) == request.size) {
      // A file already in place is hashed off this thread like a finished
      // download; it is fetched only when its digest differs.
      auto check = std::make_unique<FileCheck>();
      check->request = std::move(request);
      check->alreadyPresent = true;
      check->digester = std::make_unique<FileDigester>(check->request.path, check->request.size);
      check->digester->Advance(check->request.size);
      file_checks_.push_back(std::move(check));
      return;
    }
  }
  StartFreshDownload(request);
}

void TransferQueue::StartFreshDownload(const FileRequest& request) {
  // Bytes of an earlier file must not survive into this one.
  if (GetFileLength(request.path) >= 0) SetFileLength(request.path, 0, false);
  for (const ChunkInfo& chunk : PlanChunks(request.size)) NewTask(request, chunk);
  WriteResumeFile(request.path, request.md5, chunk_lists_[request.path]);
}

void TransferQueue::NewTask(const FileRequest& request, const ChunkInfo& chunk) {
  auto task = std::make_unique<DownloadTask>();
  task->queue = this;
  task->request = request;
  task->lastSaveMs = clock_.NowMilliseconds();
  task->chunkIndex = chunk.index;
  task->begin = chunk.begin;
  task->end = chunk.end;
  waiting_tasks_.push_back(std::move(task));
  chunk_lists_[request.path].push_back(chunk);
}

int TransferQueue::RemoveChunk(const std::string& path, int32_t index) {
  auto entry = chunk_lists_.find(path);
  if (entry == chunk_lists_.end()) return 0;
  std::vector<ChunkInfo>& chunks = entry->second;
  auto chunk = std::find_if(chunks.begin(), chunks.end(),
                            [index](const ChunkInfo& info) { return info.index == index; });
  if (chunk != chunks.end()) chunks.erase(chunk);
  return static_cast<int>(chunks.size());
}

void TransferQueue::SaveResumeFile(DownloadTask* task) {
  const FileRequest& request = task->request;
  auto entry = chunk_lists_.find(request.path);
  if (entry == chunk_lists_.end()) return;
  for (ChunkInfo& chunk : entry->second) {
    if (chunk.index != task->chunkIndex) continue;
    chunk.begin = task->begin;
    chunk.end = task->end;
    // A file with every range written is checked next and its resume file
    // removed; the older one left meanwhile only costs a re-download.
    if (WrittenPrefix(entry->second, request.size) == request.size) return;
    std::unique_ptr<ResumeSaver>& saver = resume_savers_[request.path];
    if (!saver) saver = std::make_unique<ResumeSaver>(request.path, request.md5);
    saver->Save(entry->second);
    return;
  }
}

void TransferQueue::Poll() {
  ApplyPendingSpeedLimits();
  if (!enabled_ || !HasWork()) return;
  poll_ms_ = clock_.NowMilliseconds();

  if (multi_handle_ && !running_tasks_.empty()) {
    ReleasePacedTransfers();
    if (!PumpTransfers()) return;
    CURLMsg* message = nullptr;
    int left = 0;
    while (enabled_ && (message = curl_multi_info_read(multi_handle_.get(), &left)) != nullptr) {
      if (message->msg == CURLMSG_DONE) {
        OnTransferDone(message->easy_handle, message->data.result);
      }
    }
  }
  AdvanceDigesters();
  ContinueFileChecks();
  StartWaitingTasks();
}

bool TransferQueue::PumpTransfers() {
  CURLM* multi = multi_handle_.get();
  int running = 0;
  curl_multi_perform(multi, &running);
  int idle_waits = 0;
  const int64_t pump_until = clock_.NowMilliseconds() + kPumpMilliseconds;
  // Pump while data flows; a quiet set of transfers holds the thread for
  // about 3 ms, after which finished transfers are collected.
  while (running > 0 && enabled_ && clock_.NowMilliseconds() < pump_until) {
    fd_set read_set;
    fd_set write_set;
    fd_set error_set;
    FD_ZERO(&read_set);
    FD_ZERO(&write_set);
    FD_ZERO(&error_set);
    int highest = -1;
    if (curl_multi_fdset(multi, &read_set, &write_set, &error_set, &highest) != CURLM_OK) {
      return false;
    }
    bool active = false;
    if (highest >= 0) {
      timeval wait = {0, kIdleWaitMicroseconds};
      active = select(highest + 1, &read_set, &write_set, &error_set, &wait) > 0;
    }
    if (!active && ++idle_waits >= kIdleWaitsPerPoll) break;
    curl_multi_perform(multi, &running);
  }
  return true;
}

void TransferQueue::StartWaitingTasks() {
  while (enabled_ && !paused_ && !waiting_tasks_.empty() &&
         running_tasks_.size() < static_cast<size_t>(kMaxRunningTasks)) {
    std::unique_ptr<DownloadTask> task = std::move(waiting_tasks_.front());
    waiting_tasks_.pop_front();
    std::string error;
    if (StartTask(task.get(), &error)) {
      running_tasks_.push_back(std::move(task));
      continue;
    }
    if (requester_.CountFailure(&task->request.hosts)) {
      waiting_tasks_.push_back(std::move(task));
      continue;
    }
    AbandonFile(std::move(task), DownloadResult::StartFailed, error);
  }
}

bool TransferQueue::StartTask(DownloadTask* task, std::string* error) {
  const FileRequest& request = task->request;
  error->clear();
  if (!requester_.HasHost(request.hosts)) {
    *error = "no host for " + request.url;
    return false;
  }
  CreateParentFolders(request.path);
  ReleaseTransfer(task);
  task->file = FileHandle(CreateFileA(request.path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!task->file.IsValid()) {
    *error = "open:(" + request.path + ") failed,errno:" + std::to_string(GetLastError());
    return false;
  }
  if (idle_handles_.empty()) CreateHandlePool();
  if (idle_handles_.empty() || !multi_handle_) {
    *error = "no transfer handle";
    task->file.Reset();
    return false;
  }
  if (!request.md5.empty() && digesters_.count(request.path) == 0) {
    digesters_[request.path] = std::make_unique<FileDigester>(request.path, request.size);
  }
  task->easy = idle_handles_.front();
  idle_handles_.pop_front();

  std::string url = requester_.HostUrl(request.hosts, EncodeUrlPath(request.url));
  if (use_web_extra_param_) url += "?t=" + std::to_string(poll_ms_ % kQueryTickModulus);
  const std::string range = std::to_string(task->begin) + "-" + std::to_string(task->end);
  CURL* easy = task->easy;
  task->errorBuffer[0] = '\0';
  task->attemptBegin = task->begin;
  task->replyCarriesRange.reset();
  task->ratePaused = false;
  StartPacing(task, SpeedCap(mode_));
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  ApplyTlsOptions(easy, url, ReplyCap::None);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, task);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, task);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMostRedirects);
  curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stall_seconds_));
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, task->errorBuffer);
  const CURLMcode added = curl_multi_add_handle(multi_handle_.get(), easy);
  if (added != CURLM_OK) {
    // Not in the multi handle: hand the handle back without removing it.
    idle_handles_.push_back(task->easy);
    task->easy = nullptr;
    task->file.Reset();
    *error = curl_multi_strerror(added);
    reports_.AppendTrace("start task failed:" + request.url + ":" + *error + "\n");
    return false;
  }
  return true;
}

void TransferQueue::ReleaseTransfer(DownloadTask* task) {
  task->file.Reset();
  if (task->easy) {
    if (multi_handle_) curl_multi_remove_handle(multi_handle_.get(), task->easy);
    idle_handles_.push_back(task->easy);
    task->easy = nullptr;
  }
}

void TransferQueue::Notify(const FileRequest& request, DownloadResult result,
                           const std::string& message) const {
  if (enabled_) Answer(request, result, message);
}

void TransferQueue::AbandonFile(std::unique_ptr<DownloadTask> task, DownloadResult result,
                                const std::string& message) {
  // The file cannot be completed: its other ranges stop now, what arrived is
  // kept in the resume file for a later try, and the caller hears once.
  const std::string path = task->request.path;
  std::vector<std::unique_ptr<DownloadTask>> siblings;
  for (std::list<std::unique_ptr<DownloadTask>>* tasks : {&running_tasks_, &waiting_tasks_}) {
    for (auto it = tasks->begin(); it != tasks->end();) {
      if ((*it)->request.path != path) {
        ++it;
        continue;
      }
      siblings.push_back(std::move(*it));
      it = tasks->erase(it);
    }
  }
  SaveResumeFile(task.get());
  for (const auto& sibling : siblings) SaveResumeFile(sibling.get());
  auto saver = resume_savers_.find(path);
  if (saver != resume_savers_.end()) saver->second->WaitUntilSaved();
  for (const auto& sibling : siblings) ReleaseTransfer(sibling.get());
  siblings.clear();
  resume_savers_.erase(path);
  digesters_.erase(path);
  chunk_lists_.erase(path);
  ReleaseTransfer(task.get());
  Notify(task->request, result, message);
}

void TransferQueue::DropAllTasks() {
  for (const auto& task : running_tasks_) ReleaseTransfer(task.get());
  running_tasks_.clear();
  for (const auto& task : waiting_tasks_) ReleaseTransfer(task.get());
  waiting_tasks_.clear();
  file_checks_.clear();
  digesters_.clear();
  resume_savers_.clear();
}

bool TransferQueue::IsRunning(const DownloadTask* task) const {
  return std::any_of(running_tasks_.begin(), running_tasks_.end(),
                     [task](const auto& running) { return running.get() == task; });
}

size_t TransferQueue::OnReceive(char* data, size_t size, size_t count, void* task) {
  if (!task) return 0;
  DownloadTask* download = static_cast<DownloadTask*>(task);
  return download->queue->Receive(download, data, size * count);
}

size_t TransferQueue::Receive(DownloadTask* task, const char* data, size_t bytes) {
  if (!enabled_) return 0;
  const FileRequest& request = task->request;
  if (!IsRunning(task)) {
    reports_.AppendTrace(
        "non work task:" +
        std::to_string(static_cast<int32_t>(reinterpret_cast<intptr_t>(task->file.Get()))) +
        ":begin:" + std::to_string(task->begin) + ":end:" + std::to_string(task->end) + "\n");
    return 0;
  }
  // An error page or a reply for other offsets is never written into the
  // file: the transfer aborts and the range is tried again.
  if (!task->replyCarriesRange) {
    long status = 0;
    curl_easy_getinfo(task->easy, CURLINFO_RESPONSE_CODE, &status);
    std::optional<int64_t> range_start;
    curl_header* header = nullptr;
    if (curl_easy_header(task->easy, "Content-Range", 0, CURLH_HEADER, -1, &header) == CURLHE_OK) {
      range_start = ParseContentRangeStart(header->value);
    }
    task->replyCarriesRange = ReplyCarriesRange(status, range_start, task->begin);
  }
  if (!*task->replyCarriesRange) return 0;

  // libcurl's own receive cap lets whole bursts through, so the cap is kept
  // here: a transfer ahead of its schedule is held until Poll releases it.
  if (!PaceAllows(task->speedCap, clock_.NowMilliseconds() - task->paceStartMs, task->pacedBytes)) {
    task->ratePaused = true;
    return CURL_WRITEFUNC_PAUSE;
  }

  int64_t wanted = static_cast<int64_t>(bytes);
  if (task->begin + wanted > task->end) wanted = task->end - task->begin + 1;
  if (wanted <= 0) return 0;
  const std::string place = ":" + std::to_string(wanted) + ":begin:" + std::to_string(task->begin) +
                            ":end:" + std::to_string(task->end) + ":errno:";
  LARGE_INTEGER position;
  position.QuadPart = task->begin;
  if (!SetFilePointerEx(task->file.Get(), position, nullptr, FILE_BEGIN)) {
    reports_.AppendTrace("recv seek failed:" + request.url + place +
                         std::to_string(GetLastError()) + "\n");
    return 0;
  }
  DWORD written = 0;
  if (!WriteFile(task->file.Get(), data, static_cast<DWORD>(wanted), &written, nullptr)) {
    reports_.AppendTrace("recv write failed:" + request.url + place +
                         std::to_string(GetLastError()) + "\n");
    return 0;
  }
  task->begin += written;
  task->pacedBytes += written;
  if (poll_ms_ - task->lastSaveMs >= kResumeSaveIntervalMs || task->end < task->begin) {
    task->lastSaveMs = poll_ms_;
    SaveResumeFile(task);
  }
  AddDoneBytes(written, false);
  // A short write ends the transfer; the range resumes from `begin`.
  return written;
}

int TransferQueue::OnTransferProgress(void* task, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  if (!task) return 0;
  DownloadTask* download = static_cast<DownloadTask*>(task);
  TransferQueue* queue = download->queue;
  if (!queue->enabled_) return 1;
  if (!queue->IsRunning(download) || !download->request.speedCallback) return 0;
  curl_off_t speed = 0;
  if (curl_easy_getinfo(download->easy, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) return 0;
  queue->current_path_ = download->request.path;
  download->request.speedCallback(download->request.tag, static_cast<double>(speed));
  return 0;
}

void TransferQueue::OnTransferDone(CURL* easy, CURLcode result) {
  auto found = std::find_if(running_tasks_.begin(), running_tasks_.end(),
                            [easy](const auto& task) { return task->easy == easy; });
  if (found == running_tasks_.end()) {
    reports_.AppendTrace("handle task but not found:" +
                         std::to_string(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(easy))) +
                         "\n");
    return;
  }
  std::unique_ptr<DownloadTask> task = std::move(*found);
  running_tasks_.erase(found);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  const std::string error_text = task->errorBuffer;
  const bool progressed = task->begin > task->attemptBegin;
  ReleaseTransfer(task.get());

  if (task->end < task->begin) {
    CompleteChunk(std::move(task));
    return;
  }
  const std::string& url = task->request.url;
  const bool failed = result != CURLE_OK || (status != 200 && status != 206);
  if (!failed) {
    reports_.AppendTrace(url + ":" + std::to_string(task->begin) +
                         "<=" + std::to_string(task->end) + "\n");
  }
  if (progressed) {
    HostRequester::CountProgress(&task->request.hosts);
    waiting_tasks_.push_back(std::move(task));
    return;
  }
  if (requester_.CountFailure(&task->request.hosts)) {
    waiting_tasks_.push_back(std::move(task));
    return;
  }
  if (failed) {
    std::string message = std::to_string(static_cast<int>(result)) + "," + std::to_string(status);
    if (!error_text.empty()) message += "," + error_text;
    reports_.AppendTrace(url + ":" + message + "\n");
    AbandonFile(std::move(task), DownloadResult::TransferFailed, message);
    return;
  }
  const std::string message =
      "incomplete:" + std::to_string(task->begin) + "-" + std::to_string(task->end);
  AbandonFile(std::move(task), DownloadResult::Failed, message);
}

void TransferQueue::CompleteChunk(std::unique_ptr<DownloadTask> task) {
  if (RemoveChunk(task->request.path, task->chunkIndex) > 0) return;
  StartFileCheck(std::move(task->request));
}

void TransferQueue::AdvanceDigesters() {
  for (auto& entry : digesters_) {
    auto chunks = chunk_lists_.find(entry.first);
    if (chunks == chunk_lists_.end()) continue;
    // The registered offsets move only when the resume file is saved; the
    // running transfers know where they are.
    std::vector<ChunkInfo> pending = chunks->second;
    for (const auto& task : running_tasks_) {
      if (task->request.path != entry.first) continue;
      for (ChunkInfo& chunk : pending) {
        if (chunk.index == task->chunkIndex) chunk.begin = std::max(chunk.begin, task->begin);
      }
    }
    entry.second->Advance(WrittenPrefix(pending, entry.second->size()));
  }
}

void TransferQueue::StartFileCheck(FileRequest request) {
  auto check = std::make_unique<FileCheck>();
  check->request = std::move(request);
  const FileRequest& file = check->request;
  auto saver = resume_savers_.find(file.path);
  if (saver != resume_savers_.end()) {
    check->saver = std::move(saver->second);
    resume_savers_.erase(saver);
  }
  if (file.md5.empty()) {
    // Without an MD5 the file is held to its size at least.
    const int64_t length = GetFileLength(file.path);
    const bool sized =
        length == file.size || (length > file.size && SetFileLength(file.path, file.size, false));
    FinishFileCheck(std::move(check), sized, "size " + std::to_string(length));
    return;
  }
  auto digester = digesters_.find(file.path);
  if (digester != digesters_.end()) {
    check->digester = std::move(digester->second);
    digesters_.erase(digester);
  } else {
    check->digester = std::make_unique<FileDigester>(file.path, file.size);
  }
  // Every range is written: whatever is not hashed yet can be.
  check->digester->Advance(file.size);
  file_checks_.push_back(std::move(check));
}

void TransferQueue::ContinueFileChecks() {
  // One finished check at a time: its callback may queue or cancel downloads.
  while (enabled_) {
    auto found = std::find_if(file_checks_.begin(), file_checks_.end(), [](const auto& check) {
      return check->digester->state() != FileDigester::State::Hashing;
    });
    if (found == file_checks_.end()) return;
    std::unique_ptr<FileCheck> check = std::move(*found);
    file_checks_.erase(found);
    const FileDigester& digester = *check->digester;
    const bool done = digester.state() == FileDigester::State::Done;
    const std::string actual = done ? digester.HexDigest() : digester.error();
    const bool verified = done && actual == check->request.md5;
    FinishFileCheck(std::move(check), verified, actual);
  }
}

void TransferQueue::FinishFileCheck(std::unique_ptr<FileCheck> check, bool verified,
                                    const std::string& actual) {
  // Their handles are closed, and no late resume file written, before the
  // files may be deleted.
  check->digester.reset();
  check->saver.reset();
  FileRequest& request = check->request;
  if (verified) {
    if (check->alreadyPresent) {
      AddDoneBytes(request.size, true);
    } else {
      DeleteIfPresent(ResumeFilePath(request.path));
    }
    Notify(request, DownloadResult::Ok, "");
    return;
  }
  if (check->alreadyPresent) {
    // Another file of the same size: no failed try, just a download.
    StartFreshDownload(request);
    return;
  }
  reports_.AppendTrace(request.url + ":" + request.md5 + "!=" + actual + "\n");
  // Bad bytes are never kept: the file goes either way.
  DeleteIfPresent(request.path);
  DeleteIfPresent(ResumeFilePath(request.path));
  if (!requester_.CountFailure(&request.hosts)) {
    Notify(request, DownloadResult::Md5Mismatch, "check md5 error");
    return;
  }
  const int64_t size = request.size;
  DownloadFile(std::move(request));
  AddDoneBytes(-size, false);
}

void TransferQueue::Pause() {
  paused_ = true;
  for (const auto& task : running_tasks_) curl_easy_pause(task->easy, CURLPAUSE_ALL);
}

void TransferQueue::Continue() {
  paused_ = false;
  for (const auto& task : running_tasks_) {
    // The time spent paused is no credit for a burst.
    StartPacing(task.get(), task->speedCap);
    task->ratePaused = false;
    curl_easy_pause(task->easy, CURLPAUSE_CONT);
  }
}

void TransferQueue::CancelAll(DownloadMode mode) {
  DropAllTasks();
  chunk_lists_.clear();
  paused_ = false;
  mode_ = mode;
}
