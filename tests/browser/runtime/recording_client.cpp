#include "tests/browser/runtime/recording_client.h"

#include <atomic>
#include <chrono>

namespace test_support {

namespace {

std::atomic<int> g_live_objects{0};

template <typename Struct>
RecordingClient* Of(Struct* self) {
  return CefInterface<Struct>::template OwnerOf<RecordingClient>(self);
}

}  // namespace

std::string ToUtf8(const cef_string_t* text) {
  if (text == nullptr || text->str == nullptr || text->length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text->str, static_cast<int>(text->length),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text->str, static_cast<int>(text->length), &result[0], size,
                      nullptr, nullptr);
  return result;
}

CefText::CefText(const std::string& utf8) {
  cef_string_utf8_to_utf16(utf8.data(), utf8.size(), &text_);
}

CefText::~CefText() { cef_string_utf16_clear(&text_); }

RecordingClient::RecordingClient() {
  ++g_live_objects;
  cef_client_t* c = client_.get();
  c->get_life_span_handler = [](cef_client_t* self) { return Of(self)->life_span_.AddRefAndGet(); };
  c->get_render_handler = [](cef_client_t* self) { return Of(self)->render_.AddRefAndGet(); };
  c->get_load_handler = [](cef_client_t* self) { return Of(self)->load_.AddRefAndGet(); };
  c->get_display_handler = [](cef_client_t* self) { return Of(self)->display_.AddRefAndGet(); };
  c->get_context_menu_handler = [](cef_client_t* self) {
    return Of(self)->context_menu_.AddRefAndGet();
  };
  context_menu_.get()->on_before_context_menu = [](cef_context_menu_handler_t* self, cef_browser_t*,
                                                   cef_frame_t*, cef_context_menu_params_t* params,
                                                   cef_menu_model_t* model) {
    RecordingClient* client = Of(self);
    cef_string_userfree_t link = params->get_link_url(params);
    const std::string line = "menu " + std::to_string(params->get_x(params)) + " " +
                             std::to_string(params->get_y(params)) + " " +
                             std::to_string(params->is_editable(params)) + " " + ToUtf8(link);
    cef_string_userfree_utf16_free(link);
    std::vector<int> entries;
    for (size_t i = 0; i < model->get_count(model); ++i) {
      entries.push_back(model->get_command_id_at(model, i));
    }
    bool clear = false;
    {
      std::lock_guard<std::mutex> hold(client->lock_);
      client->events_.menu_entries = entries;
      clear = client->clear_menus_;
    }
    if (clear) model->clear(model);
    client->Add(line);
  };
  context_menu_.get()->on_context_menu_command =
      [](cef_context_menu_handler_t* self, cef_browser_t*, cef_frame_t*, cef_context_menu_params_t*,
         int command_id, uint32_t) {
        RecordingClient* client = Of(self);
        bool handle = false;
        {
          std::lock_guard<std::mutex> hold(client->lock_);
          handle = client->handle_commands_;
        }
        client->Add("command " + std::to_string(command_id));
        return handle ? 1 : 0;
      };
  render_.get()->get_screen_point = [](cef_render_handler_t*, cef_browser_t*, int view_x,
                                       int view_y, int* screen_x, int* screen_y) {
    *screen_x = view_x + kScreenOffset;
    *screen_y = view_y + kScreenOffset;
    return 1;
  };
  c->on_process_message_received = [](cef_client_t* self, cef_browser_t*, cef_process_id_t,
                                      cef_process_message_t* message) {
    cef_string_userfree_t name = message->get_name(message);
    cef_list_value_t* arguments = message->get_argument_list(message);
    Of(self)->Add("message " + ToUtf8(name) + " " +
                  std::to_string(arguments->get_bool(arguments, 0)));
    cef_string_userfree_utf16_free(name);
    arguments->base.release(&arguments->base);
    return 1;
  };

  life_span_.get()->on_after_created = [](cef_life_span_handler_t* self, cef_browser_t* browser) {
    RecordingClient* client = Of(self);
    {
      std::lock_guard<std::mutex> hold(client->lock_);
      client->browser_ = browser;
    }
    client->Add("created");
  };
  life_span_.get()->on_before_close = [](cef_life_span_handler_t* self, cef_browser_t*) {
    RecordingClient* client = Of(self);
    CefRefPtr<cef_browser_t> gone;
    {
      std::lock_guard<std::mutex> hold(client->lock_);
      gone = client->browser_;
      client->browser_.reset();
      client->sub_frame_.reset();
    }
    client->Add("closed");
  };
  render_.get()->get_view_rect = [](cef_render_handler_t* self, cef_browser_t*, cef_rect_t* rect) {
    RecordingClient* client = Of(self);
    std::lock_guard<std::mutex> hold(client->lock_);
    *rect = {0, 0, client->view_width_, client->view_height_};
    return 1;
  };
  render_.get()->on_paint = [](cef_render_handler_t* self, cef_browser_t*, cef_paint_element_type_t,
                               size_t, const cef_rect_t*, const void* buffer, int width,
                               int height) {
    RecordingClient* client = Of(self);
    {
      std::lock_guard<std::mutex> hold(client->lock_);
      const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
      client->events_.frame.assign(bytes, bytes + static_cast<size_t>(width) * height * 4);
      client->events_.frame_width = width;
      client->events_.frame_height = height;
      ++client->events_.frames;
    }
    client->changed_.notify_all();
  };
  load_.get()->on_loading_state_change = [](cef_load_handler_t* self, cef_browser_t*, int loading,
                                            int, int) {
    Of(self)->Add("loading " + std::to_string(loading));
  };
  load_.get()->on_load_start = [](cef_load_handler_t* self, cef_browser_t*, cef_frame_t*) {
    Of(self)->Add("load_start");
  };
  load_.get()->on_load_end = [](cef_load_handler_t* self, cef_browser_t*, cef_frame_t*,
                                int status) {
    Of(self)->Add("load_end " + std::to_string(status));
  };
  load_.get()->on_load_error = [](cef_load_handler_t* self, cef_browser_t*, cef_frame_t*, int code,
                                  const cef_string_t*, const cef_string_t* url) {
    Of(self)->Add("load_error " + std::to_string(code) + " " + ToUtf8(url));
  };
  display_.get()->on_address_change = [](cef_display_handler_t* self, cef_browser_t*,
                                         cef_frame_t* frame, const cef_string_t* url) {
    RecordingClient* client = Of(self);
    if (frame != nullptr && frame->is_main(frame) == 0) {
      {
        std::lock_guard<std::mutex> hold(client->lock_);
        client->sub_frame_ = frame;
      }
      client->Add("subframe address " + ToUtf8(url));
      return;
    }
    client->Add("address " + ToUtf8(url));
  };
  display_.get()->on_title_change = [](cef_display_handler_t* self, cef_browser_t*,
                                       const cef_string_t* title) {
    Of(self)->Add("title " + ToUtf8(title));
  };
}

RecordingClient::~RecordingClient() { --g_live_objects; }

int RecordingClient::live_objects() { return g_live_objects; }

void RecordingClient::SetViewSize(int width, int height) {
  std::lock_guard<std::mutex> hold(lock_);
  view_width_ = width;
  view_height_ = height;
}

void RecordingClient::SetMenuAnswers(bool clear, bool handle) {
  std::lock_guard<std::mutex> hold(lock_);
  clear_menus_ = clear;
  handle_commands_ = handle;
}

void RecordingClient::Add(const std::string& line) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    events_.lines.push_back(line);
  }
  changed_.notify_all();
}

bool RecordingClient::WaitFor(const std::function<bool(const ClientEvents&)>& ready, int limit_ms) {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, std::chrono::milliseconds(limit_ms),
                           [&] { return ready(events_); });
}

bool RecordingClient::WaitForLine(const std::string& line, int limit_ms) {
  return WaitFor(
      [&line](const ClientEvents& events) {
        for (const std::string& seen : events.lines) {
          if (seen == line) return true;
        }
        return false;
      },
      limit_ms);
}

ClientEvents RecordingClient::Snapshot() {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

std::string RecordingClient::Describe() {
  std::lock_guard<std::mutex> hold(lock_);
  std::string text = "heard:\n";
  for (const std::string& line : events_.lines) text += "  " + line + "\n";
  return text;
}

CefRefPtr<cef_browser_t> RecordingClient::browser() {
  std::lock_guard<std::mutex> hold(lock_);
  return browser_;
}

CefRefPtr<cef_frame_t> RecordingClient::sub_frame() {
  std::lock_guard<std::mutex> hold(lock_);
  return sub_frame_;
}

}  // namespace test_support
