// Test entry point: GoogleTest's main plus crash reporting, so a crashing test
// under Wine names itself and exits non-zero at once instead of hanging on an
// error dialog.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

// The file the runner names for the program's result, taken out of the
// environment so that child processes of the tests do not write it too.
std::wstring TakeResultFile() {
  const wchar_t* kName = L"LAUNCHER_TEST_RESULT_FILE";
  const DWORD size = GetEnvironmentVariableW(kName, nullptr, 0);
  if (size == 0) return std::wstring();
  std::wstring path(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(kName, &path[0], size);
  path.resize(length < size ? length : 0);
  SetEnvironmentVariableW(kName, nullptr);
  return path;
}

// Wine's server kills a process with SIGKILL when it is slow to leave after
// its last thread ended, as on a loaded machine: the result written here
// lets the runner tell a finished program from a killed one.
void WriteResult(const std::wstring& path, int result) {
  if (path.empty()) return;
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return;
  std::fprintf(file, "%d\n", result);
  std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(ReportCrash);
  const std::wstring result_file = TakeResultFile();
  testing::InitGoogleMock(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::fflush(stdout);
  std::fflush(stderr);
  WriteResult(result_file, result);
  return result;
}
