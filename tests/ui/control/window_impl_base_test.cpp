#include "ui/control/window_impl_base.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/scoped_current_folder.h"
#include "tests/support/scratch_dir.h"
#include "tests/ui/core/test_window.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/box/shadow_box.h"
#include "ui/control/control_classes.h"
#include "ui/core/control.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/zip_archive.h"

namespace {

using test_support::PumpUntil;
using ui::GlobalManager;

// What a form saw; it outlives the form, which deletes itself.
struct FormRecord {
  int initialised = 0;
  bool deleted = false;
  std::vector<WPARAM> closes;
  std::wstring failure;
};

class TestForm : public ui::WindowImplBase {
 public:
  TestForm(std::wstring folder, std::wstring file, FormRecord* record)
      : folder_(std::move(folder)), file_(std::move(file)), record_(record) {}
  ~TestForm() override { record_->deleted = true; }

  std::wstring GetWindowClassName() const override { return L"MarkupTestForm"; }
  std::wstring GetSkinFolder() override { return folder_; }
  std::wstring GetSkinFile() override { return file_; }
  void InitWindow() override { ++record_->initialised; }

 protected:
  LRESULT OnClose(UINT, WPARAM wparam, LPARAM, bool& handled) override {
    record_->closes.push_back(wparam);
    handled = false;
    return 0;
  }
  // A message box would wait for a user the test does not have.
  void ShowLoadFailure(const std::wstring& text) override { record_->failure = text; }

 private:
  std::wstring folder_;
  std::wstring file_;
  FormRecord* record_;
};

constexpr char kLayout[] =
    "<Window size=\"200,150\" caption=\"0,0,0,30\" sizebox=\"4,4,4,4\">"
    "<VBox name=\"body\">"
    "  <HBox height=\"30\">"
    "    <Label name=\"title\" width=\"100\" height=\"30\"/>"
    "    <Button name=\"closebtn\" width=\"30\" height=\"30\"/>"
    "    <Button name=\"maxbtn\" width=\"30\" height=\"30\"/>"
    "  </HBox>"
    "  <Control name=\"content\"/>"
    "</VBox>"
    "</Window>";

class WindowImplBaseTest : public testing::Test {
 protected:
  void SetUp() override {
    ui::RegisterControlClasses();
    GlobalManager::Startup(dir_.path() + L"\\", nullptr, L"themes\\default", L"zh_TW");
    test_support::WriteFileBytes(dir_.Child(L"themes\\default\\form\\skin.xml"), kLayout);
  }
  void TearDown() override {
    if (form_hwnd_ && IsWindow(form_hwnd_)) DestroyWindow(form_hwnd_);
    GlobalManager::CloseResourceZip();
    GlobalManager::Shutdown();
    GlobalManager::defaultFontId.clear();
  }

  // Creates and shows the form, laid out; null when it was refused.
  TestForm* Open(const std::wstring& folder, const std::wstring& file) {
    auto* form = new TestForm(folder, file, &record_);
    form_hwnd_ = form->Create(nullptr, L"form", WS_POPUP, 0, false, {40, 40, 440, 440});
    if (!form_hwnd_) return nullptr;
    form->ShowWindow(true, false);
    UpdateWindow(form_hwnd_);
    return form;
  }

  LRESULT HitTest(POINT client) const {
    ClientToScreen(form_hwnd_, &client);
    return SendMessageW(form_hwnd_, WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y));
  }

  void ClickAt(ui::Control* control) const {
    const RECT rect = control->GetPos();
    const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageW(form_hwnd_, WM_MOUSEMOVE, 0, point);
    SendMessageW(form_hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(form_hwnd_, WM_LBUTTONUP, 0, point);
  }

  test_support::ScratchDir dir_;
  FormRecord record_;
  HWND form_hwnd_ = nullptr;
};

// The same layout as markup text, as a package entry and as a disk file.
TEST_F(WindowImplBaseTest, OpensWithItsShadowFromEverySource) {
  test_support::ZipFixtureEntry entry;
  entry.name = "resources/themes/default/form/skin.xml";
  entry.data = kLayout;
  const std::string package = test_support::BuildZip({entry});
  test_support::WriteFileBytes(dir_.Child(L"resources\\themes\\default\\form\\disk.xml"), kLayout);
  test_support::ScopedCurrentFolder folder(dir_.path());

  const struct {
    bool packaged;
    const wchar_t* folder;
    std::wstring file;
  } cases[] = {
      {false, L"", std::wstring(kLayout, kLayout + sizeof(kLayout) - 1)},
      {true, L"form", L"skin.xml"},
      {true, L"form", L"disk.xml"},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.folder);
    if (item.packaged) {
      GlobalManager::resourceZip = OpenZipArchive(
          package.data(), static_cast<int32_t>(package.size()), kZipSourceMemory, "");
      GlobalManager::SetResourcePath(L"resources\\themes\\default");
    }
    record_ = FormRecord();
    TestForm* form = Open(item.folder, item.file);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(record_.initialised, 1);
    auto* shadow = dynamic_cast<ui::ShadowBox*>(form->GetRoot());
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->GetContent()->GetName(), L"body");
    EXPECT_EQ(form->GetShadow().shadowBox, shadow);
    RECT client;
    GetClientRect(form_hwnd_, &client);
    const ui::Shadow& settings = form->GetShadow();
    EXPECT_EQ(client.right, 200 + settings.corner.left + settings.corner.right);
    DestroyWindow(form_hwnd_);
    EXPECT_TRUE(record_.deleted);
  }
}

TEST_F(WindowImplBaseTest, HitTestsFollowTheSizeBoxAndTheCaption) {
  TestForm* form = Open(L"form", L"skin.xml");
  ASSERT_NE(form, nullptr);
  const RECT corner = form->GetShadow().corner;
  RECT client;
  GetClientRect(form_hwnd_, &client);
  const LONG left = corner.left;
  const LONG top = corner.top;
  const LONG right = client.right - corner.right;
  const LONG bottom = client.bottom - corner.bottom;
  const struct {
    POINT point;
    LRESULT expected;
  } cases[] = {
      {{left / 2, top / 2}, HTCLIENT},  // the shadow never sizes
      {{left + 2, top + 2}, HTTOPLEFT},    {{left + 60, top + 2}, HTTOP},
      {{right - 2, top + 2}, HTTOPRIGHT},  {{left + 2, top + 60}, HTLEFT},
      {{right - 2, top + 60}, HTRIGHT},    {{left + 2, bottom - 2}, HTBOTTOMLEFT},
      {{left + 60, bottom - 2}, HTBOTTOM}, {{right - 2, bottom - 2}, HTBOTTOMRIGHT},
      {{left + 50, top + 15}, HTCAPTION},  // over the label
      {{left + 115, top + 15}, HTCLIENT},  // over the close button
      {{left + 145, top + 15}, HTCLIENT},  // over the maximise button
      {{left + 50, top + 60}, HTCLIENT},   // below the caption band
  };
  for (const auto& item : cases) {
    EXPECT_EQ(HitTest(item.point), item.expected) << item.point.x << "," << item.point.y;
  }

  // Maximised: no shadow and no size box, so the corner belongs to the caption.
  ShowWindow(form_hwnd_, SW_MAXIMIZE);
  UpdateWindow(form_hwnd_);
  EXPECT_EQ(form->GetShadow().corner.left, 0);
  EXPECT_EQ(HitTest({2, 2}), HTCAPTION);
}

TEST_F(WindowImplBaseTest, CaptionButtonsAndTheSystemClose) {
  TestForm* form = Open(L"form", L"skin.xml");
  ASSERT_NE(form, nullptr);
  // "maxbtn" without "restorebtn" maximises and hides nothing.
  ui::Control* maximize = form->FindControl(L"maxbtn");
  ClickAt(maximize);
  EXPECT_TRUE(IsZoomed(form_hwnd_));
  EXPECT_TRUE(maximize->IsVisible());
  ShowWindow(form_hwnd_, SW_RESTORE);
  UpdateWindow(form_hwnd_);

  // Alt+F4 arrives as WM_CLOSE with 0; the test's form keeps its window.
  record_.closes.clear();
  SendMessageW(form_hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(record_.closes, std::vector<WPARAM>{0});
  ASSERT_TRUE(record_.deleted);
  form_hwnd_ = nullptr;

  // The close button closes with 1 once its fade is over.
  record_ = FormRecord();
  form = Open(L"form", L"skin.xml");
  ASSERT_NE(form, nullptr);
  ClickAt(form->FindControl(L"closebtn"));
  ASSERT_TRUE(PumpUntil([this] { return record_.deleted; }));
  EXPECT_EQ(record_.closes, std::vector<WPARAM>{1});
  form_hwnd_ = nullptr;
}

TEST_F(WindowImplBaseTest, AFormWithoutItsLayoutIsRefused) {
  EXPECT_EQ(Open(L"form", L"missing.xml"), nullptr);
  EXPECT_TRUE(record_.deleted);
  EXPECT_EQ(record_.failure, L"Failed to load xml file form\\missing.xml");
  EXPECT_EQ(record_.initialised, 0);
}

}  // namespace
