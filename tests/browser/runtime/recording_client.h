#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace test_support {

// What a browser's client heard, in order: "created", "load_start",
// "load_end 200", "load_error -102 URL", "address URL" (the main frame's),
// "subframe address URL", "title TEXT", "loading 1",
// "message NAME FIRST-ARGUMENT-AS-BOOL", "menu X Y EDITABLE LINK" (a context
// menu due; EDITABLE 0 or 1), "command ID" (a menu entry chosen), "closed".
struct ClientEvents {
  std::vector<std::string> lines;
  // The command ids of the last context menu's entries as the runtime made
  // them; 0 for separators.
  std::vector<int> menu_entries;
  std::vector<uint8_t> frame;
  int frame_width = 0;
  int frame_height = 0;
  int frames = 0;
};

// A client of the runtime that records every notification and serves a view
// size the test sets. Counts its live objects, so a test sees the runtime
// release them.
class RecordingClient : public CefRefCounted {
 public:
  RecordingClient();

  cef_client_t* client() { return client_.get(); }
  void SetViewSize(int width, int height);
  // How context menus are answered: `clear` empties each before it shows,
  // `handle` answers chosen entries as carried out. Neither by default.
  void SetMenuAnswers(bool clear, bool handle);
  // The screen point of view point 0,0.
  static constexpr int kScreenOffset = 100;

  // Waits (generously) until `ready` holds for the events; false when it
  // never did.
  bool WaitFor(const std::function<bool(const ClientEvents&)>& ready, int limit_ms = 60000);
  bool WaitForLine(const std::string& line, int limit_ms = 60000);
  ClientEvents Snapshot();
  // The lines heard so far, one a line, for failure messages.
  std::string Describe();
  // The browser after "created", null before and after "closed".
  CefRefPtr<cef_browser_t> browser();
  // The sub-frame of the last "subframe address", null before one.
  CefRefPtr<cef_frame_t> sub_frame();

  static int live_objects();

 private:
  ~RecordingClient() override;
  void Add(const std::string& line);

  CefInterface<cef_client_t> client_{this};
  CefInterface<cef_life_span_handler_t> life_span_{this};
  CefInterface<cef_render_handler_t> render_{this};
  CefInterface<cef_load_handler_t> load_{this};
  CefInterface<cef_display_handler_t> display_{this};
  CefInterface<cef_context_menu_handler_t> context_menu_{this};

  std::mutex lock_;
  std::condition_variable changed_;
  ClientEvents events_;
  CefRefPtr<cef_browser_t> browser_;
  CefRefPtr<cef_frame_t> sub_frame_;
  int view_width_ = 0;
  int view_height_ = 0;
  bool clear_menus_ = false;
  bool handle_commands_ = false;
};

std::string ToUtf8(const cef_string_t* text);
// A runtime string holding a copy of `text`.
class CefText {
 public:
  explicit CefText(const std::string& utf8);
  ~CefText();
  CefText(const CefText&) = delete;
  CefText& operator=(const CefText&) = delete;
  const cef_string_t* get() const { return &text_; }
  cef_string_t* get() { return &text_; }

 private:
  cef_string_t text_ = {};
};

}  // namespace test_support
