#include "browser/runtime/v8_context.h"

#include <json/json.h>

#include "browser/runtime/runtime.h"

namespace qoz_runtime {

V8Context::V8Context(cef_browser_t* browser, cef_frame_t* frame, int context_id)
    : browser_(browser), frame_(frame), context_id_(context_id) {
  cef_v8context_t* c = context_.get();
  c->get_browser = [](cef_v8context_t* self) { return Of(self)->browser_.AddRefAndGet(); };
  c->get_frame = [](cef_v8context_t* self) { return Of(self)->frame_.AddRefAndGet(); };
  c->get_global = [](cef_v8context_t* self) {
    Json::Value params;
    params["expression"] = "globalThis";
    params["contextId"] = Of(self)->context_id_;
    return Runtime::Get().render_side().EvaluateInPage(Of(self)->browser_.get(), params);
  };
  c->enter = [](cef_v8context_t* self) {
    return Runtime::Get().render_side().Enter(Of(self)) ? 1 : 0;
  };
  c->exit = [](cef_v8context_t* self) {
    return Runtime::Get().render_side().Exit(Of(self)) ? 1 : 0;
  };
  c->is_same = [](cef_v8context_t* self, cef_v8context_t* that) { return self == that ? 1 : 0; };
}

V8Context* V8Context::Of(cef_v8context_t* self) {
  return CefInterface<cef_v8context_t>::OwnerOf<V8Context>(self);
}

}  // namespace qoz_runtime
