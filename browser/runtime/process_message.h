#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"
#include "browser/runtime/cef_ref_ptr.h"

namespace qoz_runtime {

// A list of values of a process message.
class ListValue : public CefRefCounted {
 public:
  struct Entry {
    cef_value_type_t type = VTYPE_INVALID;
    int number = 0;
    std::wstring text;
  };

  ListValue();

  cef_list_value_t* get() { return list_.get(); }
  std::vector<Entry> entries();
  void set_entries(std::vector<Entry> entries);

 private:
  ~ListValue() override = default;
  static ListValue* Of(cef_list_value_t* self);
  Entry At(size_t index);
  void Set(size_t index, Entry entry);

  CefInterface<cef_list_value_t> list_{this};
  // A sender on one thread and a reader on another may share a message.
  std::mutex lock_;
  std::vector<Entry> entries_;
};

// A named message with its arguments; a send hands over a copy.
class ProcessMessage : public CefRefCounted {
 public:
  explicit ProcessMessage(std::wstring name);

  cef_process_message_t* get() { return message_.get(); }
  // A new message with the name and arguments of `message`, one reference
  // held by the caller.
  static cef_process_message_t* CopyOf(cef_process_message_t* message);

 private:
  ~ProcessMessage() override = default;
  static ProcessMessage* Of(cef_process_message_t* self);

  CefInterface<cef_process_message_t> message_{this};
  const std::wstring name_;
  ListValue* arguments_;
  CefRefPtr<cef_list_value_t> hold_arguments_;
};

}  // namespace qoz_runtime
