#include "launcher/update/exception_state.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/core/window_messages.h"
#include "launcher/update/update_error_dialog.h"
#include "tests/launcher/update/update_state_fixture.h"

namespace {

using update_test::FakeUpdateWorld;
using update_test::UpdateStateTest;

TEST(UpdateErrorTextTest, CodeMessageAndDetail) {
  struct Case {
    int32_t code;
    std::string message;
    std::string detail;
    std::wstring text;
  };
  const Case cases[] = {
      {-2, "M", "D", L"-2\nM(D)"},
      {0, "M", "", L"M"},
      {0, "", "", L""},
      {0, "Invalid DlcAddr", "{}", L"Invalid DlcAddr({})"},
      {7, "", "https://h/x", L"7\n(https://h/x)"},
      {-4, "\xe9\x81\x8a", "\xe6\x88\xb2", L"-4\n\u904a(\u6232)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdateErrorText(c.code, c.message, c.detail), c.text) << c.message;
  }
}

class ExceptionStateTest : public UpdateStateTest {};

TEST_F(ExceptionStateTest, AFailedGamePassShowsTheDialogWhoseRetryStartsANewPass) {
  Enter(std::make_unique<ExceptionState>(-2, "Request Failed:timeout", "version_map.txt/", true,
                                         &world));
  EXPECT_TRUE(context->errorShown);
  EXPECT_EQ(world.mainMessages, (std::vector<FakeUpdateWorld::Message>{{WM_STATE_CHANGED, 0, 0}}));
  ASSERT_EQ(world.dialogs.size(), 1u);
  const UpdateErrorDialog& dialog = world.dialogs[0];
  EXPECT_EQ(dialog.detail, L"-2\nRequest Failed:timeout(version_map.txt/)");
  EXPECT_EQ(dialog.noKey, L"STRING_CANCEL");
  EXPECT_EQ(dialog.yesKey, L"STRING_ERROR_RETRY");
  ASSERT_TRUE(dialog.callback);

  // The answer comes on the UI thread, possibly after the state is gone.
  context->currentState.reset();
  dialog.callback(false);
  EXPECT_TRUE(world.log.empty());
  dialog.callback(true);
  EXPECT_EQ(world.log, std::vector<std::string>{"start game pass"});
  // Updates do nothing: the state waits for a new pass.
  Enter(std::make_unique<ExceptionState>(0, "", "", true, &world));
  Tick();
  EXPECT_EQ(world.changes, 0);
}

TEST_F(ExceptionStateTest, WithoutTheDialogItOnlyTellsTheWindow) {
  Enter(std::make_unique<ExceptionState>(0, "", "", false, &world));
  EXPECT_TRUE(context->errorShown);
  EXPECT_TRUE(world.dialogs.empty());
  EXPECT_EQ(world.mainMessages, (std::vector<FakeUpdateWorld::Message>{{WM_STATE_CHANGED, 0, 0}}));
}

}  // namespace
