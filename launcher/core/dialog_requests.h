#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui {
class Window;
}

class LauncherContext;

// What a message box hands its callback.
enum class DialogResult : int32_t {
  Cancel = 0,  // "btn_no", the close button, Esc, the system close
  Ok = 1,      // the confirming button "btn_yes"
};

// Run on the UI thread when a box closes; may be empty.
using DialogCallback = std::function<void(DialogResult)>;
// Run on the UI thread with the index of the chosen option; may be empty.
using OptionChoiceCallback = std::function<void(int32_t)>;

// One text of a box: a language key the box looks up, or a literal text.
struct BoxText {
  std::wstring text;
  bool isKey = false;

  bool operator==(const BoxText& other) const { return text == other.text && isKey == other.isKey; }
};

// What a message box is given before it shows.
struct MessageBoxContent {
  BoxText title;
  BoxText content;
  BoxText detail;
  // The first caption belongs to "btn_no", the second to "btn_yes"; an empty
  // caption hides its button. One flag for both.
  std::wstring firstCaption;
  std::wstring secondCaption;
  bool captionsAreKeys = false;
  DialogCallback callback;
  bool swapImages = false;
};

// A message box asked for from any thread, copied whole so the caller's
// objects may go at once. Every text comes as a key and a literal text; the
// key wins when it is not empty.
struct MessageBoxRequest {
  ui::Window* parent = nullptr;  // not owned; null: the main window owns the box
  LauncherContext* context = nullptr;
  std::wstring titleKey;
  std::wstring titleText;
  std::wstring contentKey;
  std::wstring contentText;
  std::wstring firstCaptionKey;
  std::wstring secondCaptionKey;
  std::wstring firstCaptionText;
  std::wstring secondCaptionText;
  DialogCallback callback;
  bool swapImages = false;

  // On the UI thread: hands the box to the context's presenter, or drops the
  // request (its callback never runs) when no owner or presenter is found.
  void Show() const;

 protected:
  void ShowWithDetail(const BoxText& detail) const;
};

// The same with a detail text under the content.
struct DetailedMessageBoxRequest : MessageBoxRequest {
  std::wstring detailKey;
  std::wstring detailText;

  void Show() const;
};

// A choice between radio options, each a language key, the first selected.
struct OptionsBoxRequest {
  ui::Window* parent = nullptr;  // not owned; null: the main window owns the box
  LauncherContext* context = nullptr;
  std::wstring titleKey;
  std::wstring groupName;
  std::vector<std::wstring> optionKeys;  // in display order
  int32_t selectedIndex = 0;
  std::wstring buttonKey;
  OptionChoiceCallback callback;

  // On the UI thread, as MessageBoxRequest::Show.
  void Show() const;
};
