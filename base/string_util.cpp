#include "base/string_util.h"

#include <windows.h>

#include <climits>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace qbase {
namespace {

constexpr size_t kStackFormatChars = 1024;
constexpr size_t kFirstHeapFormatChars = 2048;
constexpr size_t kMaxFormatChars = 32 * 1024 * 1024;

// One formatting pass into `buffer`; true when the whole text fit. The runtime's
// formatter either reports a negative value or the length it would have needed,
// so both mean "retry with more room".
bool TryFormat(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args,
               std::wstring* target) {
  va_list pass;
  va_copy(pass, args);
  const int written = std::vswprintf(buffer, capacity, format, pass);
  va_end(pass);
  if (written < 0 || static_cast<size_t>(written) >= capacity) return false;
  target->append(buffer, static_cast<size_t>(written));
  return true;
}

bool IsTrimmedRight(wchar_t c) { return c == L' ' || c < 30; }

template <typename String>
void ReplaceAllImpl(const String& pattern, const String& replacement, String* target) {
  if (pattern.empty() || target->empty()) return;
  const size_t pattern_size = pattern.size();
  const size_t replacement_size = replacement.size();
  if (replacement_size > pattern_size) {
    std::vector<size_t> matches;
    for (size_t at = target->find(pattern); at != String::npos;
         at = target->find(pattern, at + pattern_size)) {
      matches.push_back(at);
    }
    if (matches.empty()) return;
    // Grow once, then rebuild from the back so nothing unread is overwritten.
    const size_t old_size = target->size();
    const size_t new_size = old_size + matches.size() * (replacement_size - pattern_size);
    target->resize(new_size);
    auto* data = &(*target)[0];
    size_t read_end = old_size;
    size_t write_end = new_size;
    for (size_t i = matches.size(); i-- > 0;) {
      const size_t match_end = matches[i] + pattern_size;
      const size_t tail = read_end - match_end;
      write_end -= tail;
      std::char_traits<typename String::value_type>::move(data + write_end, data + match_end, tail);
      write_end -= replacement_size;
      std::char_traits<typename String::value_type>::copy(data + write_end, replacement.data(),
                                                          replacement_size);
      read_end = matches[i];
    }
    return;
  }
  // Not growing: compact in place from the front, then cut the end.
  auto* data = &(*target)[0];
  size_t read = 0;
  size_t write = 0;
  for (size_t at = target->find(pattern); at != String::npos; at = target->find(pattern, read)) {
    const size_t before = at - read;
    std::char_traits<typename String::value_type>::move(data + write, data + read, before);
    write += before;
    std::char_traits<typename String::value_type>::copy(data + write, replacement.data(),
                                                        replacement_size);
    write += replacement_size;
    read = at + pattern_size;
  }
  const size_t rest = target->size() - read;
  std::char_traits<typename String::value_type>::move(data + write, data + read, rest);
  target->resize(write + rest);
}

}  // namespace

bool Utf8ToWide(const char* utf8, std::wstring* out) {
  out->clear();
  if (!utf8) return false;
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (size < 1) return false;
  out->resize(static_cast<size_t>(size));
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &(*out)[0], size);
  out->resize(static_cast<size_t>(size) - 1);
  return true;
}

bool MultiByteToWide(const std::string& text, unsigned code_page, std::wstring* out) {
  out->clear();
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return true;
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  if (size < 1) return true;
  out->resize(static_cast<size_t>(size));
  if (MultiByteToWideChar(code_page, 0, text.data(), length, &(*out)[0], size) != size) {
    out->clear();
  }
  return true;
}

bool WideToUtf8(const wchar_t* wide, std::string* out) {
  out->clear();
  if (!wide) return false;
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size < 1) return false;
  out->resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &(*out)[0], size, nullptr, nullptr);
  out->resize(static_cast<size_t>(size) - 1);
  return true;
}

bool WideToMultiByte(const std::wstring& text, unsigned code_page, std::string* out) {
  out->clear();
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return true;
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size < 1) return true;
  out->resize(static_cast<size_t>(size));
  if (WideCharToMultiByte(code_page, 0, text.data(), length, &(*out)[0], size, nullptr, nullptr) !=
      size) {
    out->clear();
  }
  return true;
}

std::wstring Utf8ToWide(const std::string& utf8) {
  std::wstring wide;
  MultiByteToWide(utf8, kCodePageUtf8, &wide);
  return wide;
}

std::string WideToUtf8(const std::wstring& wide) {
  std::string utf8;
  WideToMultiByte(wide, kCodePageUtf8, &utf8);
  return utf8;
}

void AppendFormatWideV(const wchar_t* format, va_list args, std::wstring* target) {
  if (!format || !target) return;
  wchar_t stack_buffer[kStackFormatChars];
  if (TryFormat(stack_buffer, kStackFormatChars, format, args, target)) return;
  for (size_t capacity = kFirstHeapFormatChars; capacity <= kMaxFormatChars; capacity *= 2) {
    std::unique_ptr<wchar_t[]> heap_buffer(new (std::nothrow) wchar_t[capacity]);
    if (!heap_buffer) return;
    if (TryFormat(heap_buffer.get(), capacity, format, args, target)) return;
  }
}

std::wstring FormatWide(const wchar_t* format, ...) {
  std::wstring text;
  va_list args;
  va_start(args, format);
  AppendFormatWideV(format, args, &text);
  va_end(args);
  return text;
}

std::wstring& TrimRightWide(std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && IsTrimmedRight(text[end - 1])) --end;
  text.erase(end);
  return text;
}

std::vector<std::wstring> SplitWide(const std::wstring& text, const std::wstring& delimiters) {
  std::vector<std::wstring> tokens;
  size_t start = text.find_first_not_of(delimiters);
  while (start != std::wstring::npos) {
    const size_t end = text.find_first_of(delimiters, start);
    tokens.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) break;
    start = text.find_first_not_of(delimiters, end);
  }
  return tokens;
}

void ReplaceAll(const std::string& pattern, const std::string& replacement, std::string* target) {
  ReplaceAllImpl(pattern, replacement, target);
}

void ReplaceAllWide(const std::wstring& pattern, const std::wstring& replacement,
                    std::wstring* target) {
  ReplaceAllImpl(pattern, replacement, target);
}

namespace {

template <typename String>
int SplitString(const String& text, const String& delimiter, std::vector<String>* pieces) {
  pieces->clear();
  if (text.empty() || delimiter.empty()) return 0;
  size_t start = 0;
  for (size_t at = text.find(delimiter); at != String::npos; at = text.find(delimiter, start)) {
    pieces->push_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  if (start < text.size()) pieces->push_back(text.substr(start));
  return static_cast<int>(pieces->size());
}

}  // namespace

int SplitStringA(const std::string& text, const std::string& delimiter,
                 std::vector<std::string>* pieces) {
  return SplitString(text, delimiter, pieces);
}

int SplitStringW(const std::wstring& text, const std::wstring& delimiter,
                 std::vector<std::wstring>* pieces) {
  return SplitString(text, delimiter, pieces);
}

}  // namespace qbase
