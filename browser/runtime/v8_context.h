#pragma once

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_runtime {

// The script context of one document of a browser's frame: the page
// session's execution context of that document. One object per context, so
// the same context is the same object.
class V8Context : public CefRefCounted {
 public:
  V8Context(cef_browser_t* browser, cef_frame_t* frame, int context_id);

  cef_v8context_t* get() { return context_.get(); }
  int context_id() const { return context_id_; }
  cef_browser_t* browser() const { return browser_.get(); }

 private:
  ~V8Context() override = default;
  static V8Context* Of(cef_v8context_t* self);

  CefInterface<cef_v8context_t> context_{this};
  const CefRefPtr<cef_browser_t> browser_;
  const CefRefPtr<cef_frame_t> frame_;
  const int context_id_;
};

}  // namespace qoz_runtime
