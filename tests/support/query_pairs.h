#pragma once

#include <string>
#include <utility>
#include <vector>

namespace test_support {

// The key-value pairs of a URL query in their order, keys and values
// percent-decoded ("+" stays itself).
inline std::vector<std::pair<std::string, std::string>> DecodeQueryPairs(const std::string& query) {
  auto decode = [](const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '%' && i + 2 < text.size()) {
        out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
        i += 2;
      } else {
        out.push_back(text[i]);
      }
    }
    return out;
  };
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    const std::string pair = query.substr(start, end - start);
    const size_t equals = pair.find('=');
    if (equals == std::string::npos) {
      pairs.emplace_back(decode(pair), std::string());
    } else {
      pairs.emplace_back(decode(pair.substr(0, equals)), decode(pair.substr(equals + 1)));
    }
    start = end + 1;
  }
  return pairs;
}

}  // namespace test_support
