#include "browser/runtime/pointer_report.h"

#include <memory>

#include <json/json.h>

#include "browser/runtime/strict_json.h"
#include "browser/runtime/text_convert.h"

namespace qoz_runtime {

namespace {

// Larger payloads are calls for the page side, never reports.
constexpr size_t kMaxReportSize = 256 * 1024;
// The shim cuts selections shorter; a menu on a page or link of a longer
// address is dropped.
constexpr size_t kMaxTextSize = 64 * 1024;
constexpr size_t kMaxCursorName = 64;
// Points further off than this lie in no view.
constexpr double kMaxCoordinate = 1 << 20;

bool ReadCoordinate(const Json::Value& value, int* coordinate) {
  if (!value.isNumeric()) return false;
  const double number = value.asDouble();
  if (!(number > -kMaxCoordinate && number < kMaxCoordinate)) return false;
  *coordinate = static_cast<int>(number);
  return true;
}

bool ReadText(const Json::Value& value, std::wstring* text) {
  if (!value.isString() || value.asString().size() > kMaxTextSize) return false;
  *text = ToWide(value.asString());
  return true;
}

std::optional<ContextMenuParams::Fields> ReadMenu(const Json::Value& menu) {
  ContextMenuParams::Fields fields;
  if (!menu.isObject() || !ReadCoordinate(menu["x"], &fields.x) ||
      !ReadCoordinate(menu["y"], &fields.y) || !ReadText(menu["l"], &fields.link_url) ||
      !ReadText(menu["s"], &fields.selection_text) || !ReadText(menu["p"], &fields.page_url) ||
      !menu["e"].isBool()) {
    return std::nullopt;
  }
  fields.editable = menu["e"].asBool();
  return fields;
}

}  // namespace

std::optional<PointerReport> PointerReport::Parse(const std::string& payload) {
  if (payload.size() > kMaxReportSize) return std::nullopt;
  const std::optional<Json::Value> value = ParseStrictJson(payload, 4);
  if (!value || !value->isObject() || value->size() != 1) return std::nullopt;
  PointerReport report;
  if (value->isMember("m")) {
    report.menu_ = ReadMenu((*value)["m"]);
    return report;
  }
  if (value->isMember("c")) {
    const Json::Value& cursor = (*value)["c"];
    if (cursor.isString() && !cursor.asString().empty() &&
        cursor.asString().size() <= kMaxCursorName) {
      report.cursor_ = cursor.asString();
    }
    return report;
  }
  return std::nullopt;
}

}  // namespace qoz_runtime
