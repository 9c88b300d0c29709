#pragma once

namespace test_support {

// The windows the calling thread owns.
int WindowsOfThisThread();

// Runs the calling thread's messages, as the launcher's start-up thread does
// once its loop runs, until it owns no window; false when one stays.
bool PumpUntilNoWindows();

}  // namespace test_support
