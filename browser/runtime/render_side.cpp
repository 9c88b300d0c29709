#include "browser/runtime/render_side.h"

#include <windows.h>

#include <memory>
#include <regex>
#include <utility>

#include "browser/runtime/hosted_browser.h"
#include "browser/runtime/lent_string.h"
#include "browser/runtime/runtime.h"
#include "browser/runtime/strict_json.h"
#include "browser/runtime/text_convert.h"
#include "browser/runtime/v8_context.h"
#include "browser/runtime/v8_value.h"

namespace qoz_runtime {

const char RenderSide::kBindingName[] = "__qozNative";

namespace {

// Generous: a page busy with its own script answers late on a loaded
// machine; the connection's end answers at once.
constexpr DWORD kCommandLimitMs = 60000;
// A call's payload is page input: bounded, flat and strictly parsed.
constexpr size_t kMaxPayloadSize = 8u << 20;
constexpr Json::ArrayIndex kMaxArguments = 32;

// Runs before the page's own script: keeps the arguments of each native call
// that are objects until the page side has taken them, and reports the call
// with its plain arguments through the binding; reports too where the focus
// goes: an editable element (1), another (0) or none (-1).
constexpr char kPageShim[] =
    "(() => {\n"
    "  if (globalThis.__qozNativeCall) return;\n"
    "  const held = new Map();\n"
    "  let next = 0;\n"
    "  const describe = (value) => {\n"
    "    switch (typeof value) {\n"
    "      case 'string': return {t: 's', v: value};\n"
    "      case 'boolean': return {t: 'b', v: value};\n"
    "      case 'number': return Number.isFinite(value) ? {t: 'n', v: value} : {t: 'r'};\n"
    "      case 'undefined': return {t: 'u'};\n"
    "      default: return value === null ? {t: 'l'} : {t: 'r'};\n"
    "    }\n"
    "  };\n"
    "  const call = (extension, name, values) => {\n"
    "    const id = next++;\n"
    "    const described = Array.from(values, describe);\n"
    "    if (described.some((entry) => entry.t === 'r')) held.set(id, values);\n"
    "    globalThis.__qozNative(JSON.stringify({e: extension, n: name, i: id, a: described}));\n"
    "  };\n"
    "  const take = (id) => {\n"
    "    const values = held.get(id);\n"
    "    held.delete(id);\n"
    "    return values;\n"
    "  };\n"
    "  const plain = ['button', 'checkbox', 'color', 'file', 'hidden', 'image', 'radio',\n"
    "                 'range', 'reset', 'submit'];\n"
    "  const editable = (node) => node.isContentEditable || (!node.disabled && !node.readOnly &&\n"
    "      (node.tagName === 'TEXTAREA' || (node.tagName === 'INPUT' && "
    "!plain.includes(node.type))));\n"
    "  const focused = (node) => globalThis.__qozNative(\n"
    "      JSON.stringify({f: node ? (editable(node) ? 1 : 0) : -1}));\n"
    "  addEventListener('focusin', (event) => focused(event.target), true);\n"
    "  addEventListener('focusout', (event) => { if (!event.relatedTarget) focused(null); }, "
    "true);\n"
    // The top document's context menus the page let through, once its own
    // listeners had their say, and the cursor under the mouse when it
    // changes; 'auto' is the I-beam over fields that take text.
    "  if (window === window.top) {\n"
    "    const report = (value) => globalThis.__qozNative(JSON.stringify(value));\n"
    "    addEventListener('contextmenu', (event) => setTimeout(() => {\n"
    "      if (event.defaultPrevented) return;\n"
    "      const node = event.target instanceof Element ? event.target : null;\n"
    "      const link = node && node.closest('a[href]');\n"
    "      const field = node && (node.tagName === 'INPUT' || node.tagName === 'TEXTAREA');\n"
    "      let selection = '';\n"
    "      try {\n"
    "        selection = field ? node.value.substring(node.selectionStart, node.selectionEnd)\n"
    "                          : String(getSelection());\n"
    "      } catch (error) {}\n"
    "      report({m: {x: event.clientX, y: event.clientY, l: link ? String(link.href) : '',\n"
    "                  s: selection.substring(0, 4096), e: !!node && editable(node),\n"
    "                  p: location.href}});\n"
    "    }), true);\n"
    "    let cursor = null;\n"
    "    addEventListener('mousemove', (event) => {\n"
    "      const node = event.target instanceof Element ? event.target : null;\n"
    "      let name = node ? getComputedStyle(node).cursor.split(',').pop().trim() : 'auto';\n"
    "      if (name === 'auto') name = node && editable(node) ? 'text' : 'default';\n"
    "      if (name === cursor) return;\n"
    "      cursor = name;\n"
    "      report({c: name.substring(0, 64)});\n"
    "    }, {capture: true, passive: true});\n"
    "  }\n"
    "  Object.defineProperty(globalThis, '__qozNativeCall', {value: call});\n"
    "  Object.defineProperty(globalThis, '__qozNativeArguments', {value: take});\n"
    "})();\n";

std::string JsonText(const Json::Value& value) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  return Json::writeString(writer, value);
}

int BrowserId(cef_browser_t* browser) { return browser->get_identifier(browser); }

// The focused element of a focus report.
class FocusedNode : public CefRefCounted {
 public:
  explicit FocusedNode(bool editable) : editable_(editable) {
    node_.get()->is_editable = [](cef_domnode_t* self) {
      return CefInterface<cef_domnode_t>::OwnerOf<FocusedNode>(self)->editable_ ? 1 : 0;
    };
  }
  cef_domnode_t* get() { return node_.get(); }

 private:
  CefInterface<cef_domnode_t> node_{this};
  const bool editable_;
};

}  // namespace

void RenderSide::Start(cef_app_t* application) {
  if (application == nullptr || application->get_render_process_handler == nullptr) return;
  handler_ = CefRefPtr<cef_render_process_handler_t>::Adopt(
      application->get_render_process_handler(application));
  if (handler_ && handler_->on_web_kit_initialized != nullptr) {
    handler_->on_web_kit_initialized(handler_.get());
  }
}

void RenderSide::Stop() {
  for (auto& page : pages_) {
    for (auto& frame : page.second.frames) ReleaseContext(page.second.browser, frame.second);
  }
  pages_.clear();
  entered_.clear();
  handler_.reset();
  std::vector<Extension> extensions;
  {
    std::lock_guard<std::mutex> hold(lock_);
    extensions.swap(extensions_);
  }
}

bool RenderSide::RegisterExtension(const std::wstring& name, const std::wstring& code,
                                   cef_v8handler_t* handler) {
  if (name.empty() || code.empty()) return false;
  std::lock_guard<std::mutex> hold(lock_);
  Extension extension;
  extension.handler = handler;
  const std::string source = ToUtf8(code);
  static const std::regex kNativeDeclaration(
      R"(native\s+function\s+([A-Za-z_$][A-Za-z0-9_$]*)\s*\([^)]*\)\s*;)");
  const std::string index = std::to_string(extensions_.size());
  size_t copied = 0;
  for (auto it = std::sregex_iterator(source.begin(), source.end(), kNativeDeclaration);
       it != std::sregex_iterator(); ++it) {
    const std::smatch& match = *it;
    const std::string native = match[1].str();
    extension.natives.insert(native);
    extension.code += source.substr(copied, static_cast<size_t>(match.position(0)) - copied);
    extension.code += "function " + native + "(...values) { return globalThis.__qozNativeCall(" +
                      index + ", \"" + native + "\", values); }";
    copied = static_cast<size_t>(match.position(0) + match.length(0));
  }
  extension.code += source.substr(copied);
  extensions_.push_back(std::move(extension));
  return true;
}

std::string RenderSide::PageScript() {
  std::lock_guard<std::mutex> hold(lock_);
  std::string script = kPageShim;
  for (const Extension& extension : extensions_) script += extension.code + "\n";
  return script;
}

cef_v8context_t* RenderSide::CurrentContext() {
  return entered_.empty() ? nullptr : entered_.back().AddRefAndGet();
}

bool RenderSide::Enter(V8Context* context) {
  entered_.emplace_back(context->get());
  return true;
}

bool RenderSide::Exit(V8Context* context) {
  if (entered_.empty() || entered_.back().get() != context->get()) return false;
  entered_.pop_back();
  return true;
}

cef_v8context_t* RenderSide::ContextOf(cef_browser_t* browser, int64_t frame_identifier) {
  if (!Runtime::Get().CurrentlyOn(TID_RENDERER) || browser == nullptr) return nullptr;
  const auto page = pages_.find(BrowserId(browser));
  if (page == pages_.end()) return nullptr;
  const auto frame = page->second.frames.find(frame_identifier);
  return frame != page->second.frames.end() ? frame->second.context.AddRefAndGet() : nullptr;
}

std::optional<Json::Value> RenderSide::Command(cef_browser_t* browser, const std::string& method,
                                               const Json::Value& params) {
  struct Answer {
    Answer() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Answer() {
      if (event != nullptr) CloseHandle(event);
    }
    HANDLE event;
    Json::Value result;
    bool ok = false;
  };
  auto answer = std::make_shared<Answer>();
  if (answer->event == nullptr || !Runtime::Get().CurrentlyOn(TID_RENDERER)) return std::nullopt;
  CefRefPtr<cef_browser_t> hold(browser);
  const bool posted = Runtime::Get().PostTask(TID_UI, [hold, method, params, answer] {
    HostedBrowser::From(hold.get())
        ->Command(method, params, [answer](const Json::Value& result, bool ok) {
          answer->result = result;
          answer->ok = ok;
          SetEvent(answer->event);
        });
  });
  if (!posted || WaitForSingleObject(answer->event, kCommandLimitMs) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  if (!answer->ok) return std::nullopt;
  return answer->result;
}

cef_v8value_t* RenderSide::ValueOf(cef_browser_t* browser,
                                   const std::optional<Json::Value>& answer) {
  if (!answer || answer->isMember("exceptionDetails") || !(*answer)["result"].isObject()) {
    return nullptr;
  }
  V8Value* value = V8Value::FromRemote(browser, (*answer)["result"]);
  value->AddRef();
  return value->get();
}

cef_v8value_t* RenderSide::CallPage(cef_browser_t* browser, const Json::Value& params) {
  return ValueOf(browser, Command(browser, "Runtime.callFunctionOn", params));
}

cef_v8value_t* RenderSide::EvaluateInPage(cef_browser_t* browser, const Json::Value& params) {
  return ValueOf(browser, Command(browser, "Runtime.evaluate", params));
}

void RenderSide::OnBrowserCreated(CefRefPtr<cef_browser_t> browser) {
  pages_[BrowserId(browser.get())].browser = browser;
  if (handler_ && handler_->on_browser_created != nullptr) {
    handler_->on_browser_created(handler_.get(), browser.get());
  }
}

void RenderSide::OnBrowserClosed(CefRefPtr<cef_browser_t> browser) {
  const auto found = pages_.find(BrowserId(browser.get()));
  if (found == pages_.end()) return;
  for (auto& frame : found->second.frames) ReleaseContext(found->second.browser, frame.second);
  pages_.erase(found);
}

void RenderSide::OnContextCreated(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                                  int context_id) {
  if (!frame) return;
  Page& page = pages_[BrowserId(browser.get())];
  page.browser = browser;
  FrameContext& entry = page.frames[frame->get_identifier(frame.get())];
  // A document replaced without a report of its context's end.
  ReleaseContext(browser, entry);
  entry.frame = frame;
  V8Context* context = new V8Context(browser.get(), frame.get(), context_id);
  entry.context = context->get();
  entry.context_id = context_id;
}

void RenderSide::OnContextDestroyed(CefRefPtr<cef_browser_t> browser, int context_id) {
  const auto found = pages_.find(BrowserId(browser.get()));
  if (found == pages_.end()) return;
  std::map<int64_t, FrameContext>& frames = found->second.frames;
  for (auto it = frames.begin(); it != frames.end();) {
    if (context_id == kAnyContext || it->second.context_id == context_id) {
      ReleaseContext(browser, it->second);
      it = frames.erase(it);
    } else {
      ++it;
    }
  }
}

void RenderSide::OnFrameDetached(CefRefPtr<cef_browser_t> browser, int64_t frame_identifier) {
  const auto page = pages_.find(BrowserId(browser.get()));
  if (page == pages_.end()) return;
  const auto frame = page->second.frames.find(frame_identifier);
  if (frame == page->second.frames.end()) return;
  ReleaseContext(browser, frame->second);
  page->second.frames.erase(frame);
}

void RenderSide::ReleaseContext(const CefRefPtr<cef_browser_t>& browser, FrameContext& frame) {
  if (!frame.context) return;
  // The frame still answers with the context while the handler hears of it.
  if (handler_ && handler_->on_context_released != nullptr && browser && frame.frame) {
    handler_->on_context_released(handler_.get(), browser.get(), frame.frame.get(),
                                  frame.context.get());
  }
  frame.context.reset();
  frame.context_id = 0;
}

void RenderSide::OnProcessMessage(CefRefPtr<cef_browser_t> browser,
                                  CefRefPtr<cef_process_message_t> message) {
  if (handler_ && handler_->on_process_message_received != nullptr) {
    handler_->on_process_message_received(handler_.get(), browser.get(), PID_BROWSER,
                                          message.get());
  }
}

void RenderSide::OnFocusedNode(CefRefPtr<cef_browser_t> browser, CefRefPtr<cef_frame_t> frame,
                               int focus) {
  if (!handler_ || handler_->on_focused_node_changed == nullptr) return;
  CefRefPtr<cef_domnode_t> node;
  if (focus >= 0) node = CefRefPtr<cef_domnode_t>((new FocusedNode(focus == 1))->get());
  handler_->on_focused_node_changed(handler_.get(), browser.get(), frame.get(), node.get());
}

void RenderSide::OnNativeCall(CefRefPtr<cef_browser_t> browser, int context_id,
                              const std::string& payload) {
  const auto page = pages_.find(BrowserId(browser.get()));
  if (page == pages_.end()) return;
  // The call is served in the frame whose current document made it; calls
  // from documents already gone are not.
  const FrameContext* caller = nullptr;
  for (const auto& frame : page->second.frames) {
    if (frame.second.context && frame.second.context_id == context_id) caller = &frame.second;
  }
  if (caller == nullptr) return;
  const CefRefPtr<cef_frame_t> frame = caller->frame;
  const CefRefPtr<cef_v8context_t> context = caller->context;
  if (payload.size() > kMaxPayloadSize) return;
  const std::optional<Json::Value> call = ParseStrictJson(payload, 8);
  if (!call || !call->isObject()) return;
  if (call->isMember("f")) {
    const Json::Value& focus = (*call)["f"];
    if (focus.isInt() && focus.asInt() >= -1 && focus.asInt() <= 1) {
      OnFocusedNode(browser, frame, focus.asInt());
    }
    return;
  }
  const Json::Value& extension_index = (*call)["e"];
  const Json::Value& native = (*call)["n"];
  const Json::Value& id = (*call)["i"];
  const Json::Value& arguments = (*call)["a"];
  if (!extension_index.isUInt() || !native.isString() || !id.isUInt64() || !arguments.isArray() ||
      arguments.size() > kMaxArguments) {
    return;
  }
  Extension extension;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (extension_index.asUInt() >= extensions_.size()) return;
    extension = extensions_[extension_index.asUInt()];
  }
  if (!extension.handler || extension.handler->execute == nullptr ||
      extension.natives.count(native.asString()) == 0) {
    return;
  }

  std::vector<CefRefPtr<cef_v8value_t>> values;
  std::vector<Json::ArrayIndex> held;
  for (Json::ArrayIndex i = 0; i < arguments.size(); ++i) {
    const Json::Value& argument = arguments[i];
    if (!argument.isObject() || !argument["t"].isString()) return;
    const std::string type = argument["t"].asString();
    const Json::Value& value = argument["v"];
    Json::Value remote;
    if (type == "s" && value.isString()) {
      remote["type"] = "string";
      remote["value"] = value;
    } else if (type == "b" && value.isBool()) {
      remote["type"] = "boolean";
      remote["value"] = value;
    } else if (type == "n" && value.isNumeric()) {
      remote["type"] = "number";
      remote["value"] = value;
    } else if (type == "l") {
      remote["type"] = "object";
      remote["subtype"] = "null";
    } else if (type == "u") {
      remote["type"] = "undefined";
    } else if (type == "r") {
      held.push_back(i);
      remote["type"] = "undefined";
    } else {
      return;
    }
    values.emplace_back(V8Value::FromRemote(browser.get(), remote)->get());
  }
  if (!held.empty()) {
    // The objects among the arguments, as the page holds them for this call.
    Json::Value take;
    take["expression"] = "globalThis.__qozNativeArguments(" + std::to_string(id.asUInt64()) + ")";
    take["contextId"] = context_id;
    const std::optional<Json::Value> list = Command(browser.get(), "Runtime.evaluate", take);
    if (!list || !(*list)["result"]["objectId"].isString()) return;
    Json::Value properties;
    properties["objectId"] = (*list)["result"]["objectId"];
    properties["ownProperties"] = true;
    // The list goes with its stand-in; the arguments keep their own.
    const CefRefPtr<cef_v8value_t> list_value(
        V8Value::FromRemote(browser.get(), (*list)["result"])->get());
    const std::optional<Json::Value> described =
        Command(browser.get(), "Runtime.getProperties", properties);
    if (!described || !(*described)["result"].isArray()) return;
    for (const Json::ArrayIndex index : held) {
      bool found = false;
      for (const Json::Value& property : (*described)["result"]) {
        if (property["name"].asString() != std::to_string(index) || !property["value"].isObject()) {
          continue;
        }
        values[index] = V8Value::FromRemote(browser.get(), property["value"])->get();
        found = true;
        break;
      }
      if (!found) return;
    }
  }

  std::vector<cef_v8value_t*> argument_list;
  for (const CefRefPtr<cef_v8value_t>& value : values) argument_list.push_back(value.get());
  const CefRefPtr<cef_v8value_t> receiver(V8Value::Undefined()->get());
  entered_.push_back(context);
  const size_t depth = entered_.size();
  cef_v8value_t* result = nullptr;
  cef_string_t exception = {};
  const LentString name(ToWide(native.asString()));
  const int handled = extension.handler->execute(
      extension.handler.get(), name.get(), receiver.get(), argument_list.size(),
      argument_list.empty() ? nullptr : argument_list.data(), &result, &exception);
  // A handler that entered contexts without leaving them does not leave them
  // current for the next call.
  if (entered_.size() >= depth) entered_.resize(depth - 1);
  const CefRefPtr<cef_v8value_t> unused_result = CefRefPtr<cef_v8value_t>::Adopt(result);
  const std::wstring text = FromCef(&exception);
  cef_string_utf16_clear(&exception);
  if (handled == 0 && !text.empty()) ThrowInPage(browser.get(), context_id, text);
}

void RenderSide::ThrowInPage(cef_browser_t* browser, int context_id, const std::wstring& text) {
  // The page's call has returned long since: the failure is thrown on its
  // own, where the page's error handlers see it.
  Json::Value params;
  params["expression"] =
      "setTimeout(() => { throw new Error(" + JsonText(Json::Value(ToUtf8(text))) + "); }, 0)";
  params["contextId"] = context_id;
  CefRefPtr<cef_browser_t> hold(browser);
  Runtime::Get().PostTask(TID_UI, [hold, params] {
    HostedBrowser::From(hold.get())->Command("Runtime.evaluate", params);
  });
}

}  // namespace qoz_runtime
