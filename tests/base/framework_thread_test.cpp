#include "base/framework_thread.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
#include "base/thread_registry.h"

namespace qbase {

namespace {

class HookedThread : public FrameworkThread {
 public:
  explicit HookedThread(std::vector<std::string>* log)
      : FrameworkThread("HookedThread"), log_(log) {}
  ~HookedThread() override { Stop(); }

 protected:
  void Init() override {
    Sleep(30);  // Start must still wait for this.
    log_->push_back("init on " +
                    std::string(GetCurrentThreadId() == thread_id() ? "own" : "other") + " thread");
  }
  void Cleanup() override { log_->push_back("cleanup"); }

 private:
  std::vector<std::string>* log_;
};

TEST(FrameworkThreadTest, StartWaitsForInitAndStopRunsQueuedTasksBeforeCleanup) {
  std::vector<std::string> log;
  HookedThread thread(&log);
  ASSERT_TRUE(thread.Start());
  EXPECT_TRUE(thread.IsRunning());
  log.push_back("started");
  // Only after Init has run may the starter rely on what it set up.
  EXPECT_EQ((std::vector<std::string>{"init on own thread", "started"}), log);

  EXPECT_FALSE(thread.Start());  // Already running.
  std::shared_ptr<MessageLoopProxy> loop_proxy = thread.message_loop()->message_loop_proxy();
  for (int i = 0; i < 3; ++i) {
    loop_proxy->PostTask([&log, i] {
      Sleep(5);
      log.push_back("task " + std::to_string(i));
    });
  }
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
  thread.Stop();  // A second stop does nothing.
  EXPECT_EQ((std::vector<std::string>{"init on own thread", "started", "task 0", "task 1", "task 2",
                                      "cleanup"}),
            log);
  EXPECT_FALSE(loop_proxy->PostTask([] {}));
}

TEST(FrameworkThreadTest, StoppingAThreadThatNeverRanDoesNothing) {
  std::vector<std::string> log;
  HookedThread thread(&log);
  thread.Stop();
  EXPECT_TRUE(log.empty());
}

class MainLikeThread : public FrameworkThread {
 public:
  explicit MainLikeThread(std::vector<std::string>* log) : FrameworkThread("MainLike"), log_(log) {}

 protected:
  void Init() override {
    log_->push_back("registered " + std::to_string(ThreadRegistry::RegisterThread(5)));
    ThreadRegistry::PostTask(5, [] { PostQuitMessage(0); });
  }
  void Cleanup() override {
    log_->push_back("unregistered " + std::to_string(ThreadRegistry::UnregisterThread()));
  }

 private:
  std::vector<std::string>* log_;
};

TEST(FrameworkThreadTest, RunOnCurrentThreadEndsWhenTheUserInterfaceLoopQuits) {
  std::vector<std::string> log;
  MainLikeThread thread(&log);
  thread.RunOnCurrentThread(MessageLoop::Type::kUI);
  EXPECT_EQ((std::vector<std::string>{"registered 1", "unregistered 1"}), log);
  EXPECT_EQ(nullptr, MessageLoop::current());
  EXPECT_EQ(nullptr, FrameworkThread::GetTlsData());
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

class CountingLoopFactory : public CustomMessageLoopFactory {
 public:
  std::unique_ptr<MessageLoop> CreateMessageLoop() override {
    ++made;
    return std::make_unique<IOMessageLoop>();
  }
  int made = 0;
};

TEST(FrameworkThreadTest, CustomLoopComesFromTheFactory) {
  std::vector<std::string> log;
  HookedThread thread(&log);
  auto factory = std::make_shared<CountingLoopFactory>();
  thread.set_custom_loop_factory(factory);
  ASSERT_TRUE(thread.Start(MessageLoop::Type::kCustom));
  EXPECT_EQ(MessageLoop::Type::kIO, thread.message_loop()->type());
  thread.Stop();
  EXPECT_EQ(1, factory->made);
}

}  // namespace
}  // namespace qbase
