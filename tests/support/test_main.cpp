// Test entry point: GoogleTest's main plus crash reporting, so a crashing test
// under Wine names itself and exits non-zero at once instead of hanging on an
// error dialog.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  std::fprintf(stderr, "\nCRASH: exception 0x%08lx in test %s.%s\n",
               static_cast<unsigned long>(code), test ? test->test_suite_name() : "(none)",
               test ? test->name() : "(none)");
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), code ? code : 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(ReportCrash);
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
