#include "browser/client_app.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/browser/runtime/page_url.h"
#include "tests/browser/runtime/recording_client.h"
#include "tests/browser/runtime_fixture.h"

namespace qoz_comp {
namespace {

using test_support::ClientEvents;
using test_support::PageUrl;

// The messages of `name` a client heard, their first arguments in order.
std::vector<std::string> MessagesOf(const ClientEvents& events, const std::string& name) {
  const std::string prefix = "message " + name + " ";
  std::vector<std::string> found;
  for (const std::string& line : events.lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line.substr(prefix.size()));
  }
  return found;
}

// The launcher's runtime started by the manager, so its application object
// serves the page side.
class ClientAppTest : public test_support::RuntimeFixture {};

TEST_F(ClientAppTest, TheBrowserSideHearsWhenTheFocusGoesToOrFromAnEditableElement) {
  ASSERT_TRUE(started_);
  test_support::RecordingClient* client = new test_support::RecordingClient();
  CefRefPtr<cef_client_t> hold(client->client());
  client->SetViewSize(300, 200);
  cef_window_info_t info = {};
  info.windowless_rendering_enabled = 1;
  const test_support::CefText url(PageUrl("/focus"));
  ASSERT_EQ(1,
            cef_browser_host_create_browser(&info, client->client(), url.get(), nullptr, nullptr));
  ASSERT_TRUE(client->WaitForLine("load_end 200")) << client->Describe();
  CefRefPtr<cef_browser_t> browser = client->browser();
  ASSERT_TRUE(browser);
  CefRefPtr<cef_browser_host_t> host =
      CefRefPtr<cef_browser_host_t>::Adopt(browser->get_host(browser.get()));
  host->send_focus_event(host.get(), 1);
  CefRefPtr<cef_frame_t> frame =
      CefRefPtr<cef_frame_t>::Adopt(browser->get_main_frame(browser.get()));

  // Each step's report follows the last one; a step that leaves the focus as
  // editable as it was reports nothing.
  const struct {
    const char* script;
    const char* heard;
  } steps[] = {
      {"text.focus()", "1"},   {"button.focus()", "0"},   {"readonly.focus()", nullptr},
      {"area.focus()", "1"},   {"text.focus()", nullptr}, {"text.blur()", "0"},
      {"editor.focus()", "1"}, {"button.focus()", "0"},
  };
  std::vector<std::string> expected;
  int step = 0;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.script);
    // The title marks the step done in the page.
    const std::string marker = "step " + std::to_string(++step);
    const test_support::CefText code(std::string(s.script) + "; document.title = '" + marker +
                                     "';");
    frame->execute_java_script(frame.get(), code.get(), nullptr, 0);
    ASSERT_TRUE(client->WaitForLine("title " + marker)) << client->Describe();
    if (s.heard != nullptr) expected.push_back(s.heard);
    EXPECT_TRUE(client->WaitFor([&](const ClientEvents& events) {
      return MessagesOf(events, "FocusedNodeChanged").size() >= expected.size();
    })) << client->Describe();
  }
  // Reports arrive in order: once the last step's is in, every one is.
  EXPECT_EQ(expected, MessagesOf(client->Snapshot(), "FocusedNodeChanged")) << client->Describe();

  host->close_browser(host.get(), 1);
  EXPECT_TRUE(client->WaitForLine("closed")) << client->Describe();
}

}  // namespace
}  // namespace qoz_comp
