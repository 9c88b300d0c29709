#pragma once

#include <windows.h>

#include <string>

// The launcher's 18 languages, indexed by LauncherSettings::languageType. The
// code names the language file and is sent in reports; the name key is the
// language files' key for the language's own name.
constexpr int kLanguageCount = 18;
extern const char* const kLanguageCodes[kLanguageCount];
extern const char* const kLanguageNameKeys[kLanguageCount];

// The language index of a Windows locale identifier; 0 ("en") when unlisted.
int LanguageIndexForLocale(LCID locale);
// The code of an index; "en" outside 0 to 17.
std::string LanguageCodeForIndex(int index);
// The first index whose code equals `code` exactly; -1 when none does.
int LanguageIndexForCode(const std::string& code);
