#include "launcher/update/request_patch_state.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/launcher/update/update_state_fixture.h"

namespace {

using update_test::FakeUpdateWorld;
using update_test::FlatMapText;
using update_test::UpdateStateTest;

class RequestPatchStateTest : public UpdateStateTest {};

TEST_F(RequestPatchStateTest, AnyAnswerLeadsToTheDownloadsWithWhatTheListHeld) {
  const std::string list = FlatMapText("", {{"TOVA.exe", std::string(32, 'e'), 77}});
  struct Case {
    const char* what;
    UpdateMode mode;
    std::string path;
    FakeUpdateWorld::Reply reply;
    size_t patches;
  };
  const Case cases[] = {
      {"game list", UpdateMode::Game, "patchs/3_2_7/patch_list.txt", {0, list, ""}, 1},
      {"launcher list", UpdateMode::Launcher, "patchs/1_4_0/patch_list.txt", {0, list, ""}, 1},
      {"no list", UpdateMode::Game, "patchs/3_2_7/patch_list.txt", {-2, "", "404"}, 0},
      {"a list that is no map",
       UpdateMode::Game,
       "patchs/3_2_7/patch_list.txt",
       {0, "[]", "syntax"},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    world = FakeUpdateWorld();
    context->gameVersion = "3_2_7";
    context->launcherVersion = "1.4.0";
    const char* key =
        c.mode == UpdateMode::Game ? VersionMapKey::kGamePatch : VersionMapKey::kLauncherPatch;
    Map(key) = {{"stale", {"x", 1}}};
    world.replies[c.path] = c.reply;

    Enter(std::make_unique<RequestPatchState>(c.mode, &world));
    EXPECT_EQ(world.requests, std::vector<std::string>{"content:" + c.path});
    Tick();
    ASSERT_EQ(world.stages.size(), 1u);
    EXPECT_EQ(world.stages[0].id, StateId::DownloadFiles);
    EXPECT_EQ(world.stages[0].mode, c.mode);
    EXPECT_EQ(world.stages[0].patches.size(), c.patches);
    EXPECT_EQ(world.stages[0].patches.count("stale"), 0u);
    EXPECT_EQ(world.next()->GetId(), StateId::DownloadFiles);
    // Failures record nothing and the window hears nothing from this state.
    EXPECT_EQ(current()->errorCode, 0);
    EXPECT_TRUE(current()->errorMessage.empty());
    EXPECT_TRUE(world.mainMessages.empty());
    context->currentState.reset();
  }
}

}  // namespace
