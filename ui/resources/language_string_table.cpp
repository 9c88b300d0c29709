#include "ui/resources/language_string_table.h"

#include <cstdio>
#include <cwchar>
#include <utility>

#include "base/string_util.h"
#include "ui/resources/global_memory.h"

namespace ui {

namespace {

// Lines longer than this arrive in several pieces, each a line of its own.
constexpr int kLineBufferSize = 4096;

bool IsLanguageBlank(wchar_t c) { return c <= 0x1D || c == 0x20; }

bool InSet(const wchar_t* set, wchar_t c) { return c != L'\0' && std::wcschr(set, c) != nullptr; }

void ReplaceEscapes(std::wstring* text) {
  if (text->empty()) return;
  qbase::ReplaceAllWide(L"\\r", L"\r", text);
  qbase::ReplaceAllWide(L"\\n", L"\n", text);
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

LanguageStringTable* LanguageStringTable::GetInstance() {
  static LanguageStringTable table;
  return &table;
}

LanguageStringTable::LanguageStringTable() : tables_(std::make_shared<Tables>()) {}

std::shared_ptr<const LanguageStringTable::Tables> LanguageStringTable::Snapshot() const {
  qbase::AutoLock hold(lock_);
  return tables_;
}

void LanguageStringTable::Swap(std::shared_ptr<const Tables> tables) {
  qbase::AutoLock hold(lock_);
  tables_.swap(tables);
}

bool LanguageStringTable::LoadFromFile(const std::wstring& path) {
  std::unique_ptr<FILE, FileCloser> file(_wfopen(path.c_str(), L"rt"));
  if (!file) {
    Clear();
    return false;
  }
  std::vector<std::wstring> lines;
  char buffer[kLineBufferSize];
  while (std::fgets(buffer, sizeof(buffer), file.get())) {
    std::wstring line;
    qbase::Utf8ToWide(buffer, &line);
    line = TrimLanguageBlanks(line);
    if (!line.empty()) lines.push_back(std::move(line));
  }
  auto tables = std::make_shared<Tables>();
  tables->strings = ParseLanguageLines(lines);
  Swap(std::move(tables));
  return true;
}

bool LanguageStringTable::LoadFromMemory(HGLOBAL block) {
  std::string bytes;
  {
    const GlobalMemoryLock lock(block);
    if (lock.data()) bytes.assign(static_cast<const char*>(lock.data()), lock.size());
  }
  auto tables = std::make_shared<Tables>();
  tables->strings = ParseLanguageLines(SplitLanguageText(bytes));
  Swap(std::move(tables));
  return true;
}

bool LanguageStringTable::ParseLines(const std::vector<std::wstring>& lines) {
  if (lines.empty()) return false;
  auto tables = std::make_shared<Tables>(*Snapshot());
  for (auto& entry : ParseLanguageLines(lines)) tables->strings[entry.first] = entry.second;
  Swap(std::move(tables));
  return true;
}

void LanguageStringTable::Clear() { Swap(std::make_shared<Tables>()); }

void LanguageStringTable::SetOverride(const std::wstring& key, const std::wstring& text) {
  auto tables = std::make_shared<Tables>(*Snapshot());
  tables->overrides[key] = text;
  Swap(std::move(tables));
}

std::wstring LanguageStringTable::GetStringById(const std::wstring& key) const {
  if (key.empty()) return std::wstring();
  const auto tables = Snapshot();
  auto found = tables->strings.find(key);
  if (found == tables->strings.end()) return std::wstring();
  auto override_text = tables->overrides.find(key);
  std::wstring text =
      override_text == tables->overrides.end() ? found->second : override_text->second;
  ReplaceEscapes(&text);
  return text;
}

std::string LanguageStringTable::GetStringByIdUtf8(const std::string& key) const {
  std::wstring wide_key;
  qbase::MultiByteToWide(key, qbase::kCodePageUtf8, &wide_key);
  if (wide_key.empty()) return std::string();
  const auto tables = Snapshot();
  auto found = tables->strings.find(wide_key);
  if (found == tables->strings.end()) return std::string();
  auto override_text = tables->overrides.find(wide_key);
  std::string text = qbase::WideToUtf8(
      override_text == tables->overrides.end() ? found->second : override_text->second);
  if (!text.empty()) {
    qbase::ReplaceAll("\\r", "\r", &text);
    qbase::ReplaceAll("\\n", "\n", &text);
  }
  return text;
}

std::wstring LanguageStringTable::GetFormatById(const std::wstring& key,
                                                const std::vector<std::wstring>& directives) const {
  if (key.empty()) return std::wstring();
  const auto tables = Snapshot();
  auto found = tables->strings.find(key);
  if (found == tables->strings.end()) return std::wstring();
  std::vector<const std::wstring*> candidates;
  auto override_text = tables->overrides.find(key);
  if (override_text != tables->overrides.end()) candidates.push_back(&override_text->second);
  candidates.push_back(&found->second);
  for (const std::wstring* candidate : candidates) {
    std::vector<std::wstring> present;
    if (ExtractFormatDirectives(*candidate, &present) && present == directives) {
      std::wstring text = *candidate;
      ReplaceEscapes(&text);
      return text;
    }
  }
  return std::wstring();
}

std::wstring TrimLanguageBlanks(const std::wstring& text) {
  size_t start = 0;
  size_t end = text.size();
  while (start < end && IsLanguageBlank(text[start])) ++start;
  while (end > start && IsLanguageBlank(text[end - 1])) --end;
  return text.substr(start, end - start);
}

std::vector<std::wstring> SplitLanguageText(const std::string& bytes) {
  std::vector<std::wstring> lines;
  const std::string text = bytes + '\n';
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\0') continue;
    std::wstring line;
    qbase::MultiByteToWide(text.substr(start, i - start), qbase::kCodePageUtf8, &line);
    line = TrimLanguageBlanks(line);
    if (!line.empty()) lines.push_back(std::move(line));
    start = i + 1;
  }
  return lines;
}

std::map<std::wstring, std::wstring> ParseLanguageLines(const std::vector<std::wstring>& lines) {
  std::map<std::wstring, std::wstring> strings;
  for (const std::wstring& line : lines) {
    const std::vector<std::wstring> pieces = qbase::SplitWide(line, L"=");
    if (pieces.size() != 2) continue;
    const std::wstring key = TrimLanguageBlanks(pieces[0]);
    if (key.find(L';') != std::wstring::npos) continue;
    strings[key] = TrimLanguageBlanks(pieces[1]);
  }
  return strings;
}

bool ExtractFormatDirectives(const std::wstring& text, std::vector<std::wstring>* directives) {
  directives->clear();
  const size_t size = text.size();
  for (size_t i = 0; i < size; ++i) {
    if (text[i] != L'%') continue;
    if (i + 1 < size && text[i + 1] == L'%') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < size && InSet(L"-+ #0", text[j])) ++j;
    while (j < size && (InSet(L"0123456789*", text[j]))) ++j;
    if (j < size && text[j] == L'.') {
      ++j;
      while (j < size && InSet(L"0123456789*", text[j])) ++j;
    }
    while (j < size && InSet(L"hlLqjztwI", text[j])) {
      if (text[j] == L'I' && (text.compare(j, 3, L"I64") == 0 || text.compare(j, 3, L"I32") == 0)) {
        j += 2;
      }
      ++j;
    }
    if (j >= size || !InSet(L"diouxXeEfFgGaAcCsSpn", text[j])) return false;
    directives->push_back(text.substr(i, j - i + 1));
    i = j;
  }
  return true;
}

}  // namespace ui
