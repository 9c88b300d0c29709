#include "tests/browser/runtime_fixture.h"

#include "browser/cef_manager.h"
#include "tests/browser/thread_windows.h"

namespace test_support {

ScratchDir* RuntimeFixture::scratch_ = nullptr;
qoz_comp::CefSettings* RuntimeFixture::settings_ = nullptr;
std::wstring RuntimeFixture::data_folder_;
bool RuntimeFixture::started_ = false;
bool RuntimeFixture::hidden_window_closed_ = false;

void RuntimeFixture::SetUpTestSuite() {
  scratch_ = new ScratchDir();
  settings_ = new qoz_comp::CefSettings();
  data_folder_ = scratch_->Child(L"data\\");
  qoz_comp::CefManager* manager = qoz_comp::CefManager::GetInstance();
  started_ = manager->PrepareCefEnvironment() && manager->Initialize(data_folder_, settings_);
  // The start-up thread's hidden window goes once the runtime's UI thread
  // has made its child.
  hidden_window_closed_ = PumpUntilNoWindows();
}

void RuntimeFixture::TearDownTestSuite() {
  qoz_comp::CefManager::GetInstance()->Shutdown();
  delete settings_;
  delete scratch_;
}

}  // namespace test_support
