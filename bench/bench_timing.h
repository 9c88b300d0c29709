#pragma once

#include <windows.h>

#include <cstdint>

// Seconds on the performance counter.
inline double BenchNow() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double MibPerSecond(int64_t bytes, double seconds) {
  return seconds > 0 ? static_cast<double>(bytes) / 1048576.0 / seconds : 0.0;
}
