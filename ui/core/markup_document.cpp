#include "ui/core/markup_document.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "base/scoped_handle.h"
#include "ui/core/markup_node.h"
#include "ui/resources/global_manager.h"

namespace ui {

namespace {

constexpr size_t kMaxErrorMessage = 99;
constexpr size_t kMaxErrorLocation = 49;
constexpr size_t kInitialElements = 500;

// Every character up to the space counts as a blank, except the terminator.
bool IsBlank(wchar_t c) { return c > 0 && c <= L' '; }

wchar_t* SkipBlanks(wchar_t* position) {
  while (IsBlank(*position)) ++position;
  return position;
}

bool IsNameCharacter(wchar_t c) { return c == L'_' || c == L':' || std::iswalnum(c); }

// The position after the first `closing` (a two-character mark), or the end
// of the text when there is none.
wchar_t* SkipPast(wchar_t* position, const wchar_t* closing) {
  wchar_t* found = std::wcsstr(position, closing);
  return found ? found + 2 : position + std::wcslen(position);
}

struct Entity {
  const wchar_t* name;  // with its semicolon
  wchar_t character;
};
constexpr Entity kEntities[] = {
    {L"amp;", L'&'}, {L"apos;", L'\''}, {L"lt;", L'<'}, {L"gt;", L'>'}, {L"quot;", L'"'},
};

}  // namespace

bool MarkupDocument::LoadFromString(const std::wstring& text) {
  Release();
  text_.assign(text.c_str(), text.c_str() + text.size() + 1);
  if (Parse()) return true;
  Release();
  return false;
}

bool MarkupDocument::LoadFromFile(const std::wstring& path) {
  Release();
  error_message_.clear();
  error_location_.clear();
  const std::wstring full_path =
      PathIsRelativeW(path.c_str()) ? GlobalManager::resourcePath + path : path;
  const qbase::ScopedHandle file(CreateFileW(full_path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
  if (!file.IsValid()) return Fail(L"Error opening file", nullptr);
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.Get(), &size)) return Fail(L"Could not read file", nullptr);
  if (size.QuadPart == 0) return Fail(L"File is empty", nullptr);
  if (size.QuadPart > kMaxMarkupFileSize) return Fail(L"File too large", nullptr);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
      read != bytes.size()) {
    return Fail(L"Could not read file", nullptr);
  }
  return LoadFromUtf8(bytes);
}

bool MarkupDocument::LoadFromUtf8(const std::string& bytes) {
  Release();
  size_t start = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  const int length = static_cast<int>(bytes.size() - start);
  const int characters =
      length ? MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, nullptr, 0) : 0;
  text_.assign(static_cast<size_t>(characters) + 1, L'\0');
  if (characters) {
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, text_.data(), characters);
  }
  if (Parse()) return true;
  Release();
  return false;
}

void MarkupDocument::Release() {
  text_.clear();
  text_.shrink_to_fit();
  elements_.clear();
  elements_.shrink_to_fit();
}

MarkupNode MarkupDocument::GetRoot() const {
  return elements_.size() > 1 ? MarkupNode(this, 1) : MarkupNode();
}

bool MarkupDocument::Parse() {
  elements_.clear();
  elements_.reserve(kInitialElements);
  elements_.emplace_back();
  error_message_.clear();
  error_location_.clear();
  wchar_t* position = text_.data();
  return ParseElement(&position, 0, 0);
}

bool MarkupDocument::ParseElement(wchar_t** position, uint32_t parent, int32_t depth) {
  if (depth > kMaxMarkupDepth) return Fail(L"Elements nested too deep", *position);
  wchar_t* p = *position;
  uint32_t previous = 0;
  for (;;) {
    p = SkipBlanks(p);
    if (!*p && parent <= 1) break;
    if (*p != L'<') return Fail(L"Expected start tag", p);
    if (p[1] == L'/') break;
    *p++ = L'\0';
    p = SkipBlanks(p);
    if (*p == L'!') {
      p = SkipPast(p, L"->");
      continue;
    }
    if (*p == L'?') {
      p = SkipPast(p, L"?>");
      continue;
    }

    const uint32_t index = static_cast<uint32_t>(elements_.size());
    MarkupElement element;
    element.name = OffsetOf(p);
    element.parent = parent;
    elements_.push_back(element);
    if (previous) {
      elements_[previous].nextSibling = index;
    } else if (parent) {
      elements_[parent].firstChild = index;
    }
    previous = index;

    const wchar_t* name = p;
    while (IsNameCharacter(*p)) ++p;
    if (!*p) return Fail(L"Error parsing element name", p);
    const size_t name_length = static_cast<size_t>(p - name);
    wchar_t* name_end = p;
    if (!ParseAttributes(&p)) return false;
    p = SkipBlanks(p);
    if (p[0] == L'/' && p[1] == L'>') {
      elements_[index].data = OffsetOf(p);
      *p = L'\0';
      p += 2;
    } else {
      if (*p != L'>') return Fail(L"Expected start-tag closing", p);
      elements_[index].data = OffsetOf(++p);
      wchar_t* write = p;
      if (!ParseData(&p, &write, L'<')) return false;
      bool ended = !*p;
      if (!ended && p[1] != L'/') {
        if (!ParseElement(&p, index, depth + 1)) return false;
        ended = !*p;
      }
      if (ended) {
        if (parent > 1) return Fail(L"Expected end-tag start", p);
        *name_end = L'\0';
        break;
      }
      // The closing tag: "</", the same name, optional blanks and ">".
      *p = L'\0';
      p = SkipBlanks(p + 2);
      if (std::wcsncmp(p, name, name_length) != 0) return Fail(L"Unmatched closing tag", p);
      p = SkipBlanks(p + name_length);
      if (*p != L'>') return Fail(L"Unmatched closing tag", p);
      ++p;
    }
    *name_end = L'\0';
  }
  *position = p;
  return true;
}

bool MarkupDocument::ParseAttributes(wchar_t** position) {
  wchar_t* p = *position;
  // "/" right after the name is an empty element, not a separator.
  if (*p == L'>' || *p == L'/') return true;
  *p++ = L'\0';
  for (;;) {
    p = SkipBlanks(p);
    if (!*p || *p == L'/' || *p == L'>') break;
    wchar_t* name_end = p;
    while (IsNameCharacter(*name_end)) ++name_end;
    p = SkipBlanks(name_end);
    if (*p != L'=') return Fail(L"Error while parsing attributes", p);
    *p++ = L' ';
    *name_end = L'\0';
    p = SkipBlanks(p);
    if (*p != L'"') return Fail(L"Expected attribute value", p);
    wchar_t* write = ++p;
    if (!ParseData(&p, &write, L'"')) return false;
    if (!*p) return Fail(L"Error while parsing attribute string", p);
    *write = L'\0';
    if (p != write) *p = L' ';
    ++p;
  }
  *position = p;
  return true;
}

bool MarkupDocument::ParseData(wchar_t** position, wchar_t** write, wchar_t end) {
  wchar_t* p = *position;
  wchar_t* w = *write;
  while (*p && *p != end) {
    if (*p == L'&') {
      bool replaced = false;
      for (const Entity& entity : kEntities) {
        const size_t length = std::wcslen(entity.name);
        if (std::wcsncmp(p + 1, entity.name, length) == 0) {
          *w++ = entity.character;
          p += length + 1;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    const wchar_t* next = CharNextW(p);
    if (next == p) next = p + 1;
    while (p < next) *w++ = *p++;
  }
  for (wchar_t* fill = w; fill < p; ++fill) *fill = L' ';
  *position = p;
  *write = w;
  return true;
}

bool MarkupDocument::Fail(const wchar_t* message, const wchar_t* location) {
  error_message_.assign(message, std::min(std::wcslen(message), kMaxErrorMessage));
  error_location_.clear();
  if (location)
    error_location_.assign(location, std::min(std::wcslen(location), kMaxErrorLocation));
  return false;
}

}  // namespace ui
