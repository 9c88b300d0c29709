#pragma once

#include <optional>
#include <string>

namespace qoz_runtime {

std::string EncodeBase64(const std::string& bytes);
// Empty for text that is not base64 (padding optional, no whitespace).
std::optional<std::string> DecodeBase64(const std::string& text);

}  // namespace qoz_runtime
