#pragma once

#include <windows.h>

namespace test_support {

// Polls `done` every 100 ms until it holds or two minutes pass: generous, so
// a loaded machine still gets there; returns the last answer.
template <typename Predicate>
bool WaitFor(Predicate done) {
  for (int i = 0; i < 1200; ++i) {
    if (done()) return true;
    Sleep(100);
  }
  return done();
}

}  // namespace test_support
