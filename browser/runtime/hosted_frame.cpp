#include "browser/runtime/hosted_frame.h"

#include <functional>

#include <json/json.h>

#include "browser/runtime/lent_string.h"
#include "browser/runtime/hosted_browser.h"
#include "browser/runtime/render_side.h"
#include "browser/runtime/runtime.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

// Runs `step` with the frame on the UI thread while it is part of its page.
void OnUiThread(cef_frame_t* self, std::function<void(HostedFrame*)> step) {
  CefRefPtr<cef_frame_t> hold(self);
  Runtime::Get().PostTask(TID_UI, [hold, step] {
    HostedFrame* frame = HostedFrame::From(hold.get());
    if (!frame->detached()) step(frame);
  });
}

}  // namespace

HostedFrame::HostedFrame(int64_t identifier, const std::string& frame_id, cef_browser_t* browser)
    : identifier_(identifier), frame_id_(frame_id), browser_(browser) {
  cef_frame_t* f = frame_.get();
  f->load_url = [](cef_frame_t* self, const cef_string_t* url) {
    const std::string address = ToUtf8(FromCef(url));
    OnUiThread(self, [address](HostedFrame* frame) {
      Json::Value params;
      params["url"] = address;
      params["frameId"] = frame->frame_id_;
      HostedBrowser::From(frame->browser())->Command("Page.navigate", params);
    });
  };
  f->get_url = [](cef_frame_t* self) {
    HostedFrame* frame = From(self);
    std::lock_guard<std::mutex> hold(frame->lock_);
    return UserFreeCopy(frame->url_);
  };
  f->is_main = [](cef_frame_t*) { return 0; };
  f->get_identifier = [](cef_frame_t* self) { return From(self)->identifier_; };
  f->get_browser = [](cef_frame_t* self) { return From(self)->browser_.AddRefAndGet(); };
  f->execute_java_script = [](cef_frame_t* self, const cef_string_t* code, const cef_string_t*,
                              int) {
    const std::string script = ToUtf8(FromCef(code));
    OnUiThread(self, [script](HostedFrame* frame) {
      // Between two documents there is nowhere to run it.
      if (frame->context_id_ == 0) return;
      Json::Value params;
      params["expression"] = script;
      params["contextId"] = frame->context_id_;
      HostedBrowser::From(frame->browser())->Command("Runtime.evaluate", params);
    });
  };
  f->get_v8context = [](cef_frame_t* self) {
    HostedFrame* frame = From(self);
    return Runtime::Get().render_side().ContextOf(frame->browser(), frame->identifier_);
  };
}

void HostedFrame::SetUrl(const std::wstring& url) {
  std::lock_guard<std::mutex> hold(lock_);
  url_ = url;
}

HostedFrame* HostedFrame::From(cef_frame_t* self) {
  return CefInterface<cef_frame_t>::OwnerOf<HostedFrame>(self);
}

}  // namespace qoz_runtime
