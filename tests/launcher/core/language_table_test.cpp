#include "launcher/core/language_table.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(LanguageTableTest, LocaleTable) {
  const std::pair<LCID, int> cases[] = {
      {2052, 1},   {133124, 1}, {1041, 2},   {1042, 3},   {1028, 4},   {3076, 4},  {4100, 4},
      {5124, 4},   {197636, 4}, {1066, 5},   {1036, 6},   {1057, 7},   {1040, 8},  {2064, 8},
      {1034, 9},   {2058, 9},   {3082, 9},   {19466, 9},  {20490, 9},  {1055, 10}, {1054, 11},
      {1046, 12},  {2070, 12},  {2049, 13},  {3073, 13},  {4097, 13},  {5121, 13}, {6145, 13},
      {11265, 13}, {12289, 13}, {13313, 13}, {14337, 13}, {15361, 13}, {1049, 14}, {1031, 15},
      {2055, 15},  {3079, 15},  {4103, 15},  {5127, 15},  {66567, 15}, {1045, 16}, {1086, 17},
      {2110, 17},  {1033, 0},   {7169, 0},   {8193, 0},   {9217, 0},   {10241, 0}, {16385, 0},
      {21514, 0},  {2059, 0},   {0, 0},
  };
  for (const auto& [locale, index] : cases) {
    EXPECT_EQ(LanguageIndexForLocale(locale), index) << locale;
  }
  // Every Spanish sublanguage from 2058 to 20490 in steps of 1024.
  for (LCID locale = 2058; locale <= 20490; locale += 1024) {
    EXPECT_EQ(LanguageIndexForLocale(locale), 9) << locale;
  }
}

TEST(LanguageTableTest, CodesAndIndices) {
  EXPECT_EQ(LanguageCodeForIndex(0), "en");
  EXPECT_EQ(LanguageCodeForIndex(4), "zh_TW");
  EXPECT_EQ(LanguageCodeForIndex(17), "ms");
  EXPECT_EQ(LanguageCodeForIndex(18), "en");
  EXPECT_EQ(LanguageCodeForIndex(-1), "en");
  EXPECT_EQ(LanguageIndexForCode("pt_BR"), 12);
  EXPECT_EQ(LanguageIndexForCode("ZH_TW"), -1);  // exact match only
  EXPECT_EQ(LanguageIndexForCode(""), -1);
  std::set<std::string> codes;
  for (int index = 0; index < kLanguageCount; ++index) {
    EXPECT_EQ(LanguageIndexForCode(kLanguageCodes[index]), index);
    codes.insert(kLanguageCodes[index]);
  }
  EXPECT_EQ(codes.size(), static_cast<size_t>(kLanguageCount));
  EXPECT_STREQ(kLanguageNameKeys[4], "STRING_LANG_TAIWAN");
}

}  // namespace
