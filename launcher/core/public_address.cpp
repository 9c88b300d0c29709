#include "launcher/core/public_address.h"

#include <winsock2.h>

#include <cctype>
#include <cstring>

#include "base/thread_registry.h"
#include "launcher/core/launcher_context.h"
#include "launcher/download/download_manager.h"

namespace {

constexpr char kLauncherStartDetailId[] = "13";
constexpr char kLauncherStartEvent[] = "click_launch_start_open";

// The name functions need the socket library started on this thread's
// process; the count is shared with anyone else who started it.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

 private:
  bool started_ = false;
};

bool IsWhiteSpaceByte(char byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\v' ||
         byte == '\f';
}

}  // namespace

std::string PublicAddressUrl() { return LAUNCHER_PUBLIC_ADDRESS_URL; }

bool IsDottedIpv4Address(const std::string& text) {
  int parts = 0;
  size_t position = 0;
  while (true) {
    size_t digits = 0;
    int value = 0;
    while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]))) {
      value = value * 10 + (text[position] - '0');
      ++digits;
      ++position;
      if (digits > 3) return false;
    }
    if (digits == 0 || value > 255) return false;
    ++parts;
    if (position == text.size()) return parts == 4;
    if (text[position] != '.' || parts == 4) return false;
    ++position;
  }
}

std::optional<std::string> ParsePublicAddressReply(const char* data, int32_t size) {
  std::string address;
  for (int32_t i = 0; data != nullptr && i < size; ++i) {
    if (!IsWhiteSpaceByte(data[i])) address.push_back(data[i]);
  }
  if (!IsDottedIpv4Address(address)) return std::nullopt;
  return address;
}

std::string GetLocalAddress() {
  WinsockSession session;
  char name[128] = {};
  if (gethostname(name, sizeof(name)) != 0) return std::string();
  const hostent* host = gethostbyname(name);
  if (host == nullptr || host->h_addrtype != AF_INET || host->h_addr_list == nullptr ||
      host->h_addr_list[0] == nullptr) {
    return std::string();
  }
  in_addr first;
  memcpy(&first, host->h_addr_list[0], sizeof(first));
  return inet_ntoa(first);
}

void OnPublicAddressReply(int32_t /*tag*/, int32_t result, const std::string& /*url*/,
                          const char* data, int32_t size, const std::string& /*message*/) {
  std::optional<std::string> address;
  if (result >= 0) address = ParsePublicAddressReply(data, size);
  LauncherContext* context = LauncherContext::GetInstance();
  context->publicIp = address ? *address : GetLocalAddress();
  // Posted behind the current task, so they carry the address just stored.
  context->ReportLauncherDetail(kLauncherStartDetailId, "0", "0", "0");
  context->ReportAttributionEvent(kLauncherStartEvent, "0", "0", "0");
}

bool RequestPublicAddress(DownloadManager* manager, int32_t tag, const std::string& url) {
  if (!LauncherContext::GetInstance()->publicIp.empty()) return false;
  manager->DownloadMemoryFromUrl(url, std::string(), &OnPublicAddressReply, tag);
  return true;
}
