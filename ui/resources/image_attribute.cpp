#include "ui/resources/image_attribute.h"

#include <cwchar>

#include "ui/render/nine_grid.h"
#include "ui/resources/global_manager.h"

namespace ui {
namespace {

const wchar_t* SkipBlanks(const wchar_t* cursor) {
  while (*cursor && *cursor <= L' ') cursor = CharNextW(cursor);
  return cursor;
}

void ApplyPair(const std::wstring& key, const std::wstring& value, bool* scale_dest,
               ImageAttribute* attribute) {
  if (key == L"file" || key == L"res") {
    attribute->file_name = value;
  } else if (key == L"destscale") {
    *scale_dest = value == L"true";
  } else if (key == L"dest") {
    attribute->dest = ParseRectValue(value);
    if (*scale_dest) ScaleRectForDpi(&attribute->dest);
  } else if (key == L"source") {
    attribute->source = ParseRectValue(value);
  } else if (key == L"corner") {
    attribute->corner = ParseRectValue(value);
  } else if (key == L"fade") {
    attribute->fade = static_cast<BYTE>(std::wcstol(value.c_str(), nullptr, 10));
  } else if (key == L"xtiled") {
    attribute->xtiled = value == L"true";
  } else if (key == L"ytiled") {
    attribute->ytiled = value == L"true";
  } else if (key == L"playcount") {
    attribute->play_count = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
  }
}

}  // namespace

void ImageAttribute::Init() {
  descriptor.clear();
  file_name.clear();
  dest = {-1, -1, -1, -1};
  source = {-1, -1, -1, -1};
  corner = {0, 0, 0, 0};
  fade = 255;
  xtiled = false;
  ytiled = false;
  play_count = -1;
}

void ImageAttribute::ApplyDescriptor(const std::wstring& text) {
  bool scale_dest = true;
  const wchar_t* cursor = text.c_str();
  while (*cursor) {
    cursor = SkipBlanks(cursor);
    const wchar_t* key_start = cursor;
    while (*cursor && *cursor != L'=' && *cursor > L' ') cursor = CharNextW(cursor);
    const std::wstring key(key_start, cursor);
    cursor = SkipBlanks(cursor);
    if (*cursor != L'=') return;
    cursor = SkipBlanks(CharNextW(cursor));
    if (*cursor != L'\'') return;
    cursor = CharNextW(cursor);
    const wchar_t* value_start = cursor;
    while (*cursor && *cursor != L'\'') cursor = CharNextW(cursor);
    if (!*cursor) return;
    const std::wstring value(value_start, cursor);
    cursor = CharNextW(cursor);
    if (!value.empty()) ApplyPair(key, value, &scale_dest, this);
    if (*cursor != L' ') return;
    cursor = CharNextW(cursor);
  }
}

RECT ParseRectValue(const std::wstring& value) {
  LONG numbers[4] = {0, 0, 0, 0};
  const wchar_t* cursor = value.c_str();
  for (LONG& number : numbers) {
    wchar_t* end = nullptr;
    number = std::wcstol(cursor, &end, 10);
    // The separator is any single character; the text may end before four.
    if (!*end) break;
    cursor = end + 1;
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

void ScaleRectForDpi(RECT* rect) {
  if (GlobalManager::dpiAware) ScaleRectByPercent(rect, GlobalManager::dpiScalePercent);
}

}  // namespace ui
