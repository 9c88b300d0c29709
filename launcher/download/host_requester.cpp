#include "launcher/download/host_requester.h"

#include <exception>

#include "base/json_util.h"
#include "launcher/download/curl_handle.h"
#include "launcher/download/download_url.h"
#include "launcher/download/tls_options.h"

namespace {

constexpr char kUserAgent[] = "libcurl-agent/1.0";
constexpr char kNoHandleMessage[] = "curl_easy_init failed";

std::string TooLargeMessage() {
  return "reply larger than " + std::to_string(kMaxDocumentBytes) + " bytes";
}

std::string FailureMessage(CURLcode result, long status) {
  return result != CURLE_OK ? curl_easy_strerror(result) : std::to_string(status);
}

}  // namespace

HostRequester::HostRequester(const std::atomic<bool>& enabled) : enabled_(enabled) {}

bool HostRequester::HasHost(const HostCursor& cursor) const {
  return cursor.hostIndex >= 0 && static_cast<size_t>(cursor.hostIndex) < hosts_.size();
}

bool HostRequester::CountFailure(HostCursor* cursor) const {
  if (++cursor->tries >= kTriesPerHost) {
    cursor->tries = 0;
    ++cursor->hostIndex;
  }
  return HasHost(*cursor);
}

std::string HostRequester::HostUrl(const HostCursor& cursor,
                                   const std::string& encoded_target) const {
  return JoinUrl(hosts_[static_cast<size_t>(cursor.hostIndex)], encoded_target);
}

void HostRequester::ForEachAttempt(
    const std::string& encoded_target,
    const std::function<bool(const std::string& url)>& attempt) const {
  for (HostCursor cursor; HasHost(cursor) && enabled_; CountFailure(&cursor)) {
    if (attempt(HostUrl(cursor, encoded_target))) return;
  }
}

HostRequester::Exchange HostRequester::Perform(const std::string& url, const std::string& body,
                                               const RequestShape& shape) const {
  Exchange exchange;
  CurlEasyHandle handle(curl_easy_init());
  if (!handle) return exchange;
  exchange.sent = true;
  CURL* easy = handle.get();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  // A probe keeps nothing of the body, so its size needs no cap.
  ApplyTlsOptions(easy, url, shape.keepBody ? ReplyCap::Document : ReplyCap::None);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, shape.connectTimeout);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, shape.totalTimeout);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPIDLE, 120L);
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPINTVL, 20L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
  if (!body.empty()) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
  }
  ReplySink sink{&enabled_, &exchange.body, false};
  // A probe needs only the status; its one byte of body is dropped.
  curl_easy_setopt(
      easy, CURLOPT_WRITEFUNCTION,
      shape.keepBody ? &HostRequester::OnMemoryReceive : &HostRequester::DiscardReceive);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
  if (shape.range) curl_easy_setopt(easy, CURLOPT_RANGE, shape.range);
  exchange.result = curl_easy_perform(easy);
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &exchange.status);
  exchange.tooLarge = sink.tooLarge || exchange.result == CURLE_FILESIZE_EXCEEDED;
  return exchange;
}

MemoryReply HostRequester::Fetch(const std::string& target, const std::string& body) const {
  static const RequestShape kDocument = {10, 60, true, nullptr};
  MemoryReply reply;
  ForEachAttempt(EncodeRequestTarget(target), [&](const std::string& url) {
    reply = MemoryReply();
    Exchange exchange = Perform(url, body, kDocument);
    if (!exchange.sent) {
      reply.code = RequestResult::Unavailable;
      reply.message = kNoHandleMessage;
      return false;
    }
    if (exchange.tooLarge) {
      // Every host serves the same document: no other one is asked.
      reply.code = RequestResult::Unavailable;
      reply.message = TooLargeMessage();
      return true;
    }
    reply.body = std::move(exchange.body);
    if (exchange.result == CURLE_OK && exchange.status == 200) {
      Json::Value document;
      std::string error;
      if (!ParseJson(reply.body, &document, &error))
        reply.message = error.empty() ? "not JSON" : error;
      return true;
    }
    reply.code = RequestResult::Failed;
    reply.message = FailureMessage(exchange.result, exchange.status);
    return false;
  });
  return reply;
}

MemoryReply HostRequester::FetchOnce(const std::string& url, const std::string& body) const {
  static const RequestShape kAddress = {5, 8, true, nullptr};
  MemoryReply reply;
  Exchange exchange = Perform(url, body, kAddress);
  if (!exchange.sent) {
    reply.code = RequestResult::Unavailable;
    reply.message = kNoHandleMessage;
  } else if (exchange.tooLarge) {
    reply.code = RequestResult::Unavailable;
    reply.message = TooLargeMessage();
  } else {
    reply.body = std::move(exchange.body);
    if (exchange.result != CURLE_OK || exchange.status != 200) {
      reply.code = RequestResult::Failed;
      reply.message = FailureMessage(exchange.result, exchange.status);
    }
  }
  return reply;
}

ProbeReply HostRequester::Probe(const std::string& target, const std::string& body) const {
  static const RequestShape kProbe = {10, 60, false, "0-0"};
  ProbeReply reply;
  ForEachAttempt(EncodeRequestTarget(target), [&](const std::string& url) {
    reply = ProbeReply();
    const Exchange exchange = Perform(url, body, kProbe);
    if (!exchange.sent) {
      reply.code = RequestResult::Unavailable;
      reply.message = kNoHandleMessage;
      return false;
    }
    const bool answered = exchange.result == CURLE_OK;
    if (exchange.result == CURLE_REMOTE_FILE_NOT_FOUND || (answered && exchange.status == 404)) {
      return true;
    }
    if (answered && (exchange.status == 200 || exchange.status == 206)) {
      reply.exists = true;
      return true;
    }
    reply.code = RequestResult::Failed;
    reply.message = curl_easy_strerror(exchange.result);
    return false;
  });
  return reply;
}

size_t HostRequester::OnMemoryReceive(char* data, size_t size, size_t count, void* sink) {
  ReplySink* reply = static_cast<ReplySink*>(sink);
  if (!reply || !*reply->enabled) return 0;
  if (size * count > kMaxDocumentBytes - reply->bytes->size()) {
    reply->tooLarge = true;
    return 0;
  }
  // Called from libcurl's C code, which no exception may cross.
  try {
    reply->bytes->append(data, size * count);
  } catch (const std::exception&) {
    return 0;
  }
  return size * count;
}

size_t HostRequester::DiscardReceive(char*, size_t size, size_t count, void* sink) {
  const ReplySink* reply = static_cast<const ReplySink*>(sink);
  return reply && *reply->enabled ? size * count : 0;
}
