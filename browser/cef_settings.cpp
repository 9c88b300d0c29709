#include "browser/cef_settings.h"

#include <initializer_list>

namespace qoz_comp {

CefSettings::CefSettings() { settings_.size = sizeof(settings_); }

CefSettings::~CefSettings() {
  for (cef_string_t* text : {&settings_.browser_subprocess_path, &settings_.cache_path,
                             &settings_.log_file, &settings_.user_agent, &settings_.locale}) {
    if (text->str != nullptr) cef_string_utf16_clear(text);
  }
}

}  // namespace qoz_comp
