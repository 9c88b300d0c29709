#pragma once

#include <optional>
#include <string>

#include "browser/runtime/context_menu_params.h"

namespace qoz_runtime {

// A report of the page shim about the pointer, through the page binding: a
// context menu due ({"m": {"x", "y", "l": link, "s": selection, "e":
// editable, "p": page address}}) or the cursor under the mouse ({"c":
// CSS name}). The payload is page input: bounded and strictly parsed.
class PointerReport {
 public:
  // Nullopt when `payload` is no pointer report (a call for the page side).
  // A malformed report is one of neither kind, dropped.
  static std::optional<PointerReport> Parse(const std::string& payload);

  const std::optional<ContextMenuParams::Fields>& menu() const { return menu_; }
  // Empty without a cursor.
  const std::string& cursor() const { return cursor_; }

 private:
  PointerReport() = default;

  std::optional<ContextMenuParams::Fields> menu_;
  std::string cursor_;
};

}  // namespace qoz_runtime
