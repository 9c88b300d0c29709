#include "base/clock.h"

#include <windows.h>

namespace qbase {
namespace {

class SystemTickClock : public Clock {
 public:
  int64_t NowMilliseconds() const override { return static_cast<int64_t>(GetTickCount64()); }
};

}  // namespace

const Clock& SystemClock() {
  static const SystemTickClock clock;
  return clock;
}

}  // namespace qbase
