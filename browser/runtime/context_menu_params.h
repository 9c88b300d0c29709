#pragma once

#include <string>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_runtime {

// What lay under the pointer when a page's context menu became due, as the
// client reads it.
class ContextMenuParams : public CefRefCounted {
 public:
  struct Fields {
    int x = 0;
    int y = 0;
    std::wstring link_url;
    std::wstring selection_text;
    bool editable = false;
    std::wstring page_url;
  };

  explicit ContextMenuParams(Fields fields);

  cef_context_menu_params_t* get() { return params_.get(); }
  const Fields& fields() const { return fields_; }

 private:
  ~ContextMenuParams() override = default;

  CefInterface<cef_context_menu_params_t> params_{this};
  const Fields fields_;
};

}  // namespace qoz_runtime
