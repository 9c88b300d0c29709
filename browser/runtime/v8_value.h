#pragma once

#include <string>

#include <json/json.h>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_runtime {

// A value of a page's script: a primitive held here, or a stand-in for one
// of the page's objects (a remote object of the browser's page session),
// which is read and called through the page, on the render thread.
class V8Value : public CefRefCounted {
 public:
  enum class Kind { kUndefined, kNull, kBool, kInt, kDouble, kString, kObject, kFunction, kOther };

  static V8Value* Undefined();
  static V8Value* Bool(bool value);
  static V8Value* String(std::wstring value);
  // The value a protocol remote object describes, for objects a stand-in
  // within `browser`'s page.
  static V8Value* FromRemote(cef_browser_t* browser, const Json::Value& remote);

  cef_v8value_t* get() { return value_.get(); }
  // The value as an argument of a page call: the primitive itself or the
  // page object it stands for.
  Json::Value AsCallArgument() const;

 private:
  explicit V8Value(Kind kind);
  ~V8Value() override;
  static V8Value* Of(cef_v8value_t* self);

  cef_v8value_t* GetValue(const std::wstring& key);
  cef_v8value_t* Execute(V8Value* receiver, size_t count, cef_v8value_t* const* arguments);

  CefInterface<cef_v8value_t> value_{this};
  const Kind kind_;
  bool bool_ = false;
  int32_t int_ = 0;
  double double_ = 0;
  std::wstring string_;
  // Objects: the page's handle and the browser whose page holds it.
  std::string object_id_;
  CefRefPtr<cef_browser_t> browser_;
};

}  // namespace qoz_runtime
