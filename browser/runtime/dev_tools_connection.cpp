#include "browser/runtime/dev_tools_connection.h"

#include <windows.h>

#include <memory>

namespace qoz_runtime {

DevToolsConnection::~DevToolsConnection() {
  Close();
  if (ended_event_ != nullptr) CloseHandle(ended_event_);
}

bool DevToolsConnection::Open(uint16_t port, const std::string& path, Sink sink) {
  if (!socket_.Connect(port, path)) return false;
  ended_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ended_event_ == nullptr) return false;
  sink_ = std::move(sink);
  reader_ = std::thread([this] { Read(); });
  return true;
}

bool DevToolsConnection::Send(const Json::Value& message) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  return socket_.SendText(Json::writeString(writer, message));
}

bool DevToolsConnection::WaitForEnd(unsigned wait_ms) {
  return ended_event_ != nullptr && WaitForSingleObject(ended_event_, wait_ms) == WAIT_OBJECT_0;
}

void DevToolsConnection::Close() {
  socket_.Shutdown();
  if (reader_.joinable()) reader_.join();
}

void DevToolsConnection::Read() {
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["stackLimit"] = 200;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string text;
  while (socket_.Receive(&text)) {
    Json::Value message;
    std::string errors;
    bool parsed = false;
    try {
      parsed = reader->parse(text.data(), text.data() + text.size(), &message, &errors);
    } catch (const std::exception&) {
      parsed = false;
    }
    if (parsed && message.isObject()) sink_(std::move(message));
  }
  SetEvent(ended_event_);
  sink_(Json::Value());
}

}  // namespace qoz_runtime
