#include "launcher/windows/setting_tab_page.h"

#include <algorithm>
#include <memory>
#include <string>

#include "base/async_modal_runner_manager.h"
#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "launcher/core/state.h"
#include "launcher/core/window_messages.h"
#include "launcher/windows/folder_dialog.h"
#include "launcher/windows/named_child.h"
#include "launcher/windows/panel_text.h"
#include "launcher/windows/setting_form.h"
#include "ui/core/window.h"
#include "ui/resources/language_string_table.h"

namespace SettingComponents {

namespace {

// The number of the text's leading digits, saturated just above the cap: a
// longer digit string is no more than "too much".
int64_t LeadingNumber(const std::wstring& text) {
  int64_t value = 0;
  for (wchar_t character : text) {
    if (character < L'0' || character > L'9') break;
    value = std::min<int64_t>(value * 10 + (character - L'0'), int64_t{kMaxSpeed} + 1);
  }
  return value;
}

// A pass runs: the current state is one of the six steps of a pass.
bool IsPassRunning(const State& state) {
  const auto id = static_cast<int32_t>(state.GetId());
  return id >= static_cast<int32_t>(StateId::Prepare) &&
         id <= static_cast<int32_t>(StateId::ApplyUpdate);
}

bool IsGamePass(const State& state) { return state.mode() != UpdateMode::Launcher; }

// No state, or a game-pass state outside the six steps: the engine is idle.
bool IsEngineIdle(const State* state) {
  return state == nullptr || (IsGamePass(*state) && !IsPassRunning(*state));
}

bool IsSender(const ui::EventArgs* args, const ui::Control* control) {
  return args->pSender != nullptr && args->pSender == control;
}

// Puts the caret after the last character, where the player goes on typing.
void MoveCaretToEnd(ui::RichEdit* field) {
  const auto end = static_cast<WPARAM>(field->GetText().size());
  field->TxSendMessage(EM_SETSEL, end, static_cast<LPARAM>(end), nullptr);
}

}  // namespace

std::wstring SpeedTextWhileTyping(const std::wstring& text) {
  if (text.empty()) return text;
  return std::to_wstring(std::min<int64_t>(LeadingNumber(text), kMaxSpeed));
}

int32_t SpeedWhenLeft(const std::wstring& text) {
  if (text.empty()) return kMinSpeed;
  return static_cast<int32_t>(std::clamp<int64_t>(LeadingNumber(text), kMinSpeed, kMaxSpeed));
}

bool TabLabel::BindName() {
  tab_name_ = dynamic_cast<ui::LabelTemplate<ui::Control>*>(FindNamedChild(this, L"tab_name"));
  return tab_name_ != nullptr;
}

void TabPage::Init(const std::wstring& name, SettingForm* form) {
  SetName(name);
  form_ = form;
}

ui::Control* TabPage::FindPageControl(const std::wstring& name) {
  return FindNamedChild(this, name);
}

void TabPageNormal::Init(const std::wstring& name, SettingForm* form) {
  TabPage::Init(name, form);
  // The language is this edition's own; its row stays hidden.
  if (ui::Control* language = FindPageControl(L"vbox_set_language")) {
    language->SetFadeVisible(false);
  }
  if (ui::Control* tip = FindPageControl(L"speed_tip")) {
    tip->SetToolTipTextId(L"STRING_DOWNLOAD_LIMIT_TIP");
  }
  if (ui::Control* tip = FindPageControl(L"predlc_speed_tip")) {
    tip->SetToolTipTextId(L"STRING_PREDLC_LIMIT_TIP");
  }
  if (auto* start = FindPageControlAs<ui::CheckBoxTemplate<ui::Control>>(L"checkbox_start")) {
    start->Selected(form_->settings().automaticStart, false);
    start->AddEventHandler(ui::kEventSelect, [this, start](ui::EventArgs* args) {
      if (IsSender(args, start)) form_->settings().automaticStart = true;
      return true;
    });
    start->AddEventHandler(ui::kEventUnSelect, [this, start](ui::EventArgs* args) {
      if (IsSender(args, start)) form_->settings().automaticStart = false;
      return true;
    });
  }
  BindOptionPair(L"option_trayicon", L"option_exit", &LauncherSettings::closeToHide);
  BindOptionPair(L"option_on", L"option_off", &LauncherSettings::autoUpdate);
  BindSpeedGroup(L"option_nolimit_speed", L"option_limit_speed", L"text_speed",
                 &LauncherSettings::downloadLimit, &LauncherSettings::downloadSpeed);
  BindSpeedGroup(L"predlc_option_nolimit_speed", L"predlc_option_limit_speed", L"predlc_text_speed",
                 &LauncherSettings::predlcLimit, &LauncherSettings::predlcSpeed);
  Refresh();
}

void TabPageNormal::BindOptionPair(const std::wstring& on_name, const std::wstring& off_name,
                                   bool LauncherSettings::*flag) {
  auto* on = FindPageControlAs<ui::Option>(on_name);
  auto* off = FindPageControlAs<ui::Option>(off_name);
  if (on == nullptr || off == nullptr) return;
  const bool value = form_->settings().*flag;
  on->Selected(value, false);
  off->Selected(!value, false);
  on->AddEventHandler(ui::kEventSelect, [this, on, flag](ui::EventArgs* args) {
    if (IsSender(args, on)) form_->settings().*flag = true;
    return true;
  });
  off->AddEventHandler(ui::kEventSelect, [this, off, flag](ui::EventArgs* args) {
    if (IsSender(args, off)) form_->settings().*flag = false;
    return true;
  });
}

void TabPageNormal::BindSpeedGroup(const std::wstring& no_limit_name,
                                   const std::wstring& limit_name, const std::wstring& field_name,
                                   bool LauncherSettings::*flag, int LauncherSettings::*speed) {
  auto* no_limit = FindPageControlAs<ui::Option>(no_limit_name);
  auto* limit = FindPageControlAs<ui::Option>(limit_name);
  auto* field = FindPageControlAs<ui::RichEdit>(field_name);
  if (no_limit == nullptr || limit == nullptr || field == nullptr) return;
  const bool limited = form_->settings().*flag;
  no_limit->Selected(!limited, false);
  limit->Selected(limited, false);
  field->SetText(std::to_wstring(form_->settings().*speed));
  field->SetEnabled(limited);

  // Switching the limit off keeps the number for the next time it is on.
  no_limit->AddEventHandler(ui::kEventSelect, [this, no_limit, field, flag](ui::EventArgs* args) {
    if (!IsSender(args, no_limit)) return true;
    form_->settings().*flag = false;
    field->SetEnabled(false);
    return true;
  });
  limit->AddEventHandler(ui::kEventSelect, [this, limit, field, flag](ui::EventArgs* args) {
    if (!IsSender(args, limit)) return true;
    form_->settings().*flag = true;
    field->SetEnabled(true);
    return true;
  });
  // While typing only the cap applies; the copy changes when the field is left.
  field->AddEventHandler(ui::kEventTextChange, [field](ui::EventArgs* args) {
    if (!IsSender(args, field)) return true;
    const std::wstring text = field->GetText();
    const std::wstring shown = SpeedTextWhileTyping(text);
    // Rewriting changes the text again; an unchanged text ends the round.
    if (shown != text) {
      field->SetText(shown);
      MoveCaretToEnd(field);
    }
    return true;
  });
  const auto commit = [this, field, speed](ui::EventArgs* args) {
    if (!IsSender(args, field)) return true;
    const int32_t value = SpeedWhenLeft(field->GetText());
    const std::wstring shown = std::to_wstring(value);
    if (field->GetText() != shown) field->SetText(shown);
    form_->settings().*speed = value;
    return true;
  };
  field->AddEventHandler(ui::kEventKillFocus, commit);
  field->AddEventHandler(ui::kEventReturn, commit);
}

void TabPageResource::Init(const std::wstring& name, SettingForm* form) {
  TabPage::Init(name, form);
  if (ui::Control* tip = FindPageControl(L"local_tip")) {
    tip->SetToolTipTextId(L"STRING_RESOURCE_LOCAL_TIP");
  }
  if (ui::Control* tip = FindPageControl(L"repair_tip")) {
    tip->SetToolTipTextId(L"STRING_RESOURCE_REPAIR_TIP");
  }
  game_path_label_ = FindPageControlAs<ui::LabelTemplate<ui::Control>>(L"text_game_path");
  if (game_path_label_) {
    game_path_label_->SetText(LauncherContext::GetInstance()->GetSettings().gamePath);
  }
  find_button_ = FindPageControlAs<ui::ButtonTemplate<ui::Control>>(L"btn_find_game");
  if (find_button_) {
    find_button_->AddEventHandler(ui::kEventClick,
                                  [this](ui::EventArgs* args) { return OnFindClick(args); });
  }
  repair_button_ = FindPageControlAs<ui::ButtonTemplate<ui::Control>>(L"btn_repair_game");
  if (repair_button_) {
    repair_button_->AddEventHandler(ui::kEventClick,
                                    [this](ui::EventArgs* args) { return OnRepairClick(args); });
  }
  Refresh();
}

void TabPageResource::Refresh() {
  const State* state = LauncherContext::GetInstance()->currentState.get();
  if (find_button_) {
    find_button_->SetEnabled(!(state && IsGamePass(*state) && IsPassRunning(*state)));
  }
  if (repair_button_) repair_button_->SetEnabled(IsEngineIdle(state));
}

bool TabPageResource::OnFindClick(ui::EventArgs* args) {
  if (!IsSender(args, find_button_)) return true;
  ui::Window* window = find_button_->GetWindow();
  const HWND owner = window ? window->GetHWND() : nullptr;
  // The answer comes later on the UI thread; a page gone by then ignores it.
  FolderDialog::ResultCallback callback = ToWeakCallback(
      [this](int result, const std::wstring& folder) { OnFolderChosen(result, folder); });
  qoz_comp::AsyncModalRunnerManager::GetInstance()->DoModal(std::make_unique<FolderDialog>(
      owner, ui::LanguageStringTable::GetInstance()->GetStringById(L"STRING_SELECT_PATH"),
      callback));
  return true;
}

void TabPageResource::OnFolderChosen(int result, const std::wstring& folder) {
  if (result != 1) return;
  LauncherContext* context = LauncherContext::GetInstance();
  if (!context->GameExecutableExists(folder)) {
    context->ShowMessageBox(form_, L"STRING_ERROR_NOTICE", L"STRING_ERROR_INVALID_GAME_PATH", L"",
                            L"STRING_CONFIRM", nullptr, false);
    return;
  }
  if (game_path_label_) game_path_label_->SetText(folder);
  // The folder is the game's at once, whatever the window answers later.
  form_->settings().gamePath = folder;
  LauncherSettings live = context->GetSettings();
  live.gamePath = folder;
  context->SetSettings(live);
  context->SaveEnvConfig();
  context->LoadGameVersion();
  context->SendToMainWindow(WM_STATE_CHANGED, 0, 0);
  context->ReportUiClick("setting_button", "game_path");
}

bool TabPageResource::OnRepairClick(ui::EventArgs* args) {
  if (!IsSender(args, repair_button_)) return true;
  LauncherContext* context = LauncherContext::GetInstance();
  if (context->IsGameRunning() && context->ActivateGameWindow()) {
    form_->Cancel();
    context->SendToMainWindow(WM_HIDE_LAUNCHER, 0, 0);
    return true;
  }
  repair_button_->SetEnabled(false);
  form_->Cancel();
  context->RepairGame();
  context->ReportUiClick("setting_button", "click_repair");
  return true;
}

void TabPageVersion::Init(const std::wstring& name, SettingForm* form) {
  TabPage::Init(name, form);
  launcher_update_button_ =
      FindPageControlAs<ui::ButtonTemplate<ui::Control>>(L"btn_launcher_update");
  if (launcher_update_button_) {
    launcher_update_button_->AddEventHandler(
        ui::kEventClick, [this](ui::EventArgs* args) { return OnLauncherUpdateClick(args); });
  }
  launcher_version_label_ =
      FindPageControlAs<ui::LabelTemplate<ui::Control>>(L"label_launcher_version");
  if (launcher_version_label_) launcher_version_label_->SetText(L"");
  game_update_button_ = FindPageControlAs<ui::ButtonTemplate<ui::Control>>(L"btn_game_update");
  if (game_update_button_) {
    game_update_button_->AddEventHandler(
        ui::kEventClick, [this](ui::EventArgs* args) { return OnGameUpdateClick(args); });
  }
  game_version_label_ = FindPageControlAs<ui::LabelTemplate<ui::Control>>(L"label_game_version");
  if (game_version_label_) game_version_label_->SetText(L"");
  // The channel's agreement and privacy links, each by its button's name.
  static const struct {
    const wchar_t* button;
    const char* link;
  } kLinks[] = {{L"btn_agreement", "Service"}, {L"btn_privacy", "Privacy"}};
  for (const auto& item : kLinks) {
    ui::Control* button = FindPageControl(item.button);
    if (button == nullptr) continue;
    const std::wstring expected = item.button;
    const std::string key = item.link;
    button->AddEventHandler(ui::kEventClick, [expected, key](ui::EventArgs* args) {
      if (args->pSender && args->pSender->GetName() == expected) {
        LauncherContext::GetInstance()->OpenLink(key, true);
      }
      return true;
    });
  }
  Refresh();
}

void TabPageVersion::Refresh() {
  LauncherContext* context = LauncherContext::GetInstance();
  const bool idle = IsEngineIdle(context->currentState.get());
  if (launcher_update_button_) launcher_update_button_->SetEnabled(idle);
  if (game_update_button_) game_update_button_->SetEnabled(idle);
  if (launcher_version_label_) {
    std::wstring version;
    qbase::MultiByteToWide(context->launcherVersion, qbase::kCodePageAnsi, &version);
    launcher_version_label_->SetText(LanguageTextWith(L"STRING_VERSION_LABEL", version));
  }
  if (game_version_label_) {
    game_version_label_->SetText(
        LanguageTextWith(L"STRING_VERSION_LABEL", qbase::Utf8ToWide(context->gameVersionDisplay)));
  }
}

bool TabPageVersion::OnLauncherUpdateClick(ui::EventArgs* args) {
  if (!IsSender(args, launcher_update_button_)) return true;
  LauncherContext* context = LauncherContext::GetInstance();
  context->ReportLauncherDetail("21", "", "", "");
  context->ReportAttributionEvent("click_launch_update_launcher", "", "", "");
  launcher_update_button_->SetEnabled(false);
  form_->Cancel();
  context->StartLauncherPass();
  return true;
}

bool TabPageVersion::OnGameUpdateClick(ui::EventArgs* args) {
  if (!IsSender(args, game_update_button_)) return true;
  LauncherContext* context = LauncherContext::GetInstance();
  if (context->IsGameRunning() && context->ActivateGameWindow()) {
    form_->Cancel();
    context->SendToMainWindow(WM_HIDE_LAUNCHER, 0, 0);
    return true;
  }
  context->ReportLauncherDetail("20", "", "", "");
  context->ReportAttributionEvent("click_launch_update_game", "", "", "");
  game_update_button_->SetEnabled(false);
  form_->Cancel();
  context->StartGamePass(true, true);
  return true;
}

}  // namespace SettingComponents
