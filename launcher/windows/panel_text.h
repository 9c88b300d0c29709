#pragma once

#include <cstdint>
#include <string>

// Texts of the launcher's panels and dialogs built from numbers and from
// language texts with one placeholder.

// A byte count as the panels show it: " 3.50G" from 2^30 up, "500.00M" from
// 2^20 up, else "12.00KB" ("%5.2f" of the count in that unit).
std::wstring FormatSizeText(uint64_t bytes);

// `text` with its one string placeholder ("%ls", or "%s" as the language files
// of another platform write it) replaced by `value` and "%%" by "%". A text
// with any other set of directives cannot be trusted as a format: the value
// alone is shown.
std::wstring FillPlaceholder(const std::wstring& text, const std::wstring& value);

// FillPlaceholder with the current language text of `key`.
std::wstring LanguageTextWith(const std::wstring& key, const std::wstring& value);
