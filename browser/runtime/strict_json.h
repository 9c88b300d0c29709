#pragma once

#include <optional>
#include <string>

#include <json/json.h>

namespace qoz_runtime {

// Page input as JSON: the standard grammar only, nested no deeper than
// `depth_limit`; nullopt for anything else.
std::optional<Json::Value> ParseStrictJson(const std::string& text, int depth_limit);

}  // namespace qoz_runtime
