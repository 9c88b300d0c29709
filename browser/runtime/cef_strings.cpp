// The string functions of the runtime's C interface.
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "browser/runtime/cef_capi.h"

struct _cef_string_list_t {
  std::vector<std::wstring> values;
};

// Pairs in the order appended.
struct _cef_string_multimap_t {
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
};
struct _cef_string_map_t : _cef_string_multimap_t {};

namespace {

void FreeOwned(char16* text) { std::free(text); }

std::wstring Text(const cef_string_t* text) {
  return text != nullptr && text->str != nullptr ? std::wstring(text->str, text->length)
                                                 : std::wstring();
}

int CopyOut(const std::wstring& text, cef_string_t* output) {
  return cef_string_utf16_set(text.data(), text.size(), output, 1);
}

int PairKey(const _cef_string_multimap_t* map, size_t index, cef_string_t* key) {
  if (map == nullptr || index >= map->pairs.size()) return 0;
  return CopyOut(map->pairs[index].first, key);
}

int PairValue(const _cef_string_multimap_t* map, size_t index, cef_string_t* value) {
  if (map == nullptr || index >= map->pairs.size()) return 0;
  return CopyOut(map->pairs[index].second, value);
}

}  // namespace

int cef_string_utf16_set(const char16* source, size_t length, cef_string_utf16_t* output,
                         int copy) {
  if (output == nullptr) return 0;
  cef_string_utf16_clear(output);
  if (source == nullptr || length == 0) return 1;
  if (!copy) {
    output->str = const_cast<char16*>(source);
    output->length = length;
    return 1;
  }
  char16* owned = static_cast<char16*>(std::malloc((length + 1) * sizeof(char16)));
  if (owned == nullptr) return 0;
  std::memcpy(owned, source, length * sizeof(char16));
  owned[length] = 0;
  output->str = owned;
  output->length = length;
  output->dtor = &FreeOwned;
  return 1;
}

void cef_string_utf16_clear(cef_string_utf16_t* text) {
  if (text == nullptr) return;
  if (text->dtor != nullptr && text->str != nullptr) text->dtor(text->str);
  text->str = nullptr;
  text->length = 0;
  text->dtor = nullptr;
}

int cef_string_utf16_cmp(const cef_string_utf16_t* first, const cef_string_utf16_t* second) {
  const size_t first_length = first != nullptr ? first->length : 0;
  const size_t second_length = second != nullptr ? second->length : 0;
  for (size_t i = 0; i < first_length && i < second_length; ++i) {
    const unsigned a = static_cast<uint16_t>(first->str[i]);
    const unsigned b = static_cast<uint16_t>(second->str[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (first_length == second_length) return 0;
  return first_length < second_length ? -1 : 1;
}

int cef_string_wide_to_utf16(const wchar_t* source, size_t length, cef_string_utf16_t* output) {
  return cef_string_utf16_set(source, length, output, 1);
}

int cef_string_utf8_to_utf16(const char* source, size_t length, cef_string_utf16_t* output) {
  if (output == nullptr) return 0;
  if (source == nullptr || length == 0) return cef_string_utf16_set(nullptr, 0, output, 1);
  const int size = MultiByteToWideChar(CP_UTF8, 0, source, static_cast<int>(length), nullptr, 0);
  if (size <= 0) return 0;
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, source, static_cast<int>(length), &wide[0], size);
  return cef_string_utf16_set(wide.data(), wide.size(), output, 1);
}

cef_string_userfree_t cef_string_userfree_utf16_alloc(void) {
  return static_cast<cef_string_userfree_t>(std::calloc(1, sizeof(cef_string_utf16_t)));
}

void cef_string_userfree_utf16_free(cef_string_userfree_t text) {
  if (text == nullptr) return;
  cef_string_utf16_clear(text);
  std::free(text);
}

cef_string_list_t cef_string_list_alloc(void) { return new _cef_string_list_t(); }

size_t cef_string_list_size(cef_string_list_t list) {
  return list != nullptr ? list->values.size() : 0;
}

int cef_string_list_value(cef_string_list_t list, size_t index, cef_string_t* value) {
  if (list == nullptr || index >= list->values.size()) return 0;
  return CopyOut(list->values[index], value);
}

void cef_string_list_append(cef_string_list_t list, const cef_string_t* value) {
  if (list == nullptr) return;
  list->values.push_back(Text(value));
}

void cef_string_list_clear(cef_string_list_t list) {
  if (list != nullptr) list->values.clear();
}

void cef_string_list_free(cef_string_list_t list) { delete list; }

cef_string_list_t cef_string_list_copy(cef_string_list_t list) {
  return list != nullptr ? new _cef_string_list_t(*list) : nullptr;
}

cef_string_map_t cef_string_map_alloc(void) { return new _cef_string_map_t(); }

size_t cef_string_map_size(cef_string_map_t map) { return map != nullptr ? map->pairs.size() : 0; }

int cef_string_map_key(cef_string_map_t map, size_t index, cef_string_t* key) {
  return PairKey(map, index, key);
}

int cef_string_map_value(cef_string_map_t map, size_t index, cef_string_t* value) {
  return PairValue(map, index, value);
}

int cef_string_map_append(cef_string_map_t map, const cef_string_t* key,
                          const cef_string_t* value) {
  if (map == nullptr) return 0;
  std::wstring wanted = Text(key);
  for (const auto& pair : map->pairs) {
    if (pair.first == wanted) return 0;
  }
  map->pairs.emplace_back(std::move(wanted), Text(value));
  return 1;
}

void cef_string_map_free(cef_string_map_t map) { delete map; }

cef_string_multimap_t cef_string_multimap_alloc(void) { return new _cef_string_multimap_t(); }

size_t cef_string_multimap_size(cef_string_multimap_t map) {
  return map != nullptr ? map->pairs.size() : 0;
}

int cef_string_multimap_key(cef_string_multimap_t map, size_t index, cef_string_t* key) {
  return PairKey(map, index, key);
}

int cef_string_multimap_value(cef_string_multimap_t map, size_t index, cef_string_t* value) {
  return PairValue(map, index, value);
}

int cef_string_multimap_append(cef_string_multimap_t map, const cef_string_t* key,
                               const cef_string_t* value) {
  if (map == nullptr) return 0;
  map->pairs.emplace_back(Text(key), Text(value));
  return 1;
}

void cef_string_multimap_free(cef_string_multimap_t map) { delete map; }
