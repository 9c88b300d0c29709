#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "browser/runtime/cef_capi.h"
#include "browser/runtime/cef_ref_counted.h"

namespace qoz_runtime {

// The entries of one context menu; a client may change them while it is
// asked about the menu.
class MenuModel : public CefRefCounted {
 public:
  struct Entry {
    // 0 for a separator.
    int command_id = 0;
    std::wstring label;
  };

  MenuModel();

  cef_menu_model_t* get() { return model_.get(); }
  void Add(int command_id, const std::wstring& label);
  void AddSeparator();
  std::vector<Entry> Entries();

 private:
  ~MenuModel() override = default;

  CefInterface<cef_menu_model_t> model_{this};
  std::mutex lock_;
  std::vector<Entry> entries_;
};

}  // namespace qoz_runtime
