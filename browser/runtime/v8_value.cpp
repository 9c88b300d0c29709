#include "browser/runtime/v8_value.h"

#include <cmath>
#include <limits>
#include <utility>

#include "browser/runtime/lent_string.h"
#include "browser/runtime/hosted_browser.h"
#include "browser/runtime/runtime.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

constexpr char kGetProperty[] = "function(key) { return this[key]; }";
constexpr char kCallFunction[] =
    "function(receiver, ...values) { return Reflect.apply(this, receiver, values); }";

}  // namespace

V8Value::V8Value(Kind kind) : kind_(kind) {
  cef_v8value_t* v = value_.get();
  v->is_undefined = [](cef_v8value_t* self) { return Of(self)->kind_ == Kind::kUndefined ? 1 : 0; };
  v->is_null = [](cef_v8value_t* self) { return Of(self)->kind_ == Kind::kNull ? 1 : 0; };
  v->is_bool = [](cef_v8value_t* self) { return Of(self)->kind_ == Kind::kBool ? 1 : 0; };
  v->is_int = [](cef_v8value_t* self) { return Of(self)->kind_ == Kind::kInt ? 1 : 0; };
  v->is_double = [](cef_v8value_t* self) {
    return Of(self)->kind_ == Kind::kDouble || Of(self)->kind_ == Kind::kInt ? 1 : 0;
  };
  v->is_string = [](cef_v8value_t* self) { return Of(self)->kind_ == Kind::kString ? 1 : 0; };
  v->is_object = [](cef_v8value_t* self) {
    return Of(self)->kind_ == Kind::kObject || Of(self)->kind_ == Kind::kFunction ? 1 : 0;
  };
  v->is_function = [](cef_v8value_t* self) { return Of(self)->kind_ == Kind::kFunction ? 1 : 0; };
  v->get_bool_value = [](cef_v8value_t* self) { return Of(self)->bool_ ? 1 : 0; };
  v->get_int_value = [](cef_v8value_t* self) { return Of(self)->int_; };
  v->get_double_value = [](cef_v8value_t* self) {
    return Of(self)->kind_ == Kind::kInt ? static_cast<double>(Of(self)->int_) : Of(self)->double_;
  };
  v->get_string_value = [](cef_v8value_t* self) { return UserFreeCopy(Of(self)->string_); };
  v->get_value_bykey = [](cef_v8value_t* self, const cef_string_t* key) {
    return Of(self)->GetValue(FromCef(key));
  };
  v->execute_function = [](cef_v8value_t* self, cef_v8value_t* object, size_t count,
                           cef_v8value_t* const* arguments) {
    return Of(self)->Execute(object != nullptr ? Of(object) : nullptr, count, arguments);
  };
}

V8Value::~V8Value() {
  if (object_id_.empty() || !browser_) return;
  // The page keeps an object while a stand-in names it.
  CefRefPtr<cef_browser_t> browser = browser_;
  Json::Value params;
  params["objectId"] = object_id_;
  Runtime::Get().PostTask(TID_UI, [browser, params] {
    HostedBrowser::From(browser.get())->Command("Runtime.releaseObject", params);
  });
}

V8Value* V8Value::Of(cef_v8value_t* self) {
  return CefInterface<cef_v8value_t>::OwnerOf<V8Value>(self);
}

V8Value* V8Value::Undefined() { return new V8Value(Kind::kUndefined); }

V8Value* V8Value::Bool(bool value) {
  V8Value* result = new V8Value(Kind::kBool);
  result->bool_ = value;
  return result;
}

V8Value* V8Value::String(std::wstring value) {
  V8Value* result = new V8Value(Kind::kString);
  result->string_ = std::move(value);
  return result;
}

V8Value* V8Value::FromRemote(cef_browser_t* browser, const Json::Value& remote) {
  const std::string type = remote["type"].asString();
  if (type == "boolean") return Bool(remote["value"].asBool());
  if (type == "string") return String(ToWide(remote["value"].asString()));
  if (type == "number") {
    double number = std::numeric_limits<double>::quiet_NaN();
    if (remote["value"].isNumeric()) {
      number = remote["value"].asDouble();
    } else {
      const std::string special = remote["unserializableValue"].asString();
      if (special == "Infinity") number = std::numeric_limits<double>::infinity();
      if (special == "-Infinity") number = -std::numeric_limits<double>::infinity();
      if (special == "-0") number = -0.0;
    }
    if (std::isfinite(number) && std::trunc(number) == number && number >= INT32_MIN &&
        number <= INT32_MAX && !(number == 0 && std::signbit(number))) {
      V8Value* result = new V8Value(Kind::kInt);
      result->int_ = static_cast<int32_t>(number);
      return result;
    }
    V8Value* result = new V8Value(Kind::kDouble);
    result->double_ = number;
    return result;
  }
  if (type == "object" && remote["subtype"].asString() == "null") return new V8Value(Kind::kNull);
  if (!remote["objectId"].isString()) return Undefined();
  V8Value* result = new V8Value(type == "function" ? Kind::kFunction
                                : type == "object" ? Kind::kObject
                                                   : Kind::kOther);
  result->object_id_ = remote["objectId"].asString();
  result->browser_ = browser;
  return result;
}

Json::Value V8Value::AsCallArgument() const {
  Json::Value argument(Json::objectValue);
  switch (kind_) {
    case Kind::kUndefined:
      break;
    case Kind::kNull:
      argument["value"] = Json::Value();
      break;
    case Kind::kBool:
      argument["value"] = bool_;
      break;
    case Kind::kInt:
      argument["value"] = int_;
      break;
    case Kind::kDouble:
      if (std::isfinite(double_)) {
        argument["value"] = double_;
      } else {
        argument["unserializableValue"] =
            std::isnan(double_) ? "NaN" : (double_ > 0 ? "Infinity" : "-Infinity");
      }
      break;
    case Kind::kString:
      argument["value"] = ToUtf8(string_);
      break;
    default:
      argument["objectId"] = object_id_;
      break;
  }
  return argument;
}

cef_v8value_t* V8Value::GetValue(const std::wstring& key) {
  if (object_id_.empty() || !browser_) return nullptr;
  Json::Value params;
  params["functionDeclaration"] = kGetProperty;
  params["objectId"] = object_id_;
  Json::Value name;
  name["value"] = ToUtf8(key);
  params["arguments"].append(name);
  return Runtime::Get().render_side().CallPage(browser_.get(), params);
}

cef_v8value_t* V8Value::Execute(V8Value* receiver, size_t count, cef_v8value_t* const* arguments) {
  if (kind_ != Kind::kFunction || !browser_ || (count > 0 && arguments == nullptr)) return nullptr;
  Json::Value params;
  params["functionDeclaration"] = kCallFunction;
  params["objectId"] = object_id_;
  params["arguments"] = Json::Value(Json::arrayValue);
  params["arguments"].append(receiver != nullptr ? receiver->AsCallArgument()
                                                 : Json::Value(Json::objectValue));
  for (size_t i = 0; i < count; ++i) {
    params["arguments"].append(arguments[i] != nullptr ? Of(arguments[i])->AsCallArgument()
                                                       : Json::Value(Json::objectValue));
  }
  return Runtime::Get().render_side().CallPage(browser_.get(), params);
}

}  // namespace qoz_runtime
