#include "browser/runtime/web_socket.h"

#include <ws2tcpip.h>

#include <random>

#include "browser/runtime/base64.h"

namespace qoz_runtime {

namespace {

// Frames bigger than this end the connection: the largest screen frame of a
// full-HD view, base64 text included, stays far below it.
constexpr uint64_t kMaxMessageSize = 64u << 20;
constexpr size_t kMaxHandshakeSize = 16384;

constexpr int kOpContinuation = 0;
constexpr int kOpText = 1;
constexpr int kOpBinary = 2;
constexpr int kOpClose = 8;
constexpr int kOpPing = 9;

bool SendAll(SOCKET socket, const char* data, size_t size) {
  while (size > 0) {
    const int sent = send(socket, data, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

}  // namespace

WebSocket::~WebSocket() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool WebSocket::Connect(uint16_t port, const std::string& path) {
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return false;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return false;
  BOOL no_delay = TRUE;
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
             sizeof(no_delay));

  std::random_device random;
  std::string key_bytes(16, '\0');
  for (char& byte : key_bytes) byte = static_cast<char>(random() & 0xFF);
  const std::string request = "GET " + path +
                              " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                              "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                              "Sec-WebSocket-Key: " +
                              EncodeBase64(key_bytes) + "\r\nSec-WebSocket-Version: 13\r\n\r\n";
  if (!SendAll(socket_, request.data(), request.size())) return false;

  std::string reply;
  size_t end = std::string::npos;
  while ((end = reply.find("\r\n\r\n")) == std::string::npos) {
    if (reply.size() > kMaxHandshakeSize) return false;
    char buffer[1024];
    const int received = recv(socket_, buffer, sizeof(buffer), 0);
    if (received <= 0) return false;
    reply.append(buffer, static_cast<size_t>(received));
  }
  if (reply.compare(0, 12, "HTTP/1.1 101") != 0) return false;
  pending_ = reply.substr(end + 4);
  return true;
}

bool WebSocket::ReadExact(char* data, size_t size) {
  const size_t from_pending = std::min(size, pending_.size());
  if (from_pending > 0) {
    pending_.copy(data, from_pending);
    pending_.erase(0, from_pending);
    data += from_pending;
    size -= from_pending;
  }
  while (size > 0) {
    const int received = recv(socket_, data, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
    if (received <= 0) return false;
    data += received;
    size -= static_cast<size_t>(received);
  }
  return true;
}

bool WebSocket::Receive(std::string* message) {
  message->clear();
  for (;;) {
    unsigned char header[2];
    if (!ReadExact(reinterpret_cast<char*>(header), 2)) return false;
    const bool final_frame = (header[0] & 0x80) != 0;
    const int opcode = header[0] & 0x0F;
    const bool masked = (header[1] & 0x80) != 0;
    uint64_t length = header[1] & 0x7F;
    if (length >= 126) {
      unsigned char extended[8];
      const size_t count = length == 126 ? 2 : 8;
      if (!ReadExact(reinterpret_cast<char*>(extended), count)) return false;
      length = 0;
      for (size_t i = 0; i < count; ++i) length = (length << 8) | extended[i];
    }
    if (length > kMaxMessageSize || message->size() + length > kMaxMessageSize) return false;
    unsigned char mask[4] = {};
    if (masked && !ReadExact(reinterpret_cast<char*>(mask), 4)) return false;
    std::string payload(static_cast<size_t>(length), '\0');
    if (length > 0 && !ReadExact(&payload[0], payload.size())) return false;
    if (masked) {
      for (size_t i = 0; i < payload.size(); ++i) payload[i] ^= static_cast<char>(mask[i % 4]);
    }
    switch (opcode) {
      case kOpText:
      case kOpBinary:
      case kOpContinuation:
        *message += payload;
        if (final_frame) return true;
        break;
      case kOpPing:
        SendFrame(0xA, payload);
        break;
      case kOpClose:
        return false;
      default:
        break;
    }
  }
}

bool WebSocket::SendText(const std::string& text) { return SendFrame(kOpText, text); }

bool WebSocket::SendFrame(int opcode, const std::string& payload) {
  std::string frame;
  frame += static_cast<char>(0x80 | opcode);
  const uint64_t length = payload.size();
  if (length < 126) {
    frame += static_cast<char>(0x80 | length);
  } else if (length <= 0xFFFF) {
    frame += static_cast<char>(0x80 | 126);
    frame += static_cast<char>((length >> 8) & 0xFF);
    frame += static_cast<char>(length & 0xFF);
  } else {
    frame += static_cast<char>(0x80 | 127);
    for (int shift = 56; shift >= 0; shift -= 8)
      frame += static_cast<char>((length >> shift) & 0xFF);
  }
  // The server ignores the mask's value; a zero mask leaves the payload as is.
  frame.append(4, '\0');
  frame += payload;
  std::lock_guard<std::mutex> hold(send_lock_);
  return socket_ != INVALID_SOCKET && SendAll(socket_, frame.data(), frame.size());
}

void WebSocket::Shutdown() {
  if (socket_ != INVALID_SOCKET) shutdown(socket_, SD_BOTH);
}

}  // namespace qoz_runtime
