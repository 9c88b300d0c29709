#include "base/time_ticks.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace qbase {
namespace {

std::vector<uint32_t> g_readings;
size_t g_next_reading = 0;

uint32_t ScriptedTicks() { return g_readings[g_next_reading++]; }

struct WrapCase {
  const char* name;
  std::vector<uint32_t> readings;
  std::vector<int64_t> expected_ms;
};

TEST(TickClockTest, WidensTheThirtyTwoBitCounterAcrossWraps) {
  const int64_t wrap = int64_t{1} << 32;
  const WrapCase cases[] = {
      {"steady", {5, 6, 6, 1000}, {5, 6, 6, 1000}},
      {"one wrap",
       {0xFFFFFFF0u, 0xFFFFFFFFu, 3, 10},
       {0xFFFFFFF0, 0xFFFFFFFF, wrap + 3, wrap + 10}},
      {"wrap to zero", {0xFFFFFFFFu, 0}, {0xFFFFFFFF, wrap}},
      {"two wraps",
       {0xFFFFFF00u, 7, 0xFFFFFF00u, 1},
       {0xFFFFFF00, wrap + 7, wrap + 0xFFFFFF00, 2 * wrap + 1}},
  };
  for (const WrapCase& test_case : cases) {
    SCOPED_TRACE(test_case.name);
    g_readings = test_case.readings;
    g_next_reading = 0;
    TickClock clock(&ScriptedTicks);
    for (int64_t expected : test_case.expected_ms) EXPECT_EQ(expected, clock.NowMilliseconds());
  }
}

TEST(TimeTicksTest, NowIsMicrosecondsAndNeverGoesBack) {
  const ULONGLONG outer_start = GetTickCount64();
  const TimeTicks first = TimeTicks::Now();
  Sleep(20);
  const TimeTicks second = TimeTicks::Now();
  const ULONGLONG outer_ms = GetTickCount64() - outer_start;
  EXPECT_EQ(0, first.ToMicroseconds() % 1000);
  EXPECT_GE((second - first).ToMilliseconds(), 15);
  // The span lies inside the one the system's own count measured around it,
  // give or take a tick of that count: a unit mix-up breaks the relation.
  EXPECT_LE((second - first).ToMilliseconds(), static_cast<int64_t>(outer_ms) + 20);
}

TEST(TimeDeltaTest, UnitsAndArithmetic) {
  EXPECT_EQ(2500000, TimeDelta::FromMilliseconds(2500).ToMicroseconds());
  EXPECT_EQ(3000, TimeDelta::FromSeconds(3).ToMilliseconds());
  EXPECT_EQ(TimeDelta::FromMicroseconds(-1), TimeDelta() - TimeDelta::FromMicroseconds(1));
  const TimeTicks start = TimeTicks::FromMicroseconds(1000);
  EXPECT_EQ(TimeTicks::FromMicroseconds(3000), start + TimeDelta::FromMilliseconds(2));
}

}  // namespace
}  // namespace qbase
