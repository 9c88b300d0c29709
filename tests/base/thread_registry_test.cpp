#include "base/thread_registry.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/framework_thread.h"
#include "base/message_loop.h"
#include "base/message_loop_proxy.h"
#include "base/scoped_handle.h"

namespace qbase {
namespace {

// Identifiers of these tests stay clear of the launcher's own 0 and 1.
constexpr int kWorkerId = 7;
constexpr int kOtherId = 8;

// A framework thread whose Init and Cleanup the test supplies.
class TestThread : public FrameworkThread {
 public:
  TestThread(std::function<void()> init, std::function<void()> cleanup)
      : FrameworkThread("TestThread"), init_(std::move(init)), cleanup_(std::move(cleanup)) {}
  ~TestThread() override { Stop(); }

 protected:
  void Init() override {
    if (init_) init_();
  }
  void Cleanup() override {
    if (cleanup_) cleanup_();
  }

 private:
  std::function<void()> init_;
  std::function<void()> cleanup_;
};

// A thread registered as kWorkerId for its whole life.
std::unique_ptr<TestThread> StartRegisteredWorker() {
  auto thread = std::make_unique<TestThread>([] { ThreadRegistry::RegisterThread(kWorkerId); },
                                             [] { ThreadRegistry::UnregisterThread(); });
  EXPECT_TRUE(thread->Start());
  return thread;
}

// Waits for a manual-reset event a few seconds at most.
bool WaitFor(const ScopedHandle& event) { return WaitForSingleObject(event.Get(), 5000) == 0; }

TEST(ThreadRegistryTest, RegistrationRulesOnFrameworkThreads) {
  std::vector<std::string> log;
  auto check = [&log](const char* what, bool value) {
    log.push_back(std::string(what) + (value ? " yes" : " no"));
  };
  // Not a framework thread: nothing to register.
  EXPECT_FALSE(ThreadRegistry::RegisterThread(kWorkerId));
  EXPECT_EQ(-1, ThreadRegistry::CurrentThreadId());

  TestThread holder([] { ThreadRegistry::RegisterThread(kOtherId); },
                    [] { ThreadRegistry::UnregisterThread(); });
  ASSERT_TRUE(holder.Start());

  TestThread thread(
      [&] {
        check("negative", ThreadRegistry::RegisterThread(-1));
        check("foreign", ThreadRegistry::RegisterThread(kOtherId));
        check("first", ThreadRegistry::RegisterThread(kWorkerId));
        check("again", ThreadRegistry::RegisterThread(kWorkerId));
        log.push_back("id " + std::to_string(ThreadRegistry::CurrentThreadId()));
        check("unregister once", ThreadRegistry::UnregisterThread());
        check("still posts", ThreadRegistry::PostTask(kWorkerId, [] {}));
        check("unregister twice", ThreadRegistry::UnregisterThread());
        check("posts after", ThreadRegistry::PostTask(kWorkerId, [] {}));
        check("unregister thrice", ThreadRegistry::UnregisterThread());
        log.push_back("id " + std::to_string(ThreadRegistry::CurrentThreadId()));
      },
      nullptr);
  ASSERT_TRUE(thread.Start());
  thread.Stop();
  EXPECT_EQ(
      (std::vector<std::string>{"negative no", "foreign no", "first yes", "again yes", "id 7",
                                "unregister once yes", "still posts yes", "unregister twice yes",
                                "posts after no", "unregister thrice no", "id -1"}),
      log);
  // The foreign identifier still belongs to its holder.
  EXPECT_TRUE(ThreadRegistry::PostTask(kOtherId, [] {}));
}

TEST(ThreadRegistryTest, PostsReachTheRegisteredThreadAndFailOnceItIsGone) {
  auto worker = StartRegisteredWorker();
  DWORD ran_on = 0;
  int seen_id = -2;
  ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(ThreadRegistry::PostTask(kWorkerId, [&] {
    ran_on = GetCurrentThreadId();
    seen_id = ThreadRegistry::CurrentThreadId();
    SetEvent(done.Get());
  }));
  ASSERT_TRUE(WaitFor(done));
  EXPECT_EQ(worker->thread_id(), ran_on);
  EXPECT_EQ(kWorkerId, seen_id);

  std::shared_ptr<MessageLoopProxy> proxy = ThreadRegistry::GetMessageLoopProxy(kWorkerId);
  ASSERT_TRUE(proxy);
  worker.reset();
  EXPECT_FALSE(ThreadRegistry::PostTask(kWorkerId, [] {}));
  EXPECT_FALSE(ThreadRegistry::PostDelayedTask(
      kWorkerId, [] {}, TimeDelta::FromMilliseconds(1)));
  EXPECT_FALSE(ThreadRegistry::GetMessageLoopProxy(kWorkerId));
  EXPECT_FALSE(proxy->PostTask([] {}));  // A proxy kept past the loop refuses.
}

TEST(ThreadRegistryTest, PostsFailWhenARegisteredThreadsLoopIsGone) {
  // Registered without a matching unregistration: the entry outlives the loop.
  constexpr int kStaleId = kOtherId + 20;
  TestThread thread([] { ThreadRegistry::RegisterThread(kStaleId); }, nullptr);
  ASSERT_TRUE(thread.Start());
  thread.Stop();
  ASSERT_TRUE(ThreadRegistry::GetMessageLoopProxy(kStaleId));
  EXPECT_FALSE(ThreadRegistry::PostTask(kStaleId, [] {}));
  EXPECT_FALSE(ThreadRegistry::PostDelayedTask(
      kStaleId, [] {}, TimeDelta::FromMilliseconds(1)));
}

TEST(ThreadRegistryTest, DelayedPostWithZeroDelayIsImmediate) {
  auto worker = StartRegisteredWorker();
  std::vector<std::string> log;
  ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  // Blocks the worker until all three are queued, so their order is decided
  // by the queues alone.
  ScopedHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ThreadRegistry::PostTask(kWorkerId, [&] { WaitForSingleObject(release.Get(), 5000); });
  ThreadRegistry::PostDelayedTask(
      kWorkerId, [&] { log.push_back("negative"); }, TimeDelta::FromMilliseconds(-5));
  ThreadRegistry::PostDelayedTask(
      kWorkerId, [&] { log.push_back("zero"); }, TimeDelta());
  ThreadRegistry::PostTask(kWorkerId, [&] { log.push_back("immediate"); });
  ThreadRegistry::PostDelayedTask(
      kWorkerId, [&] { SetEvent(done.Get()); }, TimeDelta::FromMilliseconds(20));
  SetEvent(release.Get());
  ASSERT_TRUE(WaitFor(done));
  // The zero delay went the immediate way and overtook the negative one,
  // which went through the delayed queue, due at once.
  EXPECT_EQ((std::vector<std::string>{"zero", "negative", "immediate"}), log);
}

class Ticker : public SupportWeakCallback {};

TEST(ThreadRegistryTest, RepeatedTaskRunsItsCountThenStops) {
  auto worker = StartRegisteredWorker();
  ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  int runs = 0;
  int zero_runs = 0;
  std::unique_ptr<Ticker> owner;
  ThreadRegistry::PostTask(kWorkerId, [&] {
    owner = std::make_unique<Ticker>();  // Made and destroyed on the worker.
    ThreadRegistry::PostRepeatedTask(kWorkerId, owner->ToWeakCallback([&] { ++runs; }),
                                     TimeDelta::FromMilliseconds(2), 3);
    // No runs asked for: none, rather than counting down past zero for ever.
    ThreadRegistry::PostRepeatedTask(kWorkerId,
                                     owner->ToWeakCallback(Closure([&] { ++zero_runs; })),
                                     TimeDelta::FromMilliseconds(2), 0);
    ThreadRegistry::PostDelayedTask(
        kWorkerId, [&] { SetEvent(done.Get()); }, TimeDelta::FromMilliseconds(200));
  });
  ASSERT_TRUE(WaitFor(done));
  EXPECT_EQ(3, runs);
  EXPECT_EQ(0, zero_runs);
  ThreadRegistry::PostTask(kWorkerId, [&] { owner.reset(); });
  worker.reset();  // Runs that task before the locals it uses go away.
}

TEST(ThreadRegistryTest, RepeatedTaskEndsWhenItsOwnerIsDestroyed) {
  auto worker = StartRegisteredWorker();
  ScopedHandle three_ticks(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> ticks{0};
  std::unique_ptr<Ticker> owner;
  int ticks_at_destruction = 0;
  ThreadRegistry::PostTask(kWorkerId, [&] {
    owner = std::make_unique<Ticker>();
    ThreadRegistry::PostRepeatedTask(kWorkerId, owner->ToWeakCallback(Closure([&] {
      if (++ticks == 3) SetEvent(three_ticks.Get());
    })),
                                     TimeDelta::FromMilliseconds(2), kRepeatForever);
  });
  ASSERT_TRUE(WaitFor(three_ticks));
  ThreadRegistry::PostTask(kWorkerId, [&] {
    owner.reset();
    ticks_at_destruction = ticks;
  });
  ThreadRegistry::PostDelayedTask(
      kWorkerId, [&] { SetEvent(done.Get()); }, TimeDelta::FromMilliseconds(60));
  ASSERT_TRUE(WaitFor(done));
  EXPECT_GE(ticks_at_destruction, 3);
  EXPECT_EQ(ticks_at_destruction, ticks.load());
}

TEST(ThreadRegistryTest, UnknownIdentifierDropsEveryPost) {
  EXPECT_FALSE(ThreadRegistry::PostTask(kOtherId + 10, [] {}));
  EXPECT_FALSE(ThreadRegistry::PostDelayedTask(
      kOtherId + 10, [] {}, TimeDelta()));
  Ticker owner;
  ThreadRegistry::PostRepeatedTask(kOtherId + 10, owner.ToWeakCallback(Closure([] {})),
                                   TimeDelta::FromMilliseconds(1));
  EXPECT_FALSE(ThreadRegistry::GetMessageLoopProxy(kOtherId + 10));
}

}  // namespace
}  // namespace qbase
