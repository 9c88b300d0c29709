#pragma once

#include <string>

namespace test_support {

// `path` on the local page server the tests run beside.
std::string PageUrl(const std::string& path);

// An address or script of ASCII text as the runtime's wide text.
std::wstring Wide(const std::string& text);

}  // namespace test_support
