#pragma once

#include "browser/runtime/cef_capi.h"

namespace qoz_comp {

// The runtime's settings record: zero-filled with its size set when made;
// its strings are freed with it.
class CefSettings {
 public:
  CefSettings();
  ~CefSettings();
  CefSettings(const CefSettings&) = delete;
  CefSettings& operator=(const CefSettings&) = delete;

  cef_settings_t* get() { return &settings_; }
  const cef_settings_t* get() const { return &settings_; }
  cef_settings_t* operator->() { return &settings_; }
  const cef_settings_t* operator->() const { return &settings_; }

 private:
  cef_settings_t settings_ = {};
};

}  // namespace qoz_comp
