#pragma once

#include <cstdint>

namespace qbase {

// A monotonic millisecond clock. Code that measures time reads it through
// this seam, so its arithmetic can be driven by a clock a test sets.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMilliseconds() const = 0;
};

// The system's monotonic tick count.
const Clock& SystemClock();

}  // namespace qbase
