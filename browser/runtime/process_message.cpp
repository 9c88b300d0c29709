#include "browser/runtime/process_message.h"

#include <algorithm>
#include <utility>

#include "browser/runtime/lent_string.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_runtime {

namespace {

// An index far past any real argument list is a caller's error, not a
// reason to allocate gigabytes.
constexpr size_t kMaxListSize = 4096;

}  // namespace

ListValue::ListValue() {
  cef_list_value_t* list = list_.get();
  list->get_size = [](cef_list_value_t* self) {
    std::lock_guard<std::mutex> hold(Of(self)->lock_);
    return Of(self)->entries_.size();
  };
  list->get_type = [](cef_list_value_t* self, size_t index) { return Of(self)->At(index).type; };
  list->get_bool = [](cef_list_value_t* self, size_t index) {
    const Entry entry = Of(self)->At(index);
    return entry.type == VTYPE_BOOL && entry.number != 0 ? 1 : 0;
  };
  list->get_int = [](cef_list_value_t* self, size_t index) {
    const Entry entry = Of(self)->At(index);
    return entry.type == VTYPE_INT || entry.type == VTYPE_BOOL ? entry.number : 0;
  };
  list->get_string = [](cef_list_value_t* self, size_t index) {
    const Entry entry = Of(self)->At(index);
    return UserFreeCopy(entry.type == VTYPE_STRING ? entry.text : std::wstring());
  };
  list->set_bool = [](cef_list_value_t* self, size_t index, int value) {
    return Of(self)->Set(index, {VTYPE_BOOL, value != 0 ? 1 : 0, {}}), 1;
  };
  list->set_int = [](cef_list_value_t* self, size_t index, int value) {
    return Of(self)->Set(index, {VTYPE_INT, value, {}}), 1;
  };
  list->set_string = [](cef_list_value_t* self, size_t index, const cef_string_t* value) {
    std::wstring text;
    if (value != nullptr && value->str != nullptr) text.assign(value->str, value->length);
    return Of(self)->Set(index, {VTYPE_STRING, 0, std::move(text)}), 1;
  };
}

ListValue* ListValue::Of(cef_list_value_t* self) {
  return CefInterface<cef_list_value_t>::OwnerOf<ListValue>(self);
}

ListValue::Entry ListValue::At(size_t index) {
  std::lock_guard<std::mutex> hold(lock_);
  return index < entries_.size() ? entries_[index] : Entry();
}

void ListValue::Set(size_t index, Entry entry) {
  if (index >= kMaxListSize) return;
  std::lock_guard<std::mutex> hold(lock_);
  if (index >= entries_.size()) entries_.resize(index + 1);
  entries_[index] = std::move(entry);
}

std::vector<ListValue::Entry> ListValue::entries() {
  std::lock_guard<std::mutex> hold(lock_);
  return entries_;
}

void ListValue::set_entries(std::vector<Entry> entries) {
  std::lock_guard<std::mutex> hold(lock_);
  entries_ = std::move(entries);
}

ProcessMessage::ProcessMessage(std::wstring name)
    : name_(std::move(name)), arguments_(new ListValue()), hold_arguments_(arguments_->get()) {
  message_.get()->get_name = [](cef_process_message_t* self) {
    return UserFreeCopy(Of(self)->name_);
  };
  message_.get()->get_argument_list = [](cef_process_message_t* self) {
    return Of(self)->hold_arguments_.AddRefAndGet();
  };
}

ProcessMessage* ProcessMessage::Of(cef_process_message_t* self) {
  return CefInterface<cef_process_message_t>::OwnerOf<ProcessMessage>(self);
}

cef_process_message_t* ProcessMessage::CopyOf(cef_process_message_t* message) {
  if (message == nullptr || message->get_name == nullptr) return nullptr;
  // Read through the interface: the sender's message may be its own kind.
  cef_string_userfree_t name = message->get_name(message);
  ProcessMessage* copy = new ProcessMessage(name != nullptr && name->str != nullptr
                                                ? std::wstring(name->str, name->length)
                                                : std::wstring());
  cef_string_userfree_utf16_free(name);
  cef_process_message_t* result = copy->message_.AddRefAndGet();
  if (message->get_argument_list == nullptr) return result;
  CefRefPtr<cef_list_value_t> list =
      CefRefPtr<cef_list_value_t>::Adopt(message->get_argument_list(message));
  if (!list) return result;
  std::vector<ListValue::Entry> entries;
  const size_t size = std::min(list->get_size(list.get()), kMaxListSize);
  for (size_t i = 0; i < size; ++i) {
    ListValue::Entry entry;
    entry.type = list->get_type(list.get(), i);
    if (entry.type == VTYPE_BOOL) entry.number = list->get_bool(list.get(), i);
    if (entry.type == VTYPE_INT) entry.number = list->get_int(list.get(), i);
    if (entry.type == VTYPE_STRING) {
      cef_string_userfree_t text = list->get_string(list.get(), i);
      if (text != nullptr && text->str != nullptr) entry.text.assign(text->str, text->length);
      cef_string_userfree_utf16_free(text);
    }
    entries.push_back(std::move(entry));
  }
  copy->arguments_->set_entries(std::move(entries));
  return result;
}

}  // namespace qoz_runtime
