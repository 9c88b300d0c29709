#pragma once

#include <cstdint>
#include <string>

#include "launcher/core/launcher_settings.h"
#include "ui/control/button.h"
#include "ui/control/check_box.h"
#include "ui/control/label.h"
#include "ui/control/list_container_element.h"
#include "ui/control/option.h"
#include "ui/control/rich_edit.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

class SettingForm;

namespace SettingComponents {

// Download speed limits in KB/s.
constexpr int32_t kMinSpeed = 100;
constexpr int32_t kMaxSpeed = 10240;

// What a speed field shows while the player types `text`: the number capped
// at kMaxSpeed, no lower bound yet; an empty text stays empty. Only the
// leading digits count, and a number too long for any integer is above the
// cap.
std::wstring SpeedTextWhileTyping(const std::wstring& text);
// The speed a field's text stands for once the field is left: the number
// clamped to kMinSpeed..kMaxSpeed, kMinSpeed for an empty text.
int32_t SpeedWhenLeft(const std::wstring& text);

// A tab of the settings window's tab list ("setting/tab_label.xml") with its
// caption "tab_name". The caption of the highlighted tab is disabled, which
// the layout paints black.
class TabLabel : public ui::ListContainerElement {
 public:
  // Finds the caption; false when the layout lacks it.
  bool BindName();
  ui::LabelTemplate<ui::Control>* tab_name() const { return tab_name_; }

 private:
  ui::LabelTemplate<ui::Control>* tab_name_ = nullptr;  // owned by the tab
};

// One page of the settings window's scrolling page list. The page edits the
// form's copy of the settings, or acts at once where the page says so.
class TabPage : public ui::ListContainerElement {
 public:
  // Once, after the page was filled from its layout and added to the list:
  // names the page and binds it to the form (which owns the page).
  virtual void Init(const std::wstring& name, SettingForm* form);
  // Shows the launcher's current state again; the settings window calls it
  // whenever that state changes.
  virtual void Refresh() {}
  // The page list scrolled while this page was its selection.
  virtual void OnPagesScrolled() {}

 protected:
  // A control of this page by name; null when the layout lacks it.
  ui::Control* FindPageControl(const std::wstring& name);
  template <typename T>
  T* FindPageControlAs(const std::wstring& name) {
    return dynamic_cast<T*>(FindPageControl(name));
  }

  SettingForm* form_ = nullptr;  // owns the page through its page list
};

// Start with Windows, the close button, automatic updates and the two
// download speed limits ("setting/tab_page0.xml"). Edits only the form's copy.
class TabPageNormal : public TabPage {
 public:
  void Init(const std::wstring& name, SettingForm* form) override;

 private:
  // A limit's no-limit and limit options and its number field, bound to the
  // copy's flag and speed; nothing when one of the three is missing.
  void BindSpeedGroup(const std::wstring& no_limit_name, const std::wstring& limit_name,
                      const std::wstring& field_name, bool LauncherSettings::*flag,
                      int LauncherSettings::*speed);
  // A pair of options that sets a flag of the copy one way or the other.
  void BindOptionPair(const std::wstring& on_name, const std::wstring& off_name,
                      bool LauncherSettings::*flag);
};

// The game folder and the repair ("setting/tab_page1.xml"); both act at once.
class TabPageResource : public TabPage {
 public:
  void Init(const std::wstring& name, SettingForm* form) override;
  // Folder choice and repair are refused while a game pass runs; repair also
  // during the launcher's own pass.
  void Refresh() override;

 private:
  // The folder picker's answer: 1 with the picked folder, 0 when cancelled.
  // A folder holding the game becomes the game path at once; any other is
  // refused with an error box owned by the settings window.
  void OnFolderChosen(int result, const std::wstring& folder);
  bool OnFindClick(ui::EventArgs* args);
  bool OnRepairClick(ui::EventArgs* args);

  ui::LabelTemplate<ui::Control>* game_path_label_ = nullptr;  // owned by the page
  ui::ButtonTemplate<ui::Control>* find_button_ = nullptr;     // owned by the page
  ui::ButtonTemplate<ui::Control>* repair_button_ = nullptr;   // owned by the page
};

// The two versions with their update buttons and the agreement and privacy
// links ("setting/tab_page2.xml"). The update buttons act at once.
class TabPageVersion : public TabPage {
 public:
  void Init(const std::wstring& name, SettingForm* form) override;
  // The update buttons work only while no pass runs; the version labels
  // follow the loaded versions.
  void Refresh() override;

 private:
  bool OnLauncherUpdateClick(ui::EventArgs* args);
  bool OnGameUpdateClick(ui::EventArgs* args);

  ui::ButtonTemplate<ui::Control>* launcher_update_button_ = nullptr;  // owned by the page
  ui::LabelTemplate<ui::Control>* launcher_version_label_ = nullptr;   // owned by the page
  ui::ButtonTemplate<ui::Control>* game_update_button_ = nullptr;      // owned by the page
  ui::LabelTemplate<ui::Control>* game_version_label_ = nullptr;       // owned by the page
};

}  // namespace SettingComponents
