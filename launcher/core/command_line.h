#pragma once

#include <string>
#include <vector>

// A word of the command line kept for the rest of the run. Written once at
// start-up, before any other thread exists, and only read afterwards.
struct CommandLineWord {
  std::wstring text;
  bool given = false;
};

// The longest word kept; a longer one is refused as a whole, since a cut
// language code or platform word would be wrong rather than short.
constexpr size_t kCommandLineWordMaxLength = 31;

// "set_language" code, read by LauncherContext::Init.
extern CommandLineWord CommandLineLanguage;
// "set_platform" word, read when the game's command line is built.
extern CommandLineWord CommandLinePlatform;
// The optional word after the "set_language" code ("text_anti_alias" or "taa"
// keeps text anti-aliasing on).
extern CommandLineWord CommandLineTextAntiAlias;

enum class LaunchMode {
  kNormal,
  kReplace,
  kMakeVersion,
  kMakeDependenceVersion,
};

// What the command line asks for. Words not given are empty.
struct CommandLine {
  LaunchMode mode = LaunchMode::kNormal;
  // "make_version" and "make_dependence_version".
  std::wstring version;
  // "replace".
  std::wstring source;
  std::wstring target;
  std::wstring program;
  // Words of a normal start.
  std::wstring language;
  std::wstring platform;
  std::wstring text_anti_alias;
};

// The process command line split into arguments, the program path first;
// empty when it cannot be split.
std::vector<std::wstring> SplitCommandLine(const wchar_t* command_line);

// Reads the arguments (program path first). Mode words match exactly, case
// included; the argument count decides which are looked at, and anything
// else is a normal start.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// Keeps `word` in `target` when it is not empty and fits; false otherwise,
// leaving `target` as it was.
bool SetCommandLineWord(const std::wstring& word, CommandLineWord* target);

// Keeps the words of a normal start in the process-wide command-line words.
void StoreCommandLineWords(const CommandLine& command_line);
