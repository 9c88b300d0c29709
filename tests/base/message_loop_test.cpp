#include "base/message_loop.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop_proxy.h"
#include "base/time_ticks.h"

namespace qbase {
namespace {

// Destroying it records that a task was discarded without running.
struct DestructionMarker {
  explicit DestructionMarker(std::vector<std::string>* log, std::string name)
      : log(log), name(std::move(name)) {}
  ~DestructionMarker() { log->push_back("destroyed " + name); }
  std::vector<std::string>* log;
  std::string name;
};

Closure Record(std::vector<std::string>* log, const std::string& entry) {
  return [log, entry] { log->push_back(entry); };
}

void QuitLoop() { MessageLoop::current()->Quit(); }

TEST(MessageLoopTest, ImmediateTasksRunInPostingOrderOneAtATime) {
  MessageLoop loop;
  std::vector<std::string> log;
  loop.PostTask([&log, &loop] {
    log.push_back("a begin");
    loop.PostTask(Record(&log, "posted by a"));
    log.push_back("a end");
  });
  loop.PostTask(Record(&log, "b"));
  loop.PostTask(Record(&log, "c"));
  loop.PostTask(QuitLoop);
  loop.Run();
  EXPECT_EQ((std::vector<std::string>{"a begin", "a end", "b", "c", "posted by a"}), log);
}

TEST(MessageLoopTest, TasksFromAnotherThreadKeepThatThreadsOrder) {
  MessageLoop loop;
  std::vector<int> seen;
  std::shared_ptr<MessageLoopProxy> proxy = loop.message_loop_proxy();
  std::thread poster([proxy, &seen] {
    for (int i = 0; i < 500; ++i) proxy->PostTask([&seen, i] { seen.push_back(i); });
    proxy->PostTask(QuitLoop);
  });
  loop.Run();
  poster.join();
  ASSERT_EQ(500u, seen.size());
  for (int i = 0; i < 500; ++i) EXPECT_EQ(i, seen[i]);
}

TEST(MessageLoopTest, DelayedTasksRunByDueTimeAndEqualTimesInEntryOrder) {
  MessageLoop loop;
  std::vector<std::string> log;
  // Entered in one DoWork pass with the same delay: the clock has millisecond
  // steps, so their run times are equal or ascending.
  for (const char* name : {"first", "second", "third"}) {
    loop.PostDelayedTask(Record(&log, name), TimeDelta::FromMilliseconds(30));
  }
  loop.PostDelayedTask(Record(&log, "early"), TimeDelta::FromMilliseconds(5));
  loop.PostDelayedTask(QuitLoop, TimeDelta::FromMilliseconds(60));
  loop.Run();
  EXPECT_EQ((std::vector<std::string>{"early", "first", "second", "third"}), log);
}

TEST(MessageLoopTest, EqualRunTimesRunInTheOrderTheyWereQueued) {
  MessageLoop loop;
  std::vector<std::string> log;
  const int64_t due = (TimeTicks::Now() + TimeDelta::FromMilliseconds(20)).ToMicroseconds();
  for (const char* name : {"c", "a", "b"}) {
    QueuedTask entry;
    entry.run_time = due;
    entry.task = Record(&log, name);
    loop.AddToIncomingQueue(entry);
  }
  QueuedTask earlier;
  earlier.run_time = due - 1000;
  earlier.task = Record(&log, "earlier");
  loop.AddToIncomingQueue(earlier);
  loop.PostDelayedTask(QuitLoop, TimeDelta::FromMilliseconds(40));
  loop.Run();
  EXPECT_EQ((std::vector<std::string>{"earlier", "c", "a", "b"}), log);
}

TEST(MessageLoopTest, DelayedTaskNeverRunsBeforeItsTimeOnTheLoopClock) {
  MessageLoop loop;
  const TimeTicks posted = TimeTicks::Now();
  TimeTicks ran;
  loop.PostDelayedTask(
      [&ran] {
        ran = TimeTicks::Now();
        QuitLoop();
      },
      TimeDelta::FromMilliseconds(50));
  loop.Run();
  EXPECT_GE((ran - posted).ToMilliseconds(), 50);
}

TEST(MessageLoopTest, ZeroDelayGoesThroughTheDelayedQueue) {
  MessageLoop loop;
  std::vector<std::string> log;
  loop.PostDelayedTask(Record(&log, "delayed zero"), TimeDelta());
  loop.PostTask(Record(&log, "immediate"));
  loop.PostTask(QuitLoop);
  loop.Run();
  // The immediate task overtakes the earlier-posted zero-delay task.
  EXPECT_EQ((std::vector<std::string>{"immediate", "delayed zero"}), log);
}

TEST(MessageLoopTest, QuitRunsEveryReadyTaskFirstAndDiscardsTheRest) {
  std::vector<std::string> log;
  {
    MessageLoop loop;
    loop.PostTask([&log] {
      QuitLoop();
      log.push_back("quit asked");
    });
    loop.PostTask(Record(&log, "queued after quit"));
    loop.PostDelayedTask(Record(&log, "due"), TimeDelta::FromMicroseconds(-1000));
    auto marker = std::make_shared<DestructionMarker>(&log, "later");
    loop.PostDelayedTask([marker, &log] { log.push_back("later ran"); },
                         TimeDelta::FromSeconds(3600));
    marker.reset();
    loop.Run();
    log.push_back("run returned");
  }
  EXPECT_EQ((std::vector<std::string>{"quit asked", "queued after quit", "due", "run returned",
                                      "destroyed later"}),
            log);
}

TEST(MessageLoopTest, DestroyingALoopRunsNoneOfItsTasksAndItsProxyRefusesPosts) {
  std::vector<std::string> log;
  std::shared_ptr<MessageLoopProxy> proxy;
  {
    MessageLoop loop;
    proxy = loop.message_loop_proxy();
    EXPECT_TRUE(proxy->BelongsToCurrentThread());
    auto marker = std::make_shared<DestructionMarker>(&log, "pending");
    EXPECT_TRUE(proxy->PostTask([marker, &log] { log.push_back("immediate ran"); }));
    EXPECT_TRUE(proxy->PostDelayedTask([marker, &log] { log.push_back("delayed ran"); },
                                       TimeDelta::FromMilliseconds(1)));
    marker.reset();
  }
  EXPECT_EQ((std::vector<std::string>{"destroyed pending"}), log);
  EXPECT_FALSE(proxy->PostTask([] {}));
  EXPECT_FALSE(proxy->PostDelayedTask([] {}, TimeDelta::FromMilliseconds(1)));
  EXPECT_FALSE(proxy->PostNonNestableTask([] {}));
  EXPECT_FALSE(proxy->BelongsToCurrentThread());
  EXPECT_EQ(nullptr, MessageLoop::current());
}

TEST(MessageLoopTest, TasksPostedWhileDestroyingAreDiscardedToo) {
  std::vector<std::string> log;
  {
    MessageLoop loop;
    // Destroying this closure posts another task, which must not run either.
    struct PostsOnDestruction {
      explicit PostsOnDestruction(std::vector<std::string>* log) : log(log) {}
      ~PostsOnDestruction() {
        MessageLoop::current()->PostTask([log = log] { log->push_back("ran"); });
        log->push_back("posted while destroying");
      }
      std::vector<std::string>* log;
    };
    auto poster = std::make_shared<PostsOnDestruction>(&log);
    loop.PostTask([poster] {});
    poster.reset();
  }
  EXPECT_EQ((std::vector<std::string>{"posted while destroying"}), log);
}

TEST(MessageLoopTest, IOLoopRunsImmediateAndDelayedTasks) {
  IOMessageLoop loop;
  EXPECT_EQ(MessageLoop::Type::kIO, loop.type());
  std::vector<std::string> log;
  std::shared_ptr<MessageLoopProxy> proxy = loop.message_loop_proxy();
  loop.PostDelayedTask(Record(&log, "delayed"), TimeDelta::FromMilliseconds(20));
  std::thread poster([proxy, &log] {
    proxy->PostTask(Record(&log, "from thread"));
    proxy->PostDelayedTask(QuitLoop, TimeDelta::FromMilliseconds(40));
  });
  poster.join();
  loop.Run();
  EXPECT_EQ((std::vector<std::string>{"from thread", "delayed"}), log);
}

}  // namespace
}  // namespace qbase
