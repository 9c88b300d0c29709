#pragma once

#include <windows.h>

#include <string>

#include "base/time_ticks.h"
#include "launcher/windows/main_form.h"
#include "tests/support/scratch_dir.h"

namespace test_support {

// A main window over a layout that carries the poster carousel and the news
// list, which the shipped main layout does not. The carousel's tick is the
// test's to give unless it asks for a running one.
class ContentTestForm : public MainForm {
 public:
  static constexpr wchar_t kLayoutFile[] = L"content_test_skin.xml";

  explicit ContentTestForm(qbase::TimeDelta tick = qbase::TimeDelta::FromSeconds(3600))
      : tick_(tick) {}

  std::wstring GetSkinFile() override { return kLayoutFile; }

  // Writes the layout under the resource root of `folder` (the current
  // folder of the window tests), where the window reads the main folder's
  // files that the skin package does not hold.
  static void WriteLayout(const std::wstring& folder) {
    WriteFileBytes(folder + L"\\resources\\themes\\default\\main\\" + kLayoutFile, kLayout);
  }

 protected:
  qbase::TimeDelta GetPosterTickInterval() const override { return tick_; }

 private:
  static constexpr char kLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="1000,640" caption="0,0,0,30">
	<VBox name="main_body" bkcolor="darkgray">
		<HBox name="title_row" height="30" bkcolor="black">
			<Control/>
			<Button name="btn_close" class="btn_global_close" width="30" height="30"/>
		</HBox>
		<HBox name="carousel" height="260" padding="20,10,20,0" childmargin="10">
			<Button name="btn_scroll_left" width="40" height="60" valign="center" bkcolor="gray" fadealpha="true"/>
			<HListBox name="scroll_pages" width="462" height="250" hscrollbar="true" hscrollunit="462"/>
			<Button name="btn_scroll_right" width="40" height="60" valign="center" bkcolor="gray" fadealpha="true"/>
		</HBox>
		<HListBox name="dot_list" width="200" height="20" halign="center" childmargin="6" margin="0,10,0,0"/>
		<HListBox name="tab_labels" height="36" margin="20,20,20,0"/>
		<TabBox name="tab_pages" height="150" margin="20,0,20,0"/>
		<Control/>
	</VBox>
</Window>
)";

  qbase::TimeDelta tick_;
};

}  // namespace test_support
