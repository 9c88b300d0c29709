#include "launcher/windows/panel_text.h"

#include <cwchar>
#include <iterator>
#include <vector>

#include "ui/resources/language_string_table.h"

std::wstring FormatSizeText(uint64_t bytes) {
  constexpr uint64_t kGiB = 1ull << 30;
  constexpr uint64_t kMiB = 1ull << 20;
  const double value = static_cast<double>(bytes);
  wchar_t text[32] = {};
  if (bytes >= kGiB) {
    swprintf(text, std::size(text), L"%5.2fG", value / static_cast<double>(kGiB));
  } else if (bytes >= kMiB) {
    swprintf(text, std::size(text), L"%5.2fM", value / static_cast<double>(kMiB));
  } else {
    swprintf(text, std::size(text), L"%5.2fKB", value / 1024.0);
  }
  return text;
}

std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value) {
  std::vector<std::wstring> directives;
  if (!ui::ExtractFormatDirectives(text, &directives) || directives.size() != 1 ||
      (directives[0] != L"%ls" && directives[0] != L"%s")) {
    return value;
  }
  std::wstring filled;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') {
      filled += text[i];
    } else if (text.compare(i, 2, L"%%") == 0) {
      filled += L'%';
      ++i;
    } else {
      filled += value;
      i += directives[0].size() - 1;
    }
  }
  return filled;
}

std::wstring LanguageTextWith(const std::wstring& key, const std::wstring& value) {
  return FillPlaceholder(ui::LanguageStringTable::GetInstance()->GetStringById(key), value);
}
