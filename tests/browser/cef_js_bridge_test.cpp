#include "browser/cef_js_bridge.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "base/thread_registry.h"
#include "browser/browser_handler.h"
#include "browser/cef_js_handler.h"
#include "browser/cef_manager.h"
#include "browser/cef_settings.h"
#include "browser/cef_string.h"
#include "tests/browser/main_thread.h"
#include "tests/browser/recording_delegate.h"
#include "tests/browser/runtime/page_url.h"
#include "tests/browser/runtime_fixture.h"
#include "tests/browser/thread_windows.h"
#include "tests/support/scratch_dir.h"

namespace qoz_comp {
namespace {

using test_support::PageUrl;
using test_support::Wide;

template <typename T>
CefRefPtr<T> Adopt(T* object) {
  return CefRefPtr<T>::Adopt(object);
}

// A control's share of the bridge: its handler's page calls go to its own
// bridge, and every call and answer is a line.
class BridgeDelegate : public test_support::RecordingDelegate {
 public:
  bool OnCallCppFunction(const std::wstring& function_name, const std::wstring& parameters, int id,
                         CefRefPtr<cef_browser_t> browser) override {
    Add("call " + test_support::Narrow(function_name) + " " + test_support::Narrow(parameters));
    ids_.push_back(id);
    return bridge_->OnCallCppFunction(function_name, parameters, id, browser);
  }
  bool OnExecuteCppCallback(int id, const std::wstring& result) override {
    Add("answer " + std::to_string(id) + " " + test_support::Narrow(result));
    return bridge_->OnExecuteCppCallback(id, result);
  }
  // Sub-frames' address changes are lines of their own, and the frame is kept.
  void OnAddressChange(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                       const std::wstring& url) override {
    if (!frame || frame->is_main(frame.get()) != 0) {
      RecordingDelegate::OnAddressChange(browser, frame, url);
      return;
    }
    {
      std::lock_guard<std::mutex> hold(lock_);
      sub_frame_ = frame;
    }
    Add("subframe address " + test_support::Narrow(url));
  }
  // Runtime thread only.
  const std::vector<int>& ids() const { return ids_; }
  // The sub-frame of the last "subframe address".
  CefRefPtr<cef_frame_t> sub_frame() {
    std::lock_guard<std::mutex> hold(lock_);
    return sub_frame_;
  }

 private:
  std::mutex lock_;
  CefRefPtr<cef_frame_t> sub_frame_;
  std::shared_ptr<CefJSBridge> bridge_ = std::make_shared<CefJSBridge>();
  std::vector<int> ids_;
};

// The launcher's runtime with its application object, whose page side
// serves the page object; one browser for the whole program.
class CefJSBridgeTest : public test_support::RuntimeFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(started_);
    ASSERT_TRUE(main_thread_.Start(qbase::MessageLoop::Type::kUI));
    main_thread_.RunAndWait([&] {
      handler_ = new BrowserHandler();
      client_ = handler_->client();
      handler_->AttachDelegate(&delegate_);
      handler_->SetViewRect({0, 0, 100, 100});
      cef_window_info_t info = {};
      info.windowless_rendering_enabled = 1;
      const CefString address(Wide(PageUrl("/title/bridge")));
      cef_browser_host_create_browser(&info, client_.get(), address.get(), nullptr, nullptr);
    });
    ASSERT_TRUE(delegate_.WaitForLine("title bridge")) << delegate_.Describe();
    main_thread_.RunAndWait([&] { browser_ = handler_->CurrentBrowser(); });
    ASSERT_TRUE(browser_);
  }

  void TearDown() override {
    main_thread_.RunAndWait([&] { handler_->CloseAllBrowser(); });
    delegate_.WaitForLine("closed");
    main_thread_.RunAndWait([&] { handler_->AttachDelegate(nullptr); });
    browser_.reset();
    client_.reset();
    main_thread_.Stop();
  }

  // Runs `script` in the page; the page reports through its title.
  void Run(const std::string& script) {
    CefRefPtr<cef_frame_t> frame = Adopt(browser_->get_main_frame(browser_.get()));
    const CefString code(Wide(script));
    frame->execute_java_script(frame.get(), code.get(), nullptr, 0);
  }

  bool WaitForTitle(const std::string& title) { return delegate_.WaitForLine("title " + title); }

  static void RunIn(const CefRefPtr<cef_frame_t>& frame, const std::string& script) {
    const CefString code(Wide(script));
    frame->execute_java_script(frame.get(), code.get(), nullptr, 0);
  }

  static void Load(const CefRefPtr<cef_frame_t>& frame, const std::string& url) {
    const CefString address(Wide(url));
    frame->load_url(frame.get(), address.get());
  }

  // Asks the page function `name` of the frame `frame_identifier` for an
  // answer to native callback `id`.
  void CallPage(const std::wstring& name, const std::wstring& parameters, int id,
                int frame_identifier) {
    const CefString message_name(L"CallJsFunction");
    CefRefPtr<cef_process_message_t> message =
        Adopt(cef_process_message_create(message_name.get()));
    CefRefPtr<cef_list_value_t> arguments = Adopt(message->get_argument_list(message.get()));
    const CefString function(name);
    const CefString text(parameters);
    arguments->set_string(arguments.get(), 0, function.get());
    arguments->set_string(arguments.get(), 1, text.get());
    arguments->set_int(arguments.get(), 2, id);
    arguments->set_int(arguments.get(), 3, frame_identifier);
    browser_->send_process_message(browser_.get(), PID_RENDERER, message.get());
  }

  // Shows /framed/NAME; its sub-frame once the framed page has reported.
  CefRefPtr<cef_frame_t> OpenFramed(const std::string& name) {
    Load(Adopt(browser_->get_main_frame(browser_.get())), PageUrl("/framed/" + name));
    if (!WaitForTitle(name) ||
        !delegate_.WaitForLine("subframe address " + PageUrl("/report/" + name))) {
      return CefRefPtr<cef_frame_t>();
    }
    return delegate_.sub_frame();
  }

  test_support::MainThread main_thread_;
  BridgeDelegate delegate_;
  BrowserHandler* handler_ = nullptr;
  CefRefPtr<cef_client_t> client_;
  CefRefPtr<cef_browser_t> browser_;
};

// The page reports each callback's arguments in its title, counting the
// calls, and thrown failures as "error MESSAGE".
constexpr char kReporter[] =
    "window.calls = 0;"
    "window.onerror = (message) => { document.title = 'error ' + message; };"
    "window.report = (error, result) => {"
    "  window.calls += 1;"
    "  document.title = window.calls + ' ' + error + ' ' + JSON.stringify(result);"
    "};";

TEST_F(CefJSBridgeTest, EveryPageCallIsAnsweredOnceThatTheFunctionDoesNotExist) {
  Run(kReporter);
  const struct {
    const char* call;
    const char* parameters;
  } cases[] = {
      {"QozCefWebInstance.call('open', report)", "{}"},
      {"QozCefWebInstance.call('open', {a: [1, 'x']}, report)", "{\"a\":[1,\"x\"]}"},
      {"QozCefWebInstance.call('open', null, report)", "null"},
      {"QozCefWebInstance.call('open', '\\u00e9', report)", "\"\xc3\xa9\""},
  };
  int calls = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    Run(c.call);
    ++calls;
    EXPECT_TRUE(delegate_.WaitForLine(std::string("call open ") + c.parameters))
        << delegate_.Describe();
    EXPECT_TRUE(
        WaitForTitle(std::to_string(calls) + " true {\"message\":\"Function does not exist.\"}"))
        << delegate_.Describe();
  }
  // Consecutive calls number on; each callback ran once.
  const std::vector<int> ids = delegate_.ids();
  ASSERT_EQ(4u, ids.size());
  for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i - 1] + 1, ids[i]);
}

TEST_F(CefJSBridgeTest, WrongArgumentsAndASecondRegistrationAreThrownInThePage) {
  Run(kReporter);
  const struct {
    const char* call;
    const char* error;
  } cases[] = {
      {"QozCefWebInstance.call('open', {})", "Invalid arguments."},
      {"QozCefWebInstance.call('open')", "Invalid arguments."},
      {"QozCefWebInstance.call(7, report)", "Invalid arguments."},
      {"QozCefWebInstance.register('twice', 'no function')", "Invalid arguments."},
      {"QozCefWebInstance.register('twice', () => ({}));"
       "QozCefWebInstance.register('twice', () => ({}))",
       "Failed to register function."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    Run("document.title = 'before'");
    ASSERT_TRUE(WaitForTitle("before"));
    Run(c.call);
    EXPECT_TRUE(WaitForTitle(std::string("error Uncaught Error: ") + c.error))
        << delegate_.Describe();
  }
  EXPECT_TRUE(delegate_.ids().empty());
}

TEST_F(CefJSBridgeTest, NativeCodeReachesTheFunctionThePageRegisteredOnlyForAnObject) {
  Run("QozCefWebInstance.register('double', (values) => values.n === undefined ? values.v :"
      "    ({doubled: values.n * 2}));"
      "document.title = 'registered'");
  ASSERT_TRUE(WaitForTitle("registered"));
  const auto call_page = [&](const std::wstring& parameters, int id) {
    const CefString name(L"CallJsFunction");
    CefRefPtr<cef_process_message_t> message = Adopt(cef_process_message_create(name.get()));
    CefRefPtr<cef_list_value_t> arguments = Adopt(message->get_argument_list(message.get()));
    const CefString function(L"double");
    const CefString text(parameters);
    arguments->set_string(arguments.get(), 0, function.get());
    arguments->set_string(arguments.get(), 1, text.get());
    arguments->set_int(arguments.get(), 2, id);
    // A negative frame names the main frame.
    arguments->set_int(arguments.get(), 3, -1);
    browser_->send_process_message(browser_.get(), PID_RENDERER, message.get());
  };
  // Numbers, strings, booleans, null and nothing are no answer.
  call_page(L"{\"v\":5}", 1);
  call_page(L"{\"v\":\"text\"}", 2);
  call_page(L"{\"v\":null}", 3);
  call_page(L"{}", 4);
  call_page(L"{\"n\":21}", 5);
  EXPECT_TRUE(delegate_.WaitForLine("answer 5 {\"doubled\":42}")) << delegate_.Describe();
  for (const std::string& line : delegate_.Lines()) {
    EXPECT_TRUE(line.rfind("answer ", 0) != 0 || line == "answer 5 {\"doubled\":42}") << line;
  }
}

TEST_F(CefJSBridgeTest, ANewDocumentMayRegisterTheNameAgain) {
  Run(kReporter);
  Run("QozCefWebInstance.register('again', () => ({})); document.title = 'first'");
  ASSERT_TRUE(WaitForTitle("first"));
  Run("location.reload()");
  ASSERT_TRUE(delegate_.WaitFor([](const test_support::Heard& heard) {
    return std::count(heard.lines.begin(), heard.lines.end(), "title bridge") >= 2;
  })) << delegate_.Describe();
  Run(kReporter);
  Run("QozCefWebInstance.register('again', () => ({})); document.title = 'second'");
  EXPECT_TRUE(WaitForTitle("second")) << delegate_.Describe();
  Run("document.title = 'settled'");
  ASSERT_TRUE(WaitForTitle("settled"));
  for (const std::string& line : delegate_.Lines())
    EXPECT_EQ(std::string::npos, line.find("error"));
}

TEST_F(CefJSBridgeTest, ACallFromASubFrameIsAnsweredInThatFrame) {
  CefRefPtr<cef_frame_t> frame = OpenFramed("inner");
  ASSERT_TRUE(frame) << delegate_.Describe();
  RunIn(frame,
        "QozCefWebInstance.call('open', {from: 'inner'}, (error, result) => {"
        "  parent.document.title = (window === top ? 'top ' : 'inner ') + error + ' ' +"
        "      JSON.stringify(result);"
        "})");
  EXPECT_TRUE(delegate_.WaitForLine("call open {\"from\":\"inner\"}")) << delegate_.Describe();
  EXPECT_TRUE(WaitForTitle("inner true {\"message\":\"Function does not exist.\"}"))
      << delegate_.Describe();
}

TEST_F(CefJSBridgeTest, EachFrameRunsItsOwnFunctionOfANameUntilItsDocumentGoes) {
  CefRefPtr<cef_frame_t> frame = OpenFramed("inner");
  ASSERT_TRUE(frame) << delegate_.Describe();
  CefRefPtr<cef_frame_t> main_frame = Adopt(browser_->get_main_frame(browser_.get()));
  const int64_t main_identifier = main_frame->get_identifier(main_frame.get());
  const int64_t inner_identifier = frame->get_identifier(frame.get());
  ASSERT_NE(main_identifier, inner_identifier);
  // The message carries a frame as a 32-bit number.
  ASSERT_GE(inner_identifier, 0);
  ASSERT_LE(inner_identifier, INT32_MAX);
  Run(kReporter);
  Run("QozCefWebInstance.register('where', (values) => ({frame: 'main', got: values.n}));"
      "document.title = 'main registered'");
  ASSERT_TRUE(WaitForTitle("main registered"));
  RunIn(frame,
        "QozCefWebInstance.register('where', (values) => ({frame: 'inner', got: values.n}));"
        "parent.document.title = 'inner registered'");
  ASSERT_TRUE(WaitForTitle("inner registered"));

  const struct {
    int frame_identifier;
    const char* answer;
  } calls[] = {
      {-1, "{\"frame\":\"main\",\"got\":1}"},
      {static_cast<int>(main_identifier), "{\"frame\":\"main\",\"got\":2}"},
      {static_cast<int>(inner_identifier), "{\"frame\":\"inner\",\"got\":3}"},
  };
  int id = 0;
  for (const auto& call : calls) {
    ++id;
    CallPage(L"where", L"{\"n\":" + std::to_wstring(id) + L"}", id, call.frame_identifier);
    EXPECT_TRUE(delegate_.WaitForLine("answer " + std::to_string(id) + " " + call.answer))
        << delegate_.Describe();
  }

  // The sub-frame's next document may register the name again; the main
  // frame's function stays, and so does its refusal of a second one.
  Load(frame, PageUrl("/report/again"));
  ASSERT_TRUE(WaitForTitle("again")) << delegate_.Describe();
  RunIn(frame,
        "QozCefWebInstance.register('where', (values) => ({frame: 'again', got: values.n}));"
        "parent.document.title = 'registered again'");
  ASSERT_TRUE(WaitForTitle("registered again"));
  CallPage(L"where", L"{\"n\":4}", 4, static_cast<int>(inner_identifier));
  EXPECT_TRUE(delegate_.WaitForLine("answer 4 {\"frame\":\"again\",\"got\":4}"))
      << delegate_.Describe();
  CallPage(L"where", L"{\"n\":5}", 5, -1);
  EXPECT_TRUE(delegate_.WaitForLine("answer 5 {\"frame\":\"main\",\"got\":5}"))
      << delegate_.Describe();
  Run("QozCefWebInstance.register('where', () => ({}))");
  EXPECT_TRUE(WaitForTitle("error Uncaught Error: Failed to register function."))
      << delegate_.Describe();
}

TEST(FormatNarrowTest, LongTextsComeWhole) {
  const std::string long_text(5000, 'x');
  EXPECT_EQ("Failed to call function " + long_text + ".",
            FormatNarrow("Failed to call function %s.", long_text.c_str()));
  EXPECT_EQ("7 ok", FormatNarrow("%d %s", 7, "ok"));
}

}  // namespace
}  // namespace qoz_comp
