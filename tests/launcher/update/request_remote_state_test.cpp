#include "launcher/update/request_remote_state.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "launcher/core/window_messages.h"
#include "launcher/update/exception_state.h"
#include "tests/launcher/update/update_state_fixture.h"

namespace {

using update_test::FakeUpdateWorld;
using update_test::FlatMapText;
using update_test::UpdateStateTest;

class RequestRemoteStateTest : public UpdateStateTest {};

TEST_F(RequestRemoteStateTest, TheRemoteMapDecidesTheNextStateAndTheVersions) {
  const std::string flat = FlatMapText("3_2_8", {{"a.bin", std::string(32, 'a'), 1}});
  const std::string listed =
      R"({"version":"3_2_8","list":{"a.bin":{"md5":")" + std::string(32, 'a') + R"(","size":1}}})";
  struct Case {
    const char* what;
    UpdateMode mode;
    FakeUpdateWorld::Reply reply;
    StateId next;
    int32_t code;
    std::string message;  // only its start for "Load Failed:"
    std::string detail;
    std::string target;    // targetGameVersion after, from "old"
    std::string download;  // downloadGameVersion after, from "old"
    bool copy;
  };
  const Case cases[] = {
      {"game map, flat",
       UpdateMode::Game,
       {0, flat, ""},
       StateId::CheckVersion,
       0,
       "",
       "",
       "3_2_8",
       "3_2_8",
       true},
      {"game map, listed",
       UpdateMode::Game,
       {0, listed, ""},
       StateId::CheckVersion,
       0,
       "",
       "",
       "",
       "3_2_8",
       true},
      {"launcher map",
       UpdateMode::Launcher,
       {0, flat, ""},
       StateId::CheckVersion,
       0,
       "",
       "",
       "old",
       "3_2_8",
       true},
      {"a version of another type",
       UpdateMode::Game,
       {0, R"({"version":[1]})", ""},
       StateId::Exception,
       0,
       "Load Failed:",
       R"({"version":[1]})",
       "old",
       "old",
       false},
      {"no version",
       UpdateMode::Game,
       {0, "{}", ""},
       StateId::CheckVersion,
       0,
       "",
       "",
       "",
       "old",
       true},
      {"request failed, game",
       UpdateMode::Game,
       {-2, "", "HTTP 404"},
       StateId::Exception,
       -2,
       "Request Failed:HTTP 404",
       "version_map.txt/",
       "old",
       "old",
       false},
      {"request failed, launcher",
       UpdateMode::Launcher,
       {-2, "", "HTTP 404"},
       StateId::EnterGame,
       -2,
       "Request Failed:HTTP 404",
       "launcher_version_map.txt/",
       "old",
       "old",
       false},
      {"not a map",
       UpdateMode::Game,
       {0, "<html>", "syntax"},
       StateId::Exception,
       0,
       "Load Failed:",
       "<html>",
       "old",
       "old",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->targetGameVersion = "old";
    context->downloadGameVersion = "old";
    const bool game = c.mode == UpdateMode::Game;
    const std::wstring copy =
        game ? GameFile(L"tmp_version_map.txt") : LauncherFile(L"tmp_launcher_version_map.txt");
    DeleteFileW(copy.c_str());
    world.replies[game ? "version_map.txt" : "launcher_version_map.txt"] = c.reply;

    Enter(std::make_unique<RequestRemoteState>(c.mode, &world));
    EXPECT_EQ(world.requests.size(), 1u);
    EXPECT_EQ(world.requests[0].rfind("content:", 0), 0u);
    // Sent once the answer is in, also after a failure.
    const std::vector<FakeUpdateWorld::Message> expected = {{WM_STATE_CHANGED, 0, 0},
                                                            {WM_CHECK_PROGRESS, 0, 95}};
    EXPECT_EQ(world.mainMessages, expected);
    Tick();
    ASSERT_NE(world.next(), nullptr);
    EXPECT_EQ(world.next()->GetId(), c.next);
    State* state = current();
    EXPECT_EQ(state->errorCode, c.code);
    if (c.message == "Load Failed:") {
      EXPECT_EQ(state->errorMessage.rfind(c.message, 0), 0u) << state->errorMessage;
    } else {
      EXPECT_EQ(state->errorMessage, c.message);
    }
    EXPECT_EQ(state->errorDetail, c.detail);
    if (c.next == StateId::Exception) {
      const auto* failed = static_cast<const ExceptionState*>(world.next());
      EXPECT_TRUE(failed->showDialog());
      EXPECT_EQ(failed->errorMessage, state->errorMessage);
      EXPECT_EQ(failed->errorDetail, c.detail);
    }
    EXPECT_EQ(context->targetGameVersion, c.target);
    EXPECT_EQ(context->downloadGameVersion, c.download);
    EXPECT_EQ(test_support::FileExists(copy), c.copy);
    if (c.copy) {
      EXPECT_EQ(test_support::ReadFileBytes(copy), c.reply.body);
      EXPECT_EQ(
          Map(game ? VersionMapKey::kRemoteGame : VersionMapKey::kRemoteLauncher).count("a.bin"),
          c.reply.body == "{}" ? 0u : 1u);
    }
    context->currentState.reset();
  }
}

}  // namespace
