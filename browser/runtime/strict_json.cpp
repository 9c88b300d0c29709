#include "browser/runtime/strict_json.h"

#include <exception>
#include <memory>

namespace qoz_runtime {

std::optional<Json::Value> ParseStrictJson(const std::string& text, int depth_limit) {
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  builder["stackLimit"] = depth_limit;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors)) {
      return std::nullopt;
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return value;
}

}  // namespace qoz_runtime
