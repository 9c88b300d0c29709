#include "launcher/core/duration_text.h"

#include <cwchar>

int FormatDuration(int seconds, wchar_t* buffer, size_t capacity) {
  if (!buffer || capacity == 0) return -1;
  int hours = 0;
  int rest = seconds;
  if (seconds >= 3600) {
    hours = seconds / 3600;
    rest = seconds % 3600;
  }
  int minutes = 0;
  if (rest >= 60) {
    minutes = rest / 60;
    rest %= 60;
  }
  const int written = std::swprintf(buffer, capacity, L"%02d:%02d:%02d", hours, minutes, rest);
  if (written < 0 || static_cast<size_t>(written) >= capacity) {
    buffer[0] = L'\0';
    return -1;
  }
  return written;
}
