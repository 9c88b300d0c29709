#include "base/win_io_message_pump.h"

#include <windows.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "base/scoped_handle.h"
#include "tests/support/scratch_dir.h"

namespace qbase {
namespace {

// A loop with no tasks of its own.
class IdleDelegate : public MessagePump::Delegate {
 public:
  bool DoWork() override { return false; }
  bool DoDelayedWork(int64_t* next_run_time) override {
    *next_run_time = 0;
    return false;
  }
  bool DoIdleWork() override { return false; }
};

class ReadHandler : public WinIOMessagePump::IOHandler {
 public:
  explicit ReadHandler(WinIOMessagePump* pump) : pump_(pump) {}
  void OnIOCompleted(WinIOMessagePump::IOContext* context, DWORD bytes, DWORD error) override {
    completed_context = context;
    bytes_read = bytes;
    read_error = error;
    pump_->Quit();
  }

  WinIOMessagePump::IOContext* completed_context = nullptr;
  DWORD bytes_read = 0;
  DWORD read_error = 1;

 private:
  WinIOMessagePump* pump_;
};

TEST(WinIOMessagePumpTest, CompletionOfARegisteredHandleReachesItsHandler) {
  test_support::ScratchDir scratch;
  test_support::WriteFileBytes(scratch.Child(L"data.bin"), "0123456789");
  ScopedHandle file(CreateFileW(scratch.Child(L"data.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  ASSERT_TRUE(file.IsValid());

  WinIOMessagePump pump;
  ReadHandler handler(&pump);
  ASSERT_TRUE(pump.RegisterIOHandler(file.Get(), &handler));
  WinIOMessagePump::IOContext context = {};
  context.handler = &handler;
  char buffer[16] = {};
  const BOOL done = ReadFile(file.Get(), buffer, sizeof(buffer), nullptr, &context.overlapped);
  ASSERT_TRUE(done || GetLastError() == ERROR_IO_PENDING);

  IdleDelegate delegate;
  pump.Run(&delegate);  // Sleeps on the port until the read completes.
  EXPECT_EQ(&context, handler.completed_context);
  EXPECT_EQ(10u, handler.bytes_read);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), handler.read_error);
  EXPECT_EQ("0123456789", std::string(buffer, 10));
}

// Wakes the pump from another thread and quits at the next chance.
class QuitOnWorkDelegate : public IdleDelegate {
 public:
  explicit QuitOnWorkDelegate(WinIOMessagePump* pump) : pump_(pump) {}
  bool DoWork() override {
    if (++calls > 1) pump_->Quit();
    return false;
  }
  int calls = 0;

 private:
  WinIOMessagePump* pump_;
};

TEST(WinIOMessagePumpTest, ScheduleWorkFromAnotherThreadWakesTheWait) {
  WinIOMessagePump pump;
  QuitOnWorkDelegate delegate(&pump);
  std::thread waker([&pump] {
    Sleep(50);
    pump.ScheduleWork();
  });
  pump.Run(&delegate);
  waker.join();
  EXPECT_GE(delegate.calls, 2);
}

}  // namespace
}  // namespace qbase
