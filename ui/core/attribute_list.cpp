#include "ui/core/attribute_list.h"

#include <cwchar>

#include "ui/core/placeholder.h"

namespace ui {

AttributePairs ParseAttributeList(const std::wstring& text) {
  AttributePairs pairs;
  size_t position = 0;
  while (position < text.size()) {
    const size_t equals = text.find(L'=', position);
    if (equals == std::wstring::npos || equals + 1 >= text.size()) break;
    const wchar_t quote = text[equals + 1];
    if (quote != L'"' && quote != L'\'') break;
    const size_t closing = text.find(quote, equals + 2);
    if (closing == std::wstring::npos) break;
    pairs.emplace_back(text.substr(position, equals - position),
                       text.substr(equals + 2, closing - equals - 2));
    // Exactly one blank and something after it, or the list ends here.
    if (closing + 2 >= text.size() || text[closing + 1] != L' ') break;
    position = closing + 2;
  }
  return pairs;
}

int32_t ParseIntegerValue(const std::wstring& value) {
  return static_cast<int32_t>(std::wcstol(value.c_str(), nullptr, 10));
}

int32_t ParseSizeValue(const std::wstring& value) {
  if (value == L"stretch") return kSizeStretch;
  if (value == L"auto") return kSizeAuto;
  return ParseIntegerValue(value);
}

}  // namespace ui
