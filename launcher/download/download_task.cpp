#include "launcher/download/download_task.h"

#include <cctype>

bool ReplyCarriesRange(long status, std::optional<int64_t> content_range_start, int64_t begin) {
  if (status == 206) return content_range_start == begin;
  if (status == 200) return begin == 0 && !content_range_start;
  return false;
}

bool PaceAllows(int64_t cap, int64_t elapsed_ms, int64_t paced_bytes) {
  if (cap <= 0) return true;
  const int64_t burst = cap / 8 > 16384 ? cap / 8 : 16384;
  const int64_t allowed =
      static_cast<int64_t>(static_cast<double>(cap) * static_cast<double>(elapsed_ms) / 1000.0) +
      burst;
  return paced_bytes < allowed;
}

std::optional<int64_t> ParseContentRangeStart(const std::string& value) {
  size_t position = 0;
  while (position < value.size() && value[position] == ' ') ++position;
  static const char kUnit[] = "bytes";
  if (value.compare(position, sizeof(kUnit) - 1, kUnit) != 0) return std::nullopt;
  position += sizeof(kUnit) - 1;
  if (position >= value.size() || value[position] != ' ') return std::nullopt;
  while (position < value.size() && value[position] == ' ') ++position;
  int64_t start = 0;
  size_t digits = 0;
  for (; position < value.size() && std::isdigit(static_cast<unsigned char>(value[position]));
       ++position, ++digits) {
    if (start > (INT64_MAX - 9) / 10) return std::nullopt;
    start = start * 10 + (value[position] - '0');
  }
  if (digits == 0 || position >= value.size() || value[position] != '-') return std::nullopt;
  return start;
}
