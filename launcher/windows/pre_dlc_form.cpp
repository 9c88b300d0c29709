#include "launcher/windows/pre_dlc_form.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/launcher_folders.h"
#include "launcher/windows/panel_text.h"
#include "ui/box/box.h"

namespace {

constexpr int kArabicLanguage = 13;

// Right-aligns a title/value row and puts the value left of its title, as
// Arabic reads.
void MirrorRow(ui::Box* row, ui::Control* title, ui::Control* value) {
  row->SetHorAlignType(ui::kHorAlignRight);
  if (title && value) row->SwapChild(value, title);
  row->ArrangeAncestor();
}

}  // namespace

void PreDlcForm::InitWindow() {
  if (auto* root = dynamic_cast<ui::Box*>(GetRoot())) {
    root->AddBubbledEventHandler(
        ui::kEventClick, ToWeakCallback([this](ui::EventArgs* args) { return OnClick(args); }));
  }
  size_value_label_ = dynamic_cast<ui::Label*>(FindControl(L"text_size_value"));
  space_value_label_ = dynamic_cast<ui::Label*>(FindControl(L"text_space_value"));
  if (size_value_label_) size_value_label_->SetText(L"");
  if (space_value_label_) space_value_label_->SetText(L"");

  auto* size_box = dynamic_cast<ui::Box*>(FindControl(L"size_box"));
  auto* space_box = dynamic_cast<ui::Box*>(FindControl(L"space_box"));
  if (LauncherContext::GetInstance()->GetSettings().languageType == kArabicLanguage && size_box &&
      space_box) {
    MirrorRow(size_box, FindControl(L"text_size_title"), size_value_label_);
    MirrorRow(space_box, FindControl(L"text_space_title"), space_value_label_);
  }
  ShowSizes();
}

void PreDlcForm::ShowSizes() {
  LauncherContext* context = LauncherContext::GetInstance();
  if (size_value_label_) {
    size_value_label_->SetText(
        FormatSizeText(static_cast<uint64_t>(std::max<int64_t>(context->preDownloadSize, 0))));
  }
  if (space_value_label_ == nullptr) return;
  uint64_t total_bytes = 0;
  uint64_t free_bytes = 0;
  std::wstring folder;
  qbase::MultiByteToWide(GetPreDownloadDirA(), qbase::kCodePageAnsi, &folder);
  if (context->disk_space_query()(folder, &total_bytes, &free_bytes)) {
    space_value_label_->SetText(FormatSizeText(free_bytes));
  }
}

bool PreDlcForm::OnClick(ui::EventArgs* args) {
  const std::wstring name = args->pSender ? args->pSender->GetName() : std::wstring();
  if (name == L"btn_confirm") {
    Confirm();
  } else if (name == L"btn_cancel" || name == L"btn_close") {
    Cancel();
  }
  return true;
}
