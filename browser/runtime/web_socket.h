#pragma once

#include <winsock2.h>

#include <cstdint>
#include <mutex>
#include <string>

namespace qoz_runtime {

// A client WebSocket to a server on 127.0.0.1 carrying text messages. One
// thread receives; any thread sends.
class WebSocket {
 public:
  WebSocket() = default;
  ~WebSocket();
  WebSocket(const WebSocket&) = delete;
  WebSocket& operator=(const WebSocket&) = delete;

  bool Connect(uint16_t port, const std::string& path);
  bool SendText(const std::string& text);
  // Blocks for the next whole message; false once the connection has ended or
  // the server sent what is no WebSocket.
  bool Receive(std::string* message);
  // Ends the connection; a blocked Receive returns false.
  void Shutdown();

 private:
  bool ReadExact(char* data, size_t size);
  bool SendFrame(int opcode, const std::string& payload);

  SOCKET socket_ = INVALID_SOCKET;
  std::mutex send_lock_;
  // Bytes read past the handshake's reply.
  std::string pending_;
};

}  // namespace qoz_runtime
