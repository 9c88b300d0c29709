#include "launcher/windows/balloon_request.h"

#include <cstdint>
#include <cstring>

namespace {

// The zero-terminated text of a field; false when the field holds no zero.
bool ReadField(const unsigned char* record, size_t offset, size_t bytes, std::wstring* out) {
  out->clear();
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    // The sender's buffer need not be aligned for UTF-16 units.
    uint16_t unit = 0;
    std::memcpy(&unit, record + offset + i, sizeof(unit));
    if (unit == 0) return true;
    out->push_back(static_cast<wchar_t>(unit));
  }
  return false;
}

}  // namespace

std::optional<BalloonRequest> ParseBalloonRequest(const COPYDATASTRUCT* data) {
  if (data == nullptr || data->dwData != 0 || data->lpData == nullptr ||
      data->cbData < BalloonRequest::kRecordBytes) {
    return std::nullopt;
  }
  const auto* record = static_cast<const unsigned char*>(data->lpData);
  BalloonRequest request;
  if (!ReadField(record, BalloonRequest::kTitleOffset, BalloonRequest::kTitleBytes,
                 &request.title) ||
      !ReadField(record, BalloonRequest::kTextOffset, BalloonRequest::kTextBytes, &request.text) ||
      !ReadField(record, BalloonRequest::kSoundOffset, BalloonRequest::kSoundBytes,
                 &request.sound)) {
    return std::nullopt;
  }
  uint64_t window = 0;
  std::memcpy(&window, record + BalloonRequest::kFlashWindowOffset, sizeof(window));
  request.flashWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
  return request;
}
