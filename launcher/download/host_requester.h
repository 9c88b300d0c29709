#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Outcome codes of the memory requests and probes.
enum class RequestResult : int32_t {
  Ok = 0,
  // Nothing usable could be asked: no host, no transfer handle, or a reply
  // too large to take.
  Unavailable = -1,
  // Every attempt failed; the message is the last attempt's.
  Failed = -2,
};

// Where a request or a file range stands on the host list: the host in use
// and the failed attempts on it.
struct HostCursor {
  int32_t tries = 0;
  int32_t hostIndex = 0;
};

// A document read into memory.
struct MemoryReply {
  RequestResult code = RequestResult::Ok;
  std::string body;
  std::string message;
};

// Whether a file is on the hosts.
struct ProbeReply {
  RequestResult code = RequestResult::Ok;
  bool exists = false;
  std::string message;
};

// Asks the active hosts in order, kTriesPerHost attempts on each before the
// next one is taken. This rule lives only here: the synchronous requests
// run their attempts through ForEachAttempt, and the transfer queue counts
// the failed attempts of its ranges with CountFailure. Runs on the polling
// thread.
class HostRequester {
 public:
  static constexpr int32_t kTriesPerHost = 3;

  // `enabled` is not owned; once false, no further attempt starts and a
  // transfer under way is aborted.
  explicit HostRequester(const std::atomic<bool>& enabled);
  HostRequester(const HostRequester&) = delete;
  HostRequester& operator=(const HostRequester&) = delete;

  // Full host URLs; index 0 is asked first.
  void SetHosts(const std::vector<std::string>& hosts) { hosts_ = hosts; }
  const std::vector<std::string>& hosts() const { return hosts_; }

  bool HasHost(const HostCursor& cursor) const;
  // Counts a failed attempt on the cursor's host; after kTriesPerHost of
  // them the cursor moves to the next host. False when no host is left.
  bool CountFailure(HostCursor* cursor) const;
  // A host that delivered bytes is slow, not failing: its tries start afresh.
  static void CountProgress(HostCursor* cursor) { cursor->tries = 0; }
  // The cursor's host joined with an already encoded target.
  std::string HostUrl(const HostCursor& cursor, const std::string& encoded_target) const;

  // Calls `attempt` with the URL of `encoded_target` on each host in turn
  // until it returns true (the outcome is final), no host is left, or the
  // manager is disabled.
  void ForEachAttempt(const std::string& encoded_target,
                      const std::function<bool(const std::string& url)>& attempt) const;

  // A document relative to the hosts; its body is delivered even when it is
  // not JSON, with the reader's complaint as the message.
  MemoryReply Fetch(const std::string& target, const std::string& body) const;
  // One attempt on an absolute URL.
  MemoryReply FetchOnce(const std::string& url, const std::string& body) const;
  // Whether a file relative to the hosts exists, by asking for its first byte.
  ProbeReply Probe(const std::string& target, const std::string& body) const;

 private:
  // The differences between the request kinds.
  struct RequestShape {
    long connectTimeout;
    long totalTimeout;
    bool keepBody;
    const char* range;  // null: the whole reply
  };
  // One request and what came back.
  struct Exchange {
    bool sent = false;  // false: no easy handle could be made
    CURLcode result = CURLE_OK;
    long status = 0;
    std::string body;
    bool tooLarge = false;
  };
  // Where a request's write function puts its reply.
  struct ReplySink {
    const std::atomic<bool>* enabled;
    std::string* bytes;
    bool tooLarge;
  };

  Exchange Perform(const std::string& url, const std::string& body,
                   const RequestShape& shape) const;
  static size_t OnMemoryReceive(char* data, size_t size, size_t count, void* sink);
  static size_t DiscardReceive(char* data, size_t size, size_t count, void* sink);

  const std::atomic<bool>& enabled_;
  std::vector<std::string> hosts_;
};
