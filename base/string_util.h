#pragma once

#include <cstdarg>
#include <string>
#include <vector>

namespace qbase {

// Code pages used by the launcher.
constexpr unsigned kCodePageAnsi = 0;      // CP_ACP
constexpr unsigned kCodePageUtf8 = 65001;  // CP_UTF8

// Conversions between UTF-8, the ANSI code page and UTF-16. Each clears its
// output first. The NUL-terminated forms fail (false, output empty) when the
// converter produces nothing; the length-based forms always succeed and leave
// the output empty when the conversion fails.
bool Utf8ToWide(const char* utf8, std::wstring* out);
bool MultiByteToWide(const std::string& text, unsigned code_page, std::wstring* out);
bool WideToUtf8(const wchar_t* wide, std::string* out);
bool WideToMultiByte(const std::wstring& text, unsigned code_page, std::string* out);

// Convenience forms returning the converted text (empty on failure).
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// printf-style formatting into wide strings. Wide arguments need "%ls"
// ("%s" is a narrow string with this runtime). Appends nothing when the text
// would exceed 32 Mi characters or the format is invalid.
void AppendFormatWideV(const wchar_t* format, va_list args, std::wstring* target);
std::wstring FormatWide(const wchar_t* format, ...);

// Removes trailing spaces and control characters below 30, in place.
std::wstring& TrimRightWide(std::wstring& text);
// wcstok-style split: every character of `delimiters` separates; no empty tokens.
std::vector<std::wstring> SplitWide(const std::wstring& text, const std::wstring& delimiters);
// Replaces every non-overlapping occurrence, left to right, in place.
void ReplaceAll(const std::string& pattern, const std::string& replacement, std::string* target);
void ReplaceAllWide(const std::wstring& pattern, const std::wstring& replacement,
                    std::wstring* target);

// Cuts at each delimiter; no trailing empty piece. Returns the piece count.
int SplitStringA(const std::string& text, const std::string& delimiter,
                 std::vector<std::string>* pieces);
int SplitStringW(const std::wstring& text, const std::wstring& delimiter,
                 std::vector<std::wstring>* pieces);

}  // namespace qbase
