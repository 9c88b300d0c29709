#include "launcher/download/download_manager.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "base/file_io.h"
#include "base/file_path.h"
#include "base/json_util.h"
#include "launcher/download/download_url.h"

namespace {

constexpr char kUserAgent[] = "libcurl-agent/1.0";
constexpr char kAttributionUrl[] = "https://attribution.qelgames.com/v1/adjust";
constexpr char kRegionalGateUrl[] = "https://gate-tw.qelgames.com/";
constexpr char kGlobalGateUrl[] = "https://gate.qelgames.com/";
constexpr char kTrackUrl[] =
    "https://track.qelgames.com/track/json_track?token=7d41c09e3ab52f68e0d9b174";
constexpr char kReportContentType[] = "Content-Type:application/json; charset=UTF-8";
// In the launcher's "save" folder, relative to its folder.
constexpr char kTracePath[] = ".\\save\\dltrace.log";
constexpr char kEmptyFileMd5[] = "d41d8cd98f00b204e9800998ecf8427e";
constexpr int kHandlePoolSize = 5;
constexpr long kReceiveBufferBytes = 500000;
constexpr int kIdleWaitsPerPoll = 6;
constexpr int64_t kSpeedLimitUnit = 204;
// Longest a Poll keeps pumping busy transfers before the worker thread's
// other tasks (the states, a pause request) get their turn.
constexpr uint64_t kPumpMilliseconds = 50;

uint32_t TickNow() { return GetTickCount() % 2147483647u; }

std::string FormatText(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), format, value);
  return buffer;
}

void DeleteIfPresent(const std::string& path) { DeleteFileA(path.c_str()); }

// Reply body of a memory request, bound to its manager's enabled flag.
struct MemoryReply {
  const std::atomic<bool>* enabled;
  std::string bytes;
  bool tooLarge = false;
};

std::string TooLargeMessage() {
  return "reply larger than " + std::to_string(DownloadManager::kMaxReplyBytes) + " bytes";
}

// An HTTPS request is never redirected to plain HTTP, where anyone on the
// way could answer in the server's name.
void RestrictRedirects(CURL* easy, const std::string& url) {
  const bool secure = url.compare(0, 8, "https://") == 0;
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
}

}  // namespace

DownloadManager& DownloadManager::GetInstance() {
  static DownloadManager manager;
  return manager;
}

DownloadManager::DownloadManager() {
  static DownloadManagerDelegate silent;
  delegate_ = &silent;
}

DownloadManager::~DownloadManager() {
  DropAllTasks();
  idleHandles_.clear();
  pooledHandles_.clear();
}

void DownloadManager::SetDelegate(DownloadManagerDelegate* delegate) {
  static DownloadManagerDelegate silent;
  delegate_ = delegate ? delegate : &silent;
}

void DownloadManager::SetServiceSettings(const DownloadServiceSettings& settings) {
  serviceSettings_ = settings;
}

void DownloadManager::SetSpeedLimit(DownloadMode mode, bool on, int32_t speed) {
  const int index = static_cast<int>(mode) & 1;
  limitOn_[index] = on;
  limitSpeed_[index] = speed;
}

void DownloadManager::SetStallTimeout(int32_t seconds) { stallSeconds_ = seconds; }

void DownloadManager::SetUseWebExtraParam(bool on) { useWebExtraParam_ = on; }

void DownloadManager::Init() {
  attributionUrl_ = kAttributionUrl;
  const std::vector<std::string> built_in_gates = {kRegionalGateUrl, kRegionalGateUrl,
                                                   kGlobalGateUrl};
  trackUrl_ = kTrackUrl;
  gateUrls_ = serviceSettings_.gateUrls.empty() ? built_in_gates : serviceSettings_.gateUrls;
  multiHandle_.reset(curl_multi_init());
  if (multiHandle_) {
    curl_multi_setopt(multiHandle_.get(), CURLMOPT_PIPELINING, CURLPIPE_MULTIPLEX);
  }
  statistics_.Clear();
  enabled_ = true;
  paused_ = false;
  triesPerHost_ = kTriesPerHost;
  mode_ = DownloadMode::Game;
  tickNow_ = 0;
  lastReply_.clear();
  if (!serviceSettings_.trackUrl.empty()) trackUrl_ = serviceSettings_.trackUrl;
  if (!serviceSettings_.attributionUrl.empty()) attributionUrl_ = serviceSettings_.attributionUrl;
  CreateHandlePool();
  tracePath_ = kTracePath;
  CreateParentFolders(tracePath_);
  FileHandle trace(CreateFileA(tracePath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void DownloadManager::Shutdown() {
  enabled_ = false;
  paused_ = true;
  CancelAll(DownloadMode::Game);
  queuedReports_.clear();
  idleHandles_.clear();
  pooledHandles_.clear();
  // Its connections must close while the network layer is still there, not
  // in a static destructor after the process has shut it down.
  multiHandle_.reset();
}

void DownloadManager::SetDlcUrls(const std::vector<std::string>& urls) {
  dlcUrls_ = serviceSettings_.dlcUrls.empty() ? urls : serviceSettings_.dlcUrls;
}

bool DownloadManager::HasWork() const {
  return !waitingTasks_.empty() || !runningTasks_.empty() || !fileChecks_.empty();
}

void DownloadManager::CreateHandlePool() {
  for (int i = 0; i < kHandlePoolSize; ++i) {
    CurlEasyHandle handle(curl_easy_init());
    if (!handle) return;
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2_0));
    curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
    // Downloads become executables run as administrator: trust only what the
    // system's certificate store trusts.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &DownloadManager::OnReceive);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 10L);
    // A range may take any time while bytes flow (speed limits, pauses);
    // only a transfer that stops receiving fails.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &DownloadManager::OnTransferProgress);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    idleHandles_.push_back(easy);
    pooledHandles_.push_back(std::move(handle));
  }
}

int64_t DownloadManager::SpeedCap(DownloadMode mode) const {
  const int index = static_cast<int>(mode) & 1;
  if (!limitOn_[index]) return 0;
  const int64_t cap = static_cast<int64_t>(limitSpeed_[index]) * kSpeedLimitUnit;
  return cap > 0 ? cap : 0;
}

void DownloadManager::ApplySpeedLimit(DownloadMode mode) {
  limitChanged_[static_cast<int>(mode) & 1] = true;
}

void DownloadManager::ApplyPendingSpeedLimits() {
  for (int index = 0; index < 2; ++index) {
    if (!limitChanged_[index].exchange(false)) continue;
    if (index != static_cast<int>(mode_)) continue;
    const int64_t cap = SpeedCap(mode_);
    for (DownloadTask* task : runningTasks_) StartPacing(task, cap);
    // The next speed comes only from samples taken under the new cap.
    statistics_.ClearSamples();
  }
}

void DownloadManager::StartPacing(DownloadTask* task, int64_t cap) {
  task->speedCap = cap;
  task->paceStartMs = GetTickCount64();
  task->pacedBytes = 0;
}

void DownloadManager::ReleasePacedTransfers() {
  if (paused_) return;
  const uint64_t now = GetTickCount64();
  for (DownloadTask* task : runningTasks_) {
    if (!task->ratePaused ||
        !PaceAllows(task->speedCap, now - task->paceStartMs, task->pacedBytes)) {
      continue;
    }
    task->ratePaused = false;
    curl_easy_pause(task->easy, CURLPAUSE_CONT);
  }
}

void DownloadManager::AddDoneBytes(int64_t bytes, bool copy_to_log) {
  statistics_.AddDoneBytes(bytes);
  if (copy_to_log) {
    statistics_.MarkBaseline();
    delegate_->SetLoggedDownloadSize(statistics_.done_bytes());
  }
  if (paused_ || !statistics_.TakeProgressDue()) return;
  delegate_->OnDownloadProgress(statistics_.total_bytes(), statistics_.done_bytes());
}

void DownloadManager::DownloadFile(std::string url, std::string path, std::string md5, int64_t size,
                                   DownloadDoneCallback doneCallback,
                                   SpeedSampleCallback speedCallback, int32_t tag, int32_t tries,
                                   int32_t hostIndex) {
  if (activeUrls_.empty()) {
    if (doneCallback) doneCallback(tag, -1, url, "DownloadFile URL is empty");
    return;
  }
  if (size <= 0) {
    // An empty entry leaves an empty file, whatever stood there before; one
    // whose MD5 is of other bytes contradicts itself and touches nothing.
    if (!md5.empty() && md5 != kEmptyFileMd5) {
      if (doneCallback) {
        doneCallback(tag, static_cast<int32_t>(DownloadResult::Failed), url,
                     "size " + std::to_string(size) + " does not match md5 " + md5);
      }
      return;
    }
    const bool made = SetFileLength(path, 0, true);
    if (doneCallback) {
      doneCallback(
          tag, made ? 0 : static_cast<int32_t>(DownloadResult::Failed), url,
          made ? "" : "open:(" + path + ") failed,errno:" + std::to_string(GetLastError()));
    }
    return;
  }
  chunkLists_.erase(path);
  digesters_.erase(path);
  resumeSavers_.erase(path);

  if (!md5.empty()) {
    std::vector<ChunkInfo> pending;
    const int64_t present = GetFileLength(path);
    if (ReadResumeFile(path, md5, size, &pending) && present >= 0) {
      // Bytes past the file's size cannot be part of it.
      if (present > size) SetFileLength(path, size, false);
      int64_t pending_bytes = 0;
      for (const ChunkInfo& chunk : pending) {
        pending_bytes += chunk.end - chunk.begin + 1;
        NewTask(url, path, md5, chunk, size, doneCallback, speedCallback, tag, tries, hostIndex);
      }
      AddDoneBytes(size - pending_bytes, true);
      return;
    }
    if (GetFileLength(path) == size) {
      // A file already in place is hashed off this thread like a finished
      // download; it is fetched only when its digest differs.
      std::unique_ptr<FileCheck> check(new FileCheck);
      check->url = url;
      check->path = path;
      check->md5 = md5;
      check->fileSize = size;
      check->tag = tag;
      check->tries = tries;
      check->hostIndex = hostIndex;
      check->doneCallback = std::move(doneCallback);
      check->speedCallback = std::move(speedCallback);
      check->alreadyPresent = true;
      check->digester.reset(new FileDigester(path, size));
      check->digester->Advance(size);
      fileChecks_.push_back(std::move(check));
      return;
    }
  }
  StartFreshDownload(url, path, md5, size, doneCallback, speedCallback, tag, tries, hostIndex);
}

void DownloadManager::StartFreshDownload(const std::string& url, const std::string& path,
                                         const std::string& md5, int64_t size,
                                         const DownloadDoneCallback& done,
                                         const SpeedSampleCallback& speed, int32_t tag,
                                         int32_t tries, int32_t hostIndex) {
  // Bytes of an earlier file must not survive into this one.
  if (GetFileLength(path) >= 0) SetFileLength(path, 0, false);
  for (const ChunkInfo& chunk : PlanChunks(size)) {
    NewTask(url, path, md5, chunk, size, done, speed, tag, tries, hostIndex);
  }
  WriteResumeFile(path, md5, chunkLists_[path]);
}

void DownloadManager::NewTask(const std::string& url, const std::string& path,
                              const std::string& md5, const ChunkInfo& chunk, int64_t size,
                              const DownloadDoneCallback& done, const SpeedSampleCallback& speed,
                              int32_t tag, int32_t tries, int32_t hostIndex) {
  DownloadTask* task = new DownloadTask;
  task->manager = this;
  task->url = url;
  task->path = path;
  task->md5 = md5;
  task->tries = tries;
  task->hostIndex = hostIndex;
  task->tag = tag;
  task->lastSaveTick = TickNow();
  task->chunkIndex = chunk.index;
  task->begin = chunk.begin;
  task->end = chunk.end;
  task->fileSize = size;
  task->doneCallback = done;
  task->speedCallback = speed;
  waitingTasks_.push_back(task);
  chunkLists_[path].push_back(chunk);
}

int DownloadManager::RemoveChunk(const std::string& path, int32_t index) {
  auto entry = chunkLists_.find(path);
  if (entry == chunkLists_.end()) return 0;
  std::vector<ChunkInfo>& chunks = entry->second;
  auto chunk = std::find_if(chunks.begin(), chunks.end(),
                            [index](const ChunkInfo& info) { return info.index == index; });
  if (chunk != chunks.end()) chunks.erase(chunk);
  return static_cast<int>(chunks.size());
}

void DownloadManager::SaveResumeFile(DownloadTask* task) {
  auto entry = chunkLists_.find(task->path);
  if (entry == chunkLists_.end()) return;
  for (ChunkInfo& chunk : entry->second) {
    if (chunk.index != task->chunkIndex) continue;
    chunk.begin = task->begin;
    chunk.end = task->end;
    // A file with every range written is checked next and its resume file
    // removed; the older one left meanwhile only costs a re-download.
    if (WrittenPrefix(entry->second, task->fileSize) == task->fileSize) return;
    std::unique_ptr<ResumeSaver>& saver = resumeSavers_[task->path];
    try {
      if (!saver) saver.reset(new ResumeSaver(task->path, task->md5));
    } catch (const std::exception&) {
      // Out of memory: save in place, the data first.
      FlushFileBuffers(task->file.Get());
      WriteResumeFile(task->path, task->md5, entry->second);
      return;
    }
    saver->Save(entry->second);
    return;
  }
}

void DownloadManager::Poll() {
  ApplyPendingSpeedLimits();
  if (!enabled_ || !HasWork()) return;
  tickNow_ = TickNow();

  if (multiHandle_ && !runningTasks_.empty()) {
    ReleasePacedTransfers();
    CURLM* multi = multiHandle_.get();
    int running = 0;
    curl_multi_perform(multi, &running);
    int idle_waits = 0;
    const uint64_t pump_until = GetTickCount64() + kPumpMilliseconds;
    // Pump while data flows; a quiet set of transfers holds the thread for
    // about 3 ms, after which finished transfers are collected below.
    while (running > 0 && enabled_ && GetTickCount64() < pump_until) {
      fd_set read_set;
      fd_set write_set;
      fd_set error_set;
      FD_ZERO(&read_set);
      FD_ZERO(&write_set);
      FD_ZERO(&error_set);
      int highest = -1;
      if (curl_multi_fdset(multi, &read_set, &write_set, &error_set, &highest) != CURLM_OK) {
        return;
      }
      bool active = false;
      if (highest >= 0) {
        timeval wait = {0, 500};
        active = select(highest + 1, &read_set, &write_set, &error_set, &wait) > 0;
      }
      if (!active && ++idle_waits >= kIdleWaitsPerPoll) break;
      curl_multi_perform(multi, &running);
    }
    CURLMsg* message = nullptr;
    int left = 0;
    while (enabled_ && (message = curl_multi_info_read(multi, &left)) != nullptr) {
      if (message->msg == CURLMSG_DONE) {
        OnTransferDone(message->easy_handle, message->data.result);
      }
    }
  }
  AdvanceDigesters();
  ContinueFileChecks();

  while (enabled_ && !paused_ && !waitingTasks_.empty() &&
         runningTasks_.size() < static_cast<size_t>(kMaxRunningTasks)) {
    DownloadTask* task = waitingTasks_.front();
    waitingTasks_.pop_front();
    std::string error;
    if (StartTask(task, &error)) {
      runningTasks_.push_back(task);
      continue;
    }
    if (CountTry(&task->tries, &task->hostIndex)) {
      waitingTasks_.push_back(task);
      continue;
    }
    AbandonFile(task, DownloadResult::StartFailed, error);
  }
}

bool DownloadManager::StartTask(DownloadTask* task, std::string* error) {
  error->clear();
  try {
    if (task->hostIndex < 0 || static_cast<size_t>(task->hostIndex) >= activeUrls_.size()) {
      *error = "no host for " + task->url;
      return false;
    }
    CreateParentFolders(task->path);
    FinishTask(task, 0, "prepare", false);
    task->file = FileHandle(CreateFileA(task->path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!task->file.IsValid()) {
      *error = "open:(" + task->path + ") failed,errno:" + std::to_string(GetLastError());
      return false;
    }
    if (idleHandles_.empty()) CreateHandlePool();
    if (idleHandles_.empty() || !multiHandle_) {
      *error = "no transfer handle";
      task->file.Reset();
      return false;
    }
    if (!task->md5.empty() && digesters_.count(task->path) == 0) {
      digesters_[task->path].reset(new FileDigester(task->path, task->fileSize));
    }
    task->easy = idleHandles_.front();
    idleHandles_.pop_front();

    std::string url = JoinUrl(activeUrls_[task->hostIndex], EncodeUrlPath(task->url));
    if (useWebExtraParam_) url += "?t=" + std::to_string(tickNow_);
    const std::string range = std::to_string(task->begin) + "-" + std::to_string(task->end);
    CURL* easy = task->easy;
    task->errorBuffer[0] = '\0';
    task->attemptBegin = task->begin;
    task->replyAccepted = 0;
    task->ratePaused = false;
    StartPacing(task, SpeedCap(mode_));
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, task);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, task);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    RestrictRedirects(easy, url);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stallSeconds_));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, task->errorBuffer);
    const CURLMcode added = curl_multi_add_handle(multiHandle_.get(), easy);
    if (added != CURLM_OK) {
      // Not in the multi handle: hand the handle back without removing it.
      idleHandles_.push_back(task->easy);
      task->easy = nullptr;
      task->file.Reset();
      *error = curl_multi_strerror(added);
      AppendTrace("start task failed:" + task->url + ":" + *error + "\n");
      return false;
    }
    return true;
  } catch (const std::exception& exception) {
    FinishTask(task, -1, "start task failed", false);
    *error = exception.what();
    AppendTrace("start task failed:" + task->url + ":" + *error + "\n");
    return false;
  }
}

void DownloadManager::FinishTask(DownloadTask* task, int32_t code, const std::string& message,
                                 bool notify) {
  task->file.Reset();
  if (task->easy) {
    if (multiHandle_) curl_multi_remove_handle(multiHandle_.get(), task->easy);
    idleHandles_.push_back(task->easy);
    task->easy = nullptr;
  }
  if (notify && enabled_ && task->doneCallback) {
    task->doneCallback(task->tag, code, task->url, message);
  }
}

void DownloadManager::DestroyTask(DownloadTask* task) { delete task; }

void DownloadManager::AbandonFile(DownloadTask* task, DownloadResult result,
                                  const std::string& message) {
  // The file cannot be completed: its other ranges stop now, what arrived is
  // kept in the resume file for a later try, and the caller hears once.
  const std::string path = task->path;
  std::vector<DownloadTask*> siblings;
  for (std::list<DownloadTask*>* tasks : {&runningTasks_, &waitingTasks_}) {
    for (auto it = tasks->begin(); it != tasks->end();) {
      if ((*it)->path != path) {
        ++it;
        continue;
      }
      siblings.push_back(*it);
      it = tasks->erase(it);
    }
  }
  SaveResumeFile(task);
  for (DownloadTask* sibling : siblings) SaveResumeFile(sibling);
  auto saver = resumeSavers_.find(path);
  if (saver != resumeSavers_.end()) saver->second->WaitUntilSaved();
  for (DownloadTask* sibling : siblings) {
    FinishTask(sibling, 0, "cancel", false);
    DestroyTask(sibling);
  }
  resumeSavers_.erase(path);
  digesters_.erase(path);
  chunkLists_.erase(path);
  FinishTask(task, static_cast<int32_t>(result), message, true);
  DestroyTask(task);
}

void DownloadManager::DropAllTasks() {
  for (DownloadTask* task : runningTasks_) {
    FinishTask(task, 0, "cancel", false);
    DestroyTask(task);
  }
  runningTasks_.clear();
  for (DownloadTask* task : waitingTasks_) {
    FinishTask(task, 0, "cancel", false);
    DestroyTask(task);
  }
  waitingTasks_.clear();
  fileChecks_.clear();
  digesters_.clear();
  resumeSavers_.clear();
}

bool DownloadManager::CountTry(int32_t* tries, int32_t* hostIndex) const {
  if (++*tries >= triesPerHost_) {
    *tries = 0;
    ++*hostIndex;
  }
  return *hostIndex >= 0 && static_cast<size_t>(*hostIndex) < activeUrls_.size();
}

bool DownloadManager::IsRunning(const DownloadTask* task) const {
  return std::find(runningTasks_.begin(), runningTasks_.end(), task) != runningTasks_.end();
}

size_t DownloadManager::OnReceive(char* data, size_t size, size_t count, void* task) {
  if (!task) return 0;
  DownloadTask* download = static_cast<DownloadTask*>(task);
  return download->manager->Receive(download, data, size * count);
}

size_t DownloadManager::Receive(DownloadTask* task, const char* data, size_t bytes) {
  if (!enabled_) return 0;
  if (!IsRunning(task)) {
    AppendTrace("non work task:" +
                std::to_string(static_cast<int32_t>(reinterpret_cast<intptr_t>(task->file.Get()))) +
                ":begin:" + std::to_string(task->begin) + ":end:" + std::to_string(task->end) +
                "\n");
    return 0;
  }
  // An error page or a reply for other offsets is never written into the
  // file: the transfer aborts and the range is tried again.
  if (task->replyAccepted == 0) {
    long status = 0;
    curl_easy_getinfo(task->easy, CURLINFO_RESPONSE_CODE, &status);
    int64_t range_start = -1;
    curl_header* header = nullptr;
    if (curl_easy_header(task->easy, "Content-Range", 0, CURLH_HEADER, -1, &header) == CURLHE_OK) {
      range_start = ParseContentRangeStart(header->value);
    }
    task->replyAccepted = ReplyCarriesRange(status, range_start, task->begin) ? 1 : -1;
  }
  if (task->replyAccepted < 0) return 0;

  // libcurl's own receive cap lets whole bursts through, so the cap is kept
  // here: a transfer ahead of its schedule is held until Poll releases it.
  if (!PaceAllows(task->speedCap, GetTickCount64() - task->paceStartMs, task->pacedBytes)) {
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
    AppendTrace("recv seek failed:" + task->url + place + std::to_string(GetLastError()) + "\n");
    return 0;
  }
  DWORD written = 0;
  if (!WriteFile(task->file.Get(), data, static_cast<DWORD>(wanted), &written, nullptr)) {
    AppendTrace("recv write failed:" + task->url + place + std::to_string(GetLastError()) + "\n");
    return 0;
  }
  task->begin += written;
  task->pacedBytes += written;
  if (tickNow_ - task->lastSaveTick >= 1000 || task->end < task->begin) {
    task->lastSaveTick = tickNow_;
    SaveResumeFile(task);
  }
  AddDoneBytes(written, false);
  // A short write ends the transfer; the range resumes from `begin`.
  return written;
}

int DownloadManager::OnTransferProgress(void* task, curl_off_t, curl_off_t, curl_off_t,
                                        curl_off_t) {
  if (!task) return 0;
  DownloadTask* download = static_cast<DownloadTask*>(task);
  DownloadManager* manager = download->manager;
  if (!manager->enabled_) return 1;
  if (!manager->IsRunning(download) || !download->speedCallback) return 0;
  curl_off_t speed = 0;
  if (curl_easy_getinfo(download->easy, CURLINFO_SPEED_DOWNLOAD_T, &speed) != CURLE_OK) return 0;
  manager->currentPath_ = download->path;
  download->speedCallback(download->tag, static_cast<double>(speed));
  return 0;
}

void DownloadManager::OnTransferDone(CURL* easy, CURLcode result) {
  auto found = std::find_if(runningTasks_.begin(), runningTasks_.end(),
                            [easy](const DownloadTask* task) { return task->easy == easy; });
  if (found == runningTasks_.end()) {
    AppendTrace("handle task but not found:" +
                std::to_string(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(easy))) + "\n");
    return;
  }
  DownloadTask* task = *found;
  runningTasks_.erase(found);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  const std::string error_text = task->errorBuffer;
  const bool progressed = task->begin > task->attemptBegin;
  FinishTask(task, 0, "post", false);

  if (task->end >= task->begin) {
    const bool failed = result != CURLE_OK || (status != 200 && status != 206);
    if (!failed) {
      AppendTrace(task->url + ":" + std::to_string(task->begin) + "<=" + std::to_string(task->end) +
                  "\n");
    }
    // A host that delivered bytes gets its tries afresh: slow but working
    // hosts are not abandoned.
    if (progressed) {
      task->tries = 0;
      waitingTasks_.push_back(task);
      return;
    }
    if (CountTry(&task->tries, &task->hostIndex)) {
      waitingTasks_.push_back(task);
      return;
    }
    if (failed) {
      std::string message = std::to_string(static_cast<int>(result)) + "," + std::to_string(status);
      if (!error_text.empty()) message += "," + error_text;
      AppendTrace(task->url + ":" + message + "\n");
      AbandonFile(task, DownloadResult::TransferFailed, message);
    } else {
      AbandonFile(task, DownloadResult::Failed,
                  "incomplete:" + std::to_string(task->begin) + "-" + std::to_string(task->end));
    }
    return;
  }
  CompleteChunk(task);
}

void DownloadManager::CompleteChunk(DownloadTask* task) {
  if (RemoveChunk(task->path, task->chunkIndex) > 0) {
    DestroyTask(task);
    return;
  }
  StartFileCheck(task);
  DestroyTask(task);
}

void DownloadManager::AdvanceDigesters() {
  for (auto& entry : digesters_) {
    auto chunks = chunkLists_.find(entry.first);
    if (chunks == chunkLists_.end()) continue;
    // The registered offsets move only when the resume file is saved; the
    // running transfers know where they are.
    std::vector<ChunkInfo> pending = chunks->second;
    for (const DownloadTask* task : runningTasks_) {
      if (task->path != entry.first) continue;
      for (ChunkInfo& chunk : pending) {
        if (chunk.index == task->chunkIndex) chunk.begin = std::max(chunk.begin, task->begin);
      }
    }
    entry.second->Advance(WrittenPrefix(pending, entry.second->size()));
  }
}

void DownloadManager::StartFileCheck(DownloadTask* task) {
  std::unique_ptr<FileCheck> check(new FileCheck);
  check->url = task->url;
  check->path = task->path;
  check->md5 = task->md5;
  check->fileSize = task->fileSize;
  check->tag = task->tag;
  check->tries = task->tries;
  check->hostIndex = task->hostIndex;
  check->doneCallback = task->doneCallback;
  check->speedCallback = task->speedCallback;
  auto saver = resumeSavers_.find(task->path);
  if (saver != resumeSavers_.end()) {
    check->saver = std::move(saver->second);
    resumeSavers_.erase(saver);
  }
  if (task->md5.empty()) {
    // Without an MD5 the file is held to its size at least.
    const int64_t length = GetFileLength(task->path);
    const bool sized =
        length == task->fileSize ||
        (length > task->fileSize && SetFileLength(task->path, task->fileSize, false));
    FinishFileCheck(std::move(check), sized, "size " + std::to_string(length));
    return;
  }
  auto digester = digesters_.find(task->path);
  if (digester != digesters_.end()) {
    check->digester = std::move(digester->second);
    digesters_.erase(digester);
  } else {
    check->digester.reset(new FileDigester(task->path, task->fileSize));
  }
  // Every range is written: whatever is not hashed yet can be.
  check->digester->Advance(task->fileSize);
  fileChecks_.push_back(std::move(check));
}

void DownloadManager::ContinueFileChecks() {
  // One finished check at a time: its callback may queue or cancel downloads.
  while (enabled_) {
    auto found = std::find_if(fileChecks_.begin(), fileChecks_.end(), [](const auto& check) {
      return check->digester->state() != FileDigester::State::Hashing;
    });
    if (found == fileChecks_.end()) return;
    std::unique_ptr<FileCheck> check = std::move(*found);
    fileChecks_.erase(found);
    const FileDigester& digester = *check->digester;
    const bool done = digester.state() == FileDigester::State::Done;
    const std::string actual = done ? digester.HexDigest() : digester.error();
    const bool verified = done && actual == check->md5;
    FinishFileCheck(std::move(check), verified, actual);
  }
}

void DownloadManager::FinishFileCheck(std::unique_ptr<FileCheck> check, bool verified,
                                      const std::string& actual) {
  // Their handles are closed, and no late resume file written, before the
  // files may be deleted.
  check->digester.reset();
  check->saver.reset();
  if (verified) {
    if (check->alreadyPresent) {
      AddDoneBytes(check->fileSize, true);
    } else {
      DeleteIfPresent(ResumeFilePath(check->path));
    }
    if (enabled_ && check->doneCallback) check->doneCallback(check->tag, 0, check->url, "");
    return;
  }
  if (check->alreadyPresent) {
    // Another file of the same size: no failed try, just a download.
    StartFreshDownload(check->url, check->path, check->md5, check->fileSize, check->doneCallback,
                       check->speedCallback, check->tag, check->tries, check->hostIndex);
    return;
  }
  AppendTrace(check->url + ":" + check->md5 + "!=" + actual + "\n");
  // Bad bytes are never kept: the file goes either way.
  DeleteIfPresent(check->path);
  DeleteIfPresent(ResumeFilePath(check->path));
  int32_t tries = check->tries;
  int32_t host_index = check->hostIndex;
  if (!CountTry(&tries, &host_index)) {
    if (enabled_ && check->doneCallback) {
      check->doneCallback(check->tag, static_cast<int32_t>(DownloadResult::Md5Mismatch), check->url,
                          "check md5 error");
    }
    return;
  }
  DownloadFile(check->url, check->path, check->md5, check->fileSize, check->doneCallback,
               check->speedCallback, check->tag, tries, host_index);
  AddDoneBytes(-check->fileSize, false);
}

void DownloadManager::CancelAll(DownloadMode mode) {
  DropAllTasks();
  chunkLists_.clear();
  paused_ = false;
  statistics_.Clear();
  mode_ = mode;
}

std::string DownloadManager::RequestUrl(size_t host_index, const std::string& url) const {
  return JoinUrl(activeUrls_[host_index], EncodeRequestTarget(url));
}

void DownloadManager::ConfigureRequest(CURL* easy, const std::string& url, const std::string& body,
                                       long connect_timeout, long total_timeout) const {
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
  curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, connect_timeout);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, total_timeout);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPIDLE, 120L);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPINTVL, 20L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  RestrictRedirects(easy, url);
  // A reply that announces its size is refused before it is read; one that
  // does not is cut by the receive function.
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                   static_cast<curl_off_t>(DownloadManager::kMaxReplyBytes));
  if (!body.empty()) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
  }
}

size_t DownloadManager::OnMemoryReceive(char* data, size_t size, size_t count, void* buffer) {
  MemoryReply* reply = static_cast<MemoryReply*>(buffer);
  if (!reply || !*reply->enabled) return 0;
  if (size * count > DownloadManager::kMaxReplyBytes - reply->bytes.size()) {
    reply->tooLarge = true;
    return 0;
  }
  try {
    reply->bytes.append(data, size * count);
  } catch (const std::exception&) {
    return 0;
  }
  return size * count;
}

size_t DownloadManager::DiscardReceive(char*, size_t size, size_t count, void* enabled) {
  return enabled && *static_cast<const std::atomic<bool>*>(enabled) ? size * count : 0;
}

bool DownloadManager::DownloadMemory(std::string url, std::string body, MemoryDoneCallback callback,
                                     int32_t tag) {
  const std::string callback_url = JoinUrl(url, body);
  if (activeUrls_.empty()) {
    if (callback) callback(tag, -1, callback_url, nullptr, 0, "DownloadMemory URL is empty");
    return false;
  }
  int32_t code = 0;
  std::string message;
  MemoryReply reply{&enabled_, std::string()};
  int32_t tries = 0;
  int32_t host_index = 0;
  while (static_cast<size_t>(host_index) < activeUrls_.size() && enabled_) {
    code = 0;
    message.clear();
    reply.bytes.clear();
    try {
      CurlEasyHandle easy(curl_easy_init());
      if (!easy) throw std::runtime_error("curl_easy_init failed");
      ConfigureRequest(easy.get(), RequestUrl(host_index, url), body, 10, 60);
      curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &DownloadManager::OnMemoryReceive);
      curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &reply);
      const CURLcode result = curl_easy_perform(easy.get());
      long status = 0;
      curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
      if (reply.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        // Every host serves the same document: no other one is asked.
        code = static_cast<int32_t>(DownloadResult::Failed);
        message = TooLargeMessage();
        reply.bytes.clear();
        break;
      }
      if (result == CURLE_OK && status == 200) {
        Json::Value document;
        std::string error;
        if (!ParseJson(reply.bytes, &document, &error)) {
          message = error.empty() ? "not JSON" : error;
        }
        break;
      }
      code = -2;
      message = result != CURLE_OK ? curl_easy_strerror(result) : std::to_string(status);
    } catch (const std::exception& exception) {
      code = -1;
      message = exception.what();
    }
    if (++tries >= triesPerHost_) {
      tries = 0;
      ++host_index;
    }
  }
  if (callback && enabled_) {
    callback(tag, code, callback_url, reply.bytes.c_str(), static_cast<int32_t>(reply.bytes.size()),
             message);
  }
  return true;
}

bool DownloadManager::DownloadMemoryFromUrl(std::string url, std::string body,
                                            MemoryDoneCallback callback, int32_t tag) {
  const std::string callback_url = JoinUrl(url, body);
  int32_t code = 0;
  std::string message;
  MemoryReply reply{&enabled_, std::string()};
  try {
    CurlEasyHandle easy(curl_easy_init());
    if (!easy) throw std::runtime_error("curl_easy_init failed");
    ConfigureRequest(easy.get(), url, body, 5, 8);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &DownloadManager::OnMemoryReceive);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &reply);
    const CURLcode result = curl_easy_perform(easy.get());
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (reply.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
      code = static_cast<int32_t>(DownloadResult::Failed);
      message = TooLargeMessage();
      reply.bytes.clear();
    } else if (result != CURLE_OK || status != 200) {
      code = -2;
      message = result != CURLE_OK ? curl_easy_strerror(result) : std::to_string(status);
    }
  } catch (const std::exception& exception) {
    code = -1;
    message = exception.what();
  }
  if (callback && enabled_) {
    callback(tag, code, callback_url, reply.bytes.c_str(), static_cast<int32_t>(reply.bytes.size()),
             message);
  }
  return true;
}

bool DownloadManager::ProbeFile(std::string url, std::string body, ProbeDoneCallback callback,
                                int32_t tag) {
  if (activeUrls_.empty()) return false;
  const std::string callback_url = JoinUrl(url, body);
  int32_t code = 0;
  bool exists = false;
  std::string message;
  int32_t tries = 0;
  int32_t host_index = 0;
  while (static_cast<size_t>(host_index) < activeUrls_.size() && enabled_) {
    code = 0;
    exists = false;
    message.clear();
    try {
      CurlEasyHandle easy(curl_easy_init());
      if (!easy) throw std::runtime_error("curl_easy_init failed");
      ConfigureRequest(easy.get(), RequestUrl(host_index, url), body, 10, 60);
      // Only the status matters; the one byte of body is dropped.
      curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &DownloadManager::DiscardReceive);
      curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &enabled_);
      curl_easy_setopt(easy.get(), CURLOPT_RANGE, "0-0");
      const CURLcode result = curl_easy_perform(easy.get());
      long status = 0;
      curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
      if (result == CURLE_REMOTE_FILE_NOT_FOUND || (result == CURLE_OK && status == 404)) break;
      if (result == CURLE_OK && (status == 200 || status == 206)) {
        exists = true;
        break;
      }
      code = -2;
      message = curl_easy_strerror(result);
    } catch (const std::exception& exception) {
      code = -1;
      message = exception.what();
    }
    if (++tries >= triesPerHost_) {
      tries = 0;
      ++host_index;
    }
  }
  if (callback && enabled_) callback(tag, code, callback_url, exists, message);
  return true;
}

void DownloadManager::PauseDownloads() {
  paused_ = true;
  for (DownloadTask* task : runningTasks_) curl_easy_pause(task->easy, CURLPAUSE_ALL);
  delegate_->OnDownloadPaused(true);
  ReportTransferStatistics("pause");
  ReportDownloadSummary("15", "click_launch_pause_game", true);
}

void DownloadManager::ContinueDownloads() {
  paused_ = false;
  for (DownloadTask* task : runningTasks_) {
    // The time spent paused is no credit for a burst.
    StartPacing(task, task->speedCap);
    task->ratePaused = false;
    curl_easy_pause(task->easy, CURLPAUSE_CONT);
  }
  ResetStatistics();
  delegate_->ReportLauncherDetail("16", "", "", "");
  delegate_->ReportAttributionEvent("click_launch_continue_download_game", "", "", "");
  delegate_->OnDownloadPaused(false);
}

void DownloadManager::AddSpeedSample(double bytes_per_second) {
  const std::optional<DownloadStatistics::SpeedFigures> figures =
      statistics_.AddSample(bytes_per_second, runningTasks_.size(), currentPath_, paused_);
  if (figures) delegate_->OnDownloadSpeed(figures->remainingSeconds, figures->bytesPerSecond);
}

void DownloadManager::ResetStatistics() { statistics_.Reset(); }

void DownloadManager::ReportTransferStatistics(const std::string& action) {
  if (statistics_.speed() <= 0) return;
  const DownloadStatistics::Summary summary = statistics_.Summarize();
  delegate_->ReportLauncherEvent(
      "", FormatText("%.3f", static_cast<float>(summary.averageBytesPerSecond) / 1048576.0f),
      FormatText("%.3f", static_cast<float>(summary.bytes) / 1073741824.0f), action, "", true);
}

void DownloadManager::ReportDownloadSummary(const std::string& action_id, const std::string& event,
                                            bool only_when_active) {
  if (only_when_active && statistics_.speed() <= 0) return;
  const DownloadStatistics::Summary summary = statistics_.Summarize();
  const std::string speed_text =
      FormatText("%.3f", static_cast<float>(summary.averageBytesPerSecond) / 1048576.0f);
  const std::string size_text =
      FormatText("%.3f", static_cast<float>(summary.bytes) / 1073741824.0f);
  const std::string time_text = std::to_string(summary.seconds);
  delegate_->RecordDownloadSummary(summary.averageBytesPerSecond, summary.sampledBytes,
                                   summary.seconds);
  statistics_.StartNextSummary();
  delegate_->ReportLauncherDetail(action_id, speed_text, size_text, time_text);
  delegate_->ReportAttributionEvent(event, speed_text, size_text, time_text);
}

void DownloadManager::SubmitReport(std::string body, std::string url, bool immediate) {
  if (immediate) {
    PostReportNow(body, url);
    return;
  }
  queuedReports_[url].push_back(std::move(body));
}

void DownloadManager::SendQueuedReport() {
  for (auto& entry : queuedReports_) {
    if (entry.second.empty()) continue;
    const std::string body = std::move(entry.second.front());
    entry.second.pop_front();
    PostReportNow(body, entry.first);
    return;
  }
}

size_t DownloadManager::OnReportReceive(char* data, size_t size, size_t count, void* reply) {
  try {
    static_cast<std::string*>(reply)->append(data, size * count);
  } catch (const std::exception&) {
    return 0;
  }
  return size * count;
}

void DownloadManager::PostReportNow(const std::string& body, const std::string& url) {
  // Fire and forget: a report that fails is lost.
  try {
    CurlEasyHandle easy(curl_easy_init());
    if (!easy) return;
    CurlHeaderList headers(curl_slist_append(nullptr, kReportContentType));
    std::string target = url;
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy.get(), CURLOPT_HEADER, 0L);
    if (url == attributionUrl_) {
      target += "?" + EncodeQueryText(body);
      curl_easy_setopt(easy.get(), CURLOPT_URL, target.c_str());
      curl_easy_setopt(easy.get(), CURLOPT_HTTPGET, 1L);
    } else {
      curl_easy_setopt(easy.get(), CURLOPT_URL, target.c_str());
      curl_easy_setopt(easy.get(), CURLOPT_POST, 1L);
      curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
      curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, body.c_str());
    }
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
    curl_easy_setopt(easy.get(), CURLOPT_VERBOSE, 0L);
    lastReply_.clear();
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &DownloadManager::OnReportReceive);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &lastReply_);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT, 6L);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, 6L);
    curl_easy_perform(easy.get());
  } catch (const std::exception&) {
  }
}

void DownloadManager::AppendTrace(const std::string& line) {
  if (tracePath_.empty()) return;
  FileHandle trace(CreateFileA(tracePath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!trace.IsValid()) return;
  DWORD written = 0;
  WriteFile(trace.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
