#include "tests/browser/runtime/page_url.h"

#include <cstdlib>

namespace test_support {

std::string PageUrl(const std::string& path) {
  const char* base = std::getenv("QOZ_TEST_PAGE_URL");
  return std::string(base != nullptr ? base : "") + path;
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace test_support
