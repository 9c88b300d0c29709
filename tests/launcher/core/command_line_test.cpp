#include "launcher/core/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct ParseCase {
  std::vector<std::wstring> arguments;  // Without the program path.
  LaunchMode mode;
  std::wstring first;   // version, source, or language
  std::wstring second;  // target, or platform
  std::wstring third;   // program, or the anti-alias word
};

TEST(CommandLineTest, ModeWordsByArgumentCount) {
  const ParseCase cases[] = {
      {{}, LaunchMode::kNormal, L"", L"", L""},
      {{L"replace", L"a.exe", L"b.exe", L"c.exe"},
       LaunchMode::kReplace,
       L"a.exe",
       L"b.exe",
       L"c.exe"},
      {{L"replace", L"", L"", L""}, LaunchMode::kReplace, L"", L"", L""},
      {{L"REPLACE", L"a", L"b", L"c"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"Replace", L"a", L"b", L"c"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"replace", L"a", L"b"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"replace", L"a", L"b", L"c", L"d"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"make_version", L"1.2.3"}, LaunchMode::kMakeVersion, L"1.2.3", L"", L""},
      {{L"make_dependence_version", L"4.5.6"},
       LaunchMode::kMakeDependenceVersion,
       L"4.5.6",
       L"",
       L""},
      {{L"Make_Version", L"1.2.3"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"make_version"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"make_version", L"1", L"2"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"unknown", L"word"}, LaunchMode::kNormal, L"", L"", L""},
  };
  for (const ParseCase& test_case : cases) {
    std::vector<std::wstring> arguments = {L"C:\\launcher\\launcher.exe"};
    arguments.insert(arguments.end(), test_case.arguments.begin(), test_case.arguments.end());
    const CommandLine parsed = ParseCommandLine(arguments);
    SCOPED_TRACE(testing::Message() << "arguments: " << arguments.size());
    EXPECT_EQ(test_case.mode, parsed.mode);
    if (test_case.mode == LaunchMode::kReplace) {
      EXPECT_EQ(test_case.first, parsed.source);
      EXPECT_EQ(test_case.second, parsed.target);
      EXPECT_EQ(test_case.third, parsed.program);
    } else {
      EXPECT_EQ(test_case.first, parsed.version);
    }
    EXPECT_TRUE(parsed.language.empty() && parsed.platform.empty());
  }
}

TEST(CommandLineTest, WordsOfANormalStart) {
  const ParseCase cases[] = {
      {{L"set_language", L"fr"}, LaunchMode::kNormal, L"fr", L"", L""},
      {{L"set_language", L"xx", L"taa"}, LaunchMode::kNormal, L"xx", L"", L"taa"},
      {{L"set_language"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"set_platform", L"steam"}, LaunchMode::kNormal, L"", L"steam", L""},
      {{L"set_platform", L"steam", L"extra"}, LaunchMode::kNormal, L"", L"", L""},
      {{L"SET_LANGUAGE", L"fr"}, LaunchMode::kNormal, L"", L"", L""},
  };
  for (const ParseCase& test_case : cases) {
    std::vector<std::wstring> arguments = {L"launcher.exe"};
    arguments.insert(arguments.end(), test_case.arguments.begin(), test_case.arguments.end());
    const CommandLine parsed = ParseCommandLine(arguments);
    EXPECT_EQ(LaunchMode::kNormal, parsed.mode);
    EXPECT_EQ(test_case.first, parsed.language);
    EXPECT_EQ(test_case.second, parsed.platform);
    EXPECT_EQ(test_case.third, parsed.text_anti_alias);
  }
}

TEST(CommandLineTest, WordsAreKeptOnlyWhenNotEmptyAndShortEnough) {
  CommandLineWord word;
  EXPECT_FALSE(SetCommandLineWord(L"", &word));
  EXPECT_FALSE(word.given);

  const std::wstring longest(kCommandLineWordMaxLength, L'x');
  EXPECT_TRUE(SetCommandLineWord(longest, &word));
  EXPECT_TRUE(word.given);
  EXPECT_EQ(longest, word.text);

  // One character too long: refused whole, the earlier word stays.
  EXPECT_FALSE(SetCommandLineWord(longest + L"y", &word));
  EXPECT_EQ(longest, word.text);
  EXPECT_FALSE(SetCommandLineWord(std::wstring(5000, L'z'), &word));
  EXPECT_EQ(longest, word.text);
}

TEST(CommandLineTest, StoresTheWordsOfANormalStart) {
  CommandLine command_line;
  command_line.language = L"ja";
  command_line.text_anti_alias = L"text_anti_alias";
  command_line.platform = std::wstring(40, L'p');
  StoreCommandLineWords(command_line);
  EXPECT_TRUE(CommandLineLanguage.given);
  EXPECT_EQ(L"ja", CommandLineLanguage.text);
  EXPECT_TRUE(CommandLineTextAntiAlias.given);
  EXPECT_EQ(L"text_anti_alias", CommandLineTextAntiAlias.text);
  EXPECT_FALSE(CommandLinePlatform.given);
}

TEST(CommandLineTest, SplitsQuotedArguments) {
  const std::vector<std::wstring> arguments =
      SplitCommandLine(L"\"C:\\Program Files\\launcher.exe\" replace \"\" \"a b\" c");
  EXPECT_EQ((std::vector<std::wstring>{L"C:\\Program Files\\launcher.exe", L"replace", L"", L"a b",
                                       L"c"}),
            arguments);
}

}  // namespace
