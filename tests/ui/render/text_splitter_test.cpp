#include "ui/render/text_splitter.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Units = std::vector<std::wstring>;

struct SplitCase {
  const char* name;
  std::wstring text;
  TextUnitLines lines;
};

class SplitTextIntoUnitsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextIntoUnitsTest, CutsLinesAndUnits) {
  TextUnitLines lines;
  EXPECT_TRUE(SplitTextIntoUnits(GetParam().text, &lines));
  EXPECT_EQ(lines, GetParam().lines);
}

// Arabic letters used below: beh U+0628, seen U+0633, meem U+0645, lam
// U+0644, alef U+0627, dal U+062F, reh U+0631, hamza U+0621, fatha U+064E.
INSTANTIATE_TEST_SUITE_P(
    Table, SplitTextIntoUnitsTest,
    ::testing::Values(
        SplitCase{"Ascii", L"ab c", {Units{L"a", L"b", L" ", L"c"}}},
        SplitCase{"LineBreaksRunTogether", L"a\n\nb", {Units{L"a"}, Units{L"b"}}},
        SplitCase{"LeadingBreakMakesNoEmptyLine", L"\nab", {Units{L"a", L"b"}}},
        SplitCase{"TwoByteAndFourByteCharacters",
                  L"\u00e9\U0001F600x",
                  {Units{L"\u00e9", L"\U0001F600", L"x"}}},
        SplitCase{"ThaiConsonantWithVowelAbove", L"\u0e01\u0e34", {Units{L"\u0e01\u0e34"}}},
        SplitCase{"ThaiSecondMarkStandsAlone",
                  L"\u0e01\u0e34\u0e48",
                  {Units{L"\u0e01\u0e34", L"\u0e48"}}},
        SplitCase{"ThaiToneMarkJoinsConsonant",
                  L"\u0e19\u0e49\u0e33",
                  {Units{L"\u0e19\u0e49", L"\u0e33"}}},
        SplitCase{"ThaiConsonantsStaySeparate", L"\u0e01\u0e02", {Units{L"\u0e01", L"\u0e02"}}},
        SplitCase{
            "ArabicJoinedWordIsOneUnit", L"\u0628\u0633\u0645", {Units{L"\u0628\u0633\u0645"}}},
        SplitCase{"ArabicLamAlefStaysTogether", L"\u0644\u0627", {Units{L"\u0644\u0627"}}},
        SplitCase{"ArabicLamAlefAfterJoiningLetter",
                  L"\u0633\u0644\u0627\u0645",
                  {Units{L"\u0645", L"\u0633\u0644\u0627"}}},
        SplitCase{"ArabicRightJoinerEndsUnit",
                  L"\u0628\u062f\u0628",
                  {Units{L"\u0628", L"\u0628\u062f"}}},
        SplitCase{"ArabicHamzaStandsAlone",
                  L"\u0628\u0621\u0631",
                  {Units{L"\u0631", L"\u0621", L"\u0628"}}},
        SplitCase{
            "ArabicMarkInsideJoinedRun", L"\u0628\u064e\u0633", {Units{L"\u0628\u064e\u0633"}}},
        SplitCase{"ArabicUnitsReversedWithLatin",
                  L"ab \u0628\u0633",
                  {Units{L"\u0628\u0633", L" ", L"b", L"a"}}},
        SplitCase{"ArabicRuleForEveryLine", L"ab\n\u0628", {Units{L"b", L"a"}, Units{L"\u0628"}}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(SplitTextIntoUnits, EmptyTextFails) {
  TextUnitLines lines = {Units{L"stale"}};
  EXPECT_FALSE(SplitTextIntoUnits(L"", &lines));
  EXPECT_THAT(lines, IsEmpty());
}

TEST(SplitTextIntoUnits, UnconvertibleLineEndsTheCutKeepingEarlierLines) {
  TextUnitLines lines;
  const std::wstring text = std::wstring(L"ok\n") + L'\xD800' + L"x";
  EXPECT_FALSE(SplitTextIntoUnits(text, &lines));
  EXPECT_EQ(lines, (TextUnitLines{Units{L"o", L"k"}}));
}

TEST(SplitUtf8Units, TruncatedCharacterDropsTheRest) {
  // "a", then the first two bytes of a three-byte character.
  EXPECT_THAT(SplitUtf8Units("a\xE0\xB8"), ElementsAre(L"a"));
  // A Thai consonant whose combining mark is cut short stays a unit alone.
  EXPECT_THAT(SplitUtf8Units("\xE0\xB8\x81\xE0\xB8"), ElementsAre(L"\u0e01"));
  EXPECT_THAT(SplitUtf8Units("\xF0\x9F"), IsEmpty());
}

TEST(SplitUtf8Units, InvalidLeadBytesAreVisibleUnits) {
  const std::vector<std::wstring> units = SplitUtf8Units("\x80x");
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(units[0], L"\ufffd");
  EXPECT_EQ(units[1], L"x");
}

TEST(SplitArabicUnits, EveryCharacterIsEmittedOnceInOrder) {
  const std::wstring line = L"\u0628\u064e\u0644\u0627 x\u0621\u0633\u0640\u0645\u064b";
  std::wstring joined;
  for (const std::wstring& unit : SplitArabicUnits(line)) {
    EXPECT_FALSE(unit.empty());
    joined += unit;
  }
  EXPECT_EQ(joined, line);
}

TEST(SplitArabicUnits, TatweelStandsAloneAfterJoinedLetter) {
  EXPECT_THAT(SplitArabicUnits(L"\u0628\u0640\u0628"),
              ElementsAre(L"\u0628", L"\u0640", L"\u0628"));
}

}  // namespace
}  // namespace ui
