#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include <json/json.h>

#include "browser/runtime/web_socket.h"

namespace qoz_runtime {

// The host browser's debugging protocol: JSON messages over one WebSocket.
// A thread of its own reads the messages and hands each to the sink; the
// sink hears an empty value once the connection has ended.
class DevToolsConnection {
 public:
  using Sink = std::function<void(Json::Value message)>;

  DevToolsConnection() = default;
  ~DevToolsConnection();
  DevToolsConnection(const DevToolsConnection&) = delete;
  DevToolsConnection& operator=(const DevToolsConnection&) = delete;

  bool Open(uint16_t port, const std::string& path, Sink sink);
  // Any thread.
  bool Send(const Json::Value& message);
  // True once the reader has seen the end of the connection.
  bool WaitForEnd(unsigned wait_ms);
  // Ends the connection and joins the reader.
  void Close();

 private:
  void Read();

  WebSocket socket_;
  Sink sink_;
  std::thread reader_;
  void* ended_event_ = nullptr;
};

}  // namespace qoz_runtime
