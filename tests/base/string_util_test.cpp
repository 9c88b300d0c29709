#include "base/string_util.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct ConversionCase {
  const char* utf8;
  const wchar_t* wide;
};

const ConversionCase kConversions[] = {
    {"", L""},
    {"plain ascii", L"plain ascii"},
    {"\xE9\x81\x8A\xE6\x88\xB2 game", L"\u904a\u6232 game"},
    {"caf\xC3\xA9", L"caf\u00e9"},
    // Outside the basic plane: a surrogate pair in UTF-16.
    {"\xF0\x9F\x8E\xAE", L"\xD83C\xDFAE"},
};

TEST(StringUtilTest, ConvertsBetweenUtf8AndWideBothWays) {
  for (const ConversionCase& c : kConversions) {
    std::wstring wide = L"stale";
    EXPECT_TRUE(qbase::Utf8ToWide(c.utf8, &wide));
    EXPECT_EQ(wide, c.wide) << c.utf8;
    std::string utf8 = "stale";
    EXPECT_TRUE(qbase::WideToUtf8(c.wide, &utf8));
    EXPECT_EQ(utf8, c.utf8);

    EXPECT_TRUE(qbase::MultiByteToWide(c.utf8, qbase::kCodePageUtf8, &wide));
    EXPECT_EQ(wide, c.wide);
    EXPECT_TRUE(qbase::WideToMultiByte(c.wide, qbase::kCodePageUtf8, &utf8));
    EXPECT_EQ(utf8, c.utf8);
    // The test programs run with the UTF-8 ANSI code page, so CJK names survive narrow paths.
    EXPECT_TRUE(qbase::WideToMultiByte(c.wide, qbase::kCodePageAnsi, &utf8));
    EXPECT_EQ(utf8, c.utf8);

    EXPECT_EQ(qbase::Utf8ToWide(std::string(c.utf8)), c.wide);
    EXPECT_EQ(qbase::WideToUtf8(std::wstring(c.wide)), c.utf8);
  }
}

TEST(StringUtilTest, NullTextFailsWithAnEmptyOutput) {
  std::wstring wide = L"stale";
  EXPECT_FALSE(qbase::Utf8ToWide(nullptr, &wide));
  EXPECT_TRUE(wide.empty());
  std::string narrow = "stale";
  EXPECT_FALSE(qbase::WideToUtf8(nullptr, &narrow));
  EXPECT_TRUE(narrow.empty());
}

TEST(StringUtilTest, LengthBasedConversionsKeepEmbeddedNuls) {
  std::wstring wide;
  EXPECT_TRUE(qbase::MultiByteToWide(std::string("a\0b", 3), qbase::kCodePageUtf8, &wide));
  EXPECT_EQ(wide, std::wstring(L"a\0b", 3));
  std::string narrow;
  EXPECT_TRUE(qbase::WideToMultiByte(std::wstring(L"a\0b", 3), qbase::kCodePageUtf8, &narrow));
  EXPECT_EQ(narrow, std::string("a\0b", 3));
}

TEST(StringUtilTest, FormatWideTakesWideArgumentsWithLsAndNarrowWithS) {
  EXPECT_EQ(qbase::FormatWide(L"%ls|%s|%d|%02d", L"\u904a\u6232", "narrow", -7, 5),
            L"\u904a\u6232|narrow|-7|05");
  EXPECT_EQ(qbase::FormatWide(L"no arguments"), L"no arguments");
  EXPECT_EQ(qbase::FormatWide(L""), L"");
}

void AppendFormatted(std::wstring* target, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  qbase::AppendFormatWideV(format, args, target);
  va_end(args);
}

TEST(StringUtilTest, LongTextsRetryWithTheSameArguments) {
  // Each size is beyond one buffer, so the arguments are read again on a retry.
  for (size_t size : {size_t{1023}, size_t{1024}, size_t{5000}, size_t{100000}}) {
    const std::wstring long_text(size, L'x');
    std::wstring target = L"kept:";
    AppendFormatted(&target, L"%ls|%d|%ls", long_text.c_str(), 42, L"end");
    EXPECT_EQ(target, L"kept:" + long_text + L"|42|end") << size << " characters";
  }
}

TEST(StringUtilTest, TextBeyondTheLargestBufferAppendsNothing) {
  const std::wstring too_long(32 * 1024 * 1024, L'x');
  std::wstring target = L"kept";
  AppendFormatted(&target, L"%ls", too_long.c_str());
  EXPECT_EQ(target, L"kept");
}

TEST(StringUtilTest, TrimRightWideRemovesSpacesAndLowControlCharacters) {
  struct Case {
    std::wstring text;
    std::wstring trimmed;
  };
  const Case cases[] = {
      {L"text \t\r\n", L"text"},
      {L"text\x1e", L"text\x1e"},
      {L"text\x1f", L"text\x1f"},
      {L"text\x1d\x01", L"text"},
      {L"  inner  space  ", L"  inner  space"},
      {L" \t ", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    std::wstring text = c.text;
    EXPECT_EQ(&qbase::TrimRightWide(text), &text);
    EXPECT_EQ(text, c.trimmed);
  }
}

TEST(StringUtilTest, SplitWideNeverGivesEmptyTokens) {
  struct Case {
    std::wstring text;
    std::wstring delimiters;
    std::vector<std::wstring> tokens;
  };
  const Case cases[] = {
      {L";;a;;b;", L";", {L"a", L"b"}},
      {L"a,b c", L", ", {L"a", L"b", L"c"}},
      {L"whole", L";", {L"whole"}},
      {L";;;", L";", {}},
      {L"", L";", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qbase::SplitWide(c.text, c.delimiters), c.tokens) << c.text.size();
  }
}

TEST(StringUtilTest, ReplaceAllReplacesLeftToRightWithoutRescanning) {
  struct Case {
    std::string target;
    std::string pattern;
    std::string replacement;
    std::string result;
  };
  const Case cases[] = {
      {"aaa", "aa", "b", "ba"},
      {"a/b//c", "/", "\\", "a\\b\\\\c"},
      {"xax", "a", "aa", "xaax"},              // a replacement is never searched again
      {"abab", "ab", "abab", "abababab"},      // grows
      {"one two one", "one", "1", "1 two 1"},  // shrinks
      {"one two one", "one", "uno", "uno two uno"},
      {"abc", "", "x", "abc"},  // empty pattern
      {"abc", "z", "x", "abc"},
      {"abc", "abc", "", ""},
      {"", "a", "b", ""},
  };
  for (const Case& c : cases) {
    std::string narrow = c.target;
    qbase::ReplaceAll(c.pattern, c.replacement, &narrow);
    EXPECT_EQ(narrow, c.result) << c.target << " / " << c.pattern;

    std::wstring wide = qbase::Utf8ToWide(c.target);
    qbase::ReplaceAllWide(qbase::Utf8ToWide(c.pattern), qbase::Utf8ToWide(c.replacement), &wide);
    EXPECT_EQ(wide, qbase::Utf8ToWide(c.result)) << c.target << " / " << c.pattern;
  }
}

TEST(StringUtilTest, SplitStringKeepsInnerAndLeadingEmptyPieces) {
  struct Case {
    std::string text;
    std::string delimiter;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"1_2_3", "_", {"1", "2", "3"}},
      {"_1_2", "_", {"", "1", "2"}},
      {"1_2_", "_", {"1", "2"}},
      {"1__2", "_", {"1", "", "2"}},
      {"whole", "_", {"whole"}},
      {"a::b", "::", {"a", "b"}},
      {"", "_", {}},
      {"1_2", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> pieces = {"stale"};
    EXPECT_EQ(qbase::SplitStringA(c.text, c.delimiter, &pieces), static_cast<int>(c.pieces.size()))
        << c.text;
    EXPECT_EQ(pieces, c.pieces) << c.text;

    std::vector<std::wstring> wide_pieces = {L"stale"};
    EXPECT_EQ(qbase::SplitStringW(qbase::Utf8ToWide(c.text), qbase::Utf8ToWide(c.delimiter),
                                  &wide_pieces),
              static_cast<int>(c.pieces.size()));
    ASSERT_EQ(wide_pieces.size(), c.pieces.size());
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      EXPECT_EQ(wide_pieces[i], qbase::Utf8ToWide(c.pieces[i]));
    }
  }
}

}  // namespace
