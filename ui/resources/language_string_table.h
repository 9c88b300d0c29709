#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/lock.h"

namespace ui {

// The texts of the current language by key, with the channel's overrides on
// top. Loads and overrides happen on the UI thread; lookups also come from the
// worker thread, so each change builds a new table and swaps it in whole.
class LanguageStringTable {
 public:
  static LanguageStringTable* GetInstance();

  LanguageStringTable();
  LanguageStringTable(const LanguageStringTable&) = delete;
  LanguageStringTable& operator=(const LanguageStringTable&) = delete;

  // A language file on disk (UTF-8, "KEY = text" lines). False only when the
  // file cannot be opened; the table is empty then.
  bool LoadFromFile(const std::wstring& path);
  // A language file unpacked from the skin package into a global block.
  bool LoadFromMemory(HGLOBAL block);
  // Replaces the file's entries with those of the trimmed lines; false for an
  // empty list.
  bool ParseLines(const std::vector<std::wstring>& lines);
  void Clear();
  // Replaces the key's text whenever the language file has the key.
  void SetOverride(const std::wstring& key, const std::wstring& text);

  // "" for an empty key or one the language file lacks; "\r" and "\n" pairs
  // become CR and LF.
  std::wstring GetStringById(const std::wstring& key) const;
  std::string GetStringByIdUtf8(const std::string& key) const;
  // The text for use as a printf-style format: an override or file text whose
  // directives are not exactly `directives`, in order, counts as missing.
  std::wstring GetFormatById(const std::wstring& key,
                             const std::vector<std::wstring>& directives) const;

 private:
  struct Tables {
    std::map<std::wstring, std::wstring> strings;
    std::map<std::wstring, std::wstring> overrides;
  };

  std::shared_ptr<const Tables> Snapshot() const;
  void Swap(std::shared_ptr<const Tables> tables);

  mutable qbase::Lock lock_;
  std::shared_ptr<const Tables> tables_;
};

// Removes blanks (U+0000 to U+001D and U+0020) at both ends.
std::wstring TrimLanguageBlanks(const std::wstring& text);
// The bytes cut at every line feed and zero byte, each piece converted from
// UTF-8 and trimmed; empty pieces are dropped.
std::vector<std::wstring> SplitLanguageText(const std::string& bytes);
// The entries of trimmed lines: "KEY = text" with exactly one run of "=";
// keys holding ";" are comments.
std::map<std::wstring, std::wstring> ParseLanguageLines(const std::vector<std::wstring>& lines);
// The printf directives of a text ("%ls", "%d", ...), "%%" excluded; false
// when a "%" starts no complete directive.
bool ExtractFormatDirectives(const std::wstring& text, std::vector<std::wstring>* directives);

}  // namespace ui
