#include "launcher/core/state.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/launcher_context.h"
#include "launcher/download/download_manager.h"

namespace {

// A state that writes what happens to it into a shared log as
// "<name>.<event>", with the other state's name where there is one.
class LoggingState : public State {
 public:
  LoggingState(std::string name, StateId id, UpdateMode mode, std::vector<std::string>* log)
      : State(mode), name_(std::move(name)), id_(id), log_(log) {}
  ~LoggingState() override { log_->push_back(name_ + ".destroyed"); }

  StateId GetId() const override { return id_; }
  void Enter(State* previous) override {
    // The entering state is already current; the previous one still exists.
    const bool current = LauncherContext::GetInstance()->currentState.get() == this;
    log_->push_back(name_ + ".enter(" + NameOf(previous) + (current ? ",current)" : ")"));
  }
  void Update() override {}
  void Exit(State* next) override {
    const bool current = LauncherContext::GetInstance()->currentState.get() == this;
    log_->push_back(name_ + ".exit(" + NameOf(next) + (current ? ",current)" : ")"));
  }
  void OnFileDownloaded(int32_t result, std::string url, std::string message) override {
    log_->push_back(name_ + ".file(" + std::to_string(result) + "," + url + "," + message + ")");
  }
  void OnRequestDone(int32_t result, std::string url, const char* data, int32_t size,
                     std::string error) override {
    log_->push_back(name_ + ".request(" + std::to_string(result) + "," + url + "," +
                    std::string(data, static_cast<size_t>(size)) + "," + error + ")");
  }
  void OnProbeDone(int32_t result, std::string url, bool exists, std::string error) override {
    log_->push_back(name_ + ".probe(" + std::to_string(result) + "," + url + "," +
                    (exists ? "yes" : "no") + "," + error + ")");
  }

  static std::string NameOf(State* state) {
    return state ? static_cast<LoggingState*>(state)->name_ : "null";
  }

 private:
  std::string name_;
  StateId id_;
  std::vector<std::string>* log_;
};

class StateTest : public testing::Test {
 protected:
  ~StateTest() override { LauncherContext::GetInstance()->currentState.reset(); }

  std::unique_ptr<State> Make(const std::string& name, StateId id, UpdateMode mode) {
    return std::make_unique<LoggingState>(name, id, mode, &log);
  }
  void Change(std::unique_ptr<State> next) {
    LauncherContext::GetInstance()->ChangeState(std::move(next));
  }
  std::string CurrentName() {
    return LoggingState::NameOf(LauncherContext::GetInstance()->currentState.get());
  }

  std::vector<std::string> log;
};

TEST_F(StateTest, ChangeStateFollowsTheIdentifierAndModeRule) {
  struct Case {
    const char* what;
    StateId currentId;
    UpdateMode currentMode;
    StateId nextId;
    UpdateMode nextMode;
    bool replaced;
  };
  const Case cases[] = {
      {"a repeated launcher pass", StateId::Prepare, UpdateMode::Launcher, StateId::Prepare,
       UpdateMode::Launcher, false},
      {"a game pass over a launcher pass", StateId::Prepare, UpdateMode::Launcher, StateId::Prepare,
       UpdateMode::Game, true},
      {"a launcher pass over a game pass", StateId::Prepare, UpdateMode::Game, StateId::Prepare,
       UpdateMode::Launcher, true},
      {"a new pass over a download", StateId::DownloadFiles, UpdateMode::Game, StateId::Prepare,
       UpdateMode::Game, true},
      {"a second ready state", StateId::EnterGame, UpdateMode::Game, StateId::EnterGame,
       UpdateMode::Game, false},
      {"a second error state", StateId::Exception, UpdateMode::Game, StateId::Exception,
       UpdateMode::Game, false},
  };
  for (const Case& c : cases) {
    log.clear();
    Change(Make("old", c.currentId, c.currentMode));
    ASSERT_EQ(log, std::vector<std::string>{"old.enter(null,current)"}) << c.what;
    log.clear();
    Change(Make("new", c.nextId, c.nextMode));
    const std::vector<std::string> replaced = {"old.exit(new,current)", "new.enter(old,current)",
                                               "old.destroyed"};
    const std::vector<std::string> ignored = {"new.destroyed"};
    EXPECT_EQ(log, c.replaced ? replaced : ignored) << c.what;
    EXPECT_EQ(CurrentName(), c.replaced ? "new" : "old") << c.what;
    LauncherContext::GetInstance()->currentState.reset();
  }
}

TEST_F(StateTest, NothingCurrentAndNothingNext) {
  Change(nullptr);
  EXPECT_TRUE(log.empty());
  Change(Make("first", StateId::Prepare, UpdateMode::Launcher));
  Change(nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"first.enter(null,current)", "first.exit(null,current)",
                                           "first.destroyed"}));
  EXPECT_EQ(LauncherContext::GetInstance()->currentState, nullptr);
}

TEST_F(StateTest, ANewStateClearsTheErrorShownFlag) {
  LauncherContext::GetInstance()->errorShown = true;
  const std::unique_ptr<State> state = Make("s", StateId::Exception, UpdateMode::Game);
  EXPECT_FALSE(LauncherContext::GetInstance()->errorShown);
  EXPECT_EQ(state->status, 0);
  EXPECT_EQ(state->errorCode, 0);
  LauncherContext::GetInstance()->errorShown = true;
  struct Plain : State {
    void Enter(State*) override {}
    void Update() override {}
    void Exit(State*) override {}
  } plain;
  EXPECT_EQ(plain.mode(), UpdateMode::Game);
  EXPECT_EQ(plain.GetId(), StateId::None);
  EXPECT_FALSE(LauncherContext::GetInstance()->errorShown);
}

TEST_F(StateTest, ResultsReachOnlyTheCurrentStateOfTheirTag) {
  const char kReply[] = "{}";
  Change(Make("check", StateId::CheckVersion, UpdateMode::Game));
  log.clear();
  ForwardRequestDone(static_cast<int32_t>(StateId::RequestRemote), 0, "map", kReply, 2, "");
  ForwardProbeDone(static_cast<int32_t>(StateId::DownloadFiles), 0, "a.patch", true, "");
  ForwardFileDownloaded(static_cast<int32_t>(StateId::DownloadFiles), 0, "a", "");
  EXPECT_TRUE(log.empty());

  const int32_t check = static_cast<int32_t>(StateId::CheckVersion);
  ForwardRequestDone(check, -2, "map", kReply, 2, "500");
  ForwardProbeDone(check, 0, "a.patch", true, "");
  ForwardFileDownloaded(check, -4, "a", "check md5 error");
  EXPECT_EQ(log,
            (std::vector<std::string>{"check.request(-2,map,{},500)", "check.probe(0,a.patch,yes,)",
                                      "check.file(-4,a,check md5 error)"}));

  // Routed by identifier: a newer state of the same identifier gets them.
  Change(Make("other", StateId::CheckVersion, UpdateMode::Launcher));
  log.clear();
  ForwardFileDownloaded(check, 0, "b", "");
  EXPECT_EQ(log, std::vector<std::string>{"other.file(0,b,)"});

  LauncherContext::GetInstance()->currentState.reset();
  log.clear();
  ForwardFileDownloaded(check, 0, "c", "");
  EXPECT_EQ(log, std::vector<std::string>{});
}

TEST_F(StateTest, SpeedSamplesCountOnlyWhileADownloadStateIsCurrent) {
  DownloadManager& downloads = DownloadManager::GetInstance();
  const int32_t download = static_cast<int32_t>(StateId::DownloadFiles);
  Change(Make("check", StateId::CheckVersion, UpdateMode::Game));
  downloads.CancelAll(DownloadMode::Game);
  ForwardDownloadSpeed(static_cast<int32_t>(StateId::CheckVersion), 5000);
  ForwardDownloadSpeed(download, 5000);
  EXPECT_EQ(downloads.speed(), 0);

  Change(Make("download", StateId::DownloadFiles, UpdateMode::Game));
  ForwardDownloadSpeed(static_cast<int32_t>(StateId::CheckVersion), 5000);
  EXPECT_EQ(downloads.speed(), 0);
  ForwardDownloadSpeed(download, 5000);
  EXPECT_EQ(downloads.speed(), 5000);
  downloads.CancelAll(DownloadMode::Game);
}

}  // namespace
