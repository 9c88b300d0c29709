#include "launcher/core/language_table.h"

#include <cstring>

const char* const kLanguageCodes[kLanguageCount] = {"en",    "zh_CN", "ja", "ko", "zh_TW", "vi",
                                                    "fr",    "id",    "it", "es", "tr",    "th",
                                                    "pt_BR", "ar",    "ru", "de", "pl",    "ms"};

const char* const kLanguageNameKeys[kLanguageCount] = {
    "STRING_LANG_ENGLAND",   "STRING_LANG_CHINA",      "STRING_LANG_JAPANESE",
    "STRING_LANG_KOREAN",    "STRING_LANG_TAIWAN",     "STRING_LANG_VIETNAMESE",
    "STRING_LANG_FRENCH",    "STRING_LANG_INDONESIAN", "STRING_LANG_ITALIAN",
    "STRING_LANG_SPAISH",    "STRING_LANG_TURKIC",     "STRING_LANG_THAI",
    "STRING_LANG_PORTGUESE", "STRING_LANG_ARABIC",     "STRING_LANG_RUSSIAN",
    "STRING_LANG_GERMAN",    "STRING_LANG_POLISH",     "STRING_LANG_MALAY"};

int LanguageIndexForLocale(LCID locale) {
  switch (locale) {
    case 2052:
    case 133124:
      return 1;
    case 1041:
      return 2;
    case 1042:
      return 3;
    case 1028:
    case 3076:
    case 4100:
    case 5124:
    case 197636:
      return 4;
    case 1066:
      return 5;
    case 1036:
      return 6;
    case 1057:
      return 7;
    case 1040:
    case 2064:
      return 8;
    case 1034:
      return 9;
    case 1055:
      return 10;
    case 1054:
      return 11;
    case 1046:
    case 2070:
      return 12;
    case 2049:
    case 3073:
    case 4097:
    case 5121:
    case 6145:
    case 11265:
    case 12289:
    case 13313:
    case 14337:
    case 15361:
      return 13;
    case 1049:
      return 14;
    case 1031:
    case 2055:
    case 3079:
    case 4103:
    case 5127:
    case 66567:
      return 15;
    case 1045:
      return 16;
    case 1086:
    case 2110:
      return 17;
    default:
      break;
  }
  // The Spanish sublanguages: 2058 (0x080A) up to 20490 (0x500A).
  if (locale >= 2058 && locale <= 20490 && (locale - 2058) % 1024 == 0) return 9;
  return 0;
}

std::string LanguageCodeForIndex(int index) {
  if (index < 0 || index >= kLanguageCount) return "en";
  return kLanguageCodes[index];
}

int LanguageIndexForCode(const std::string& code) {
  for (int index = 0; index < kLanguageCount; ++index) {
    if (code == kLanguageCodes[index]) return index;
  }
  return -1;
}
