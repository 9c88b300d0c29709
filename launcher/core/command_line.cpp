#include "launcher/core/command_line.h"

#include <windows.h>

#include <shellapi.h>

CommandLineWord CommandLineLanguage;
CommandLineWord CommandLinePlatform;
CommandLineWord CommandLineTextAntiAlias;

std::vector<std::wstring> SplitCommandLine(const wchar_t* command_line) {
  std::vector<std::wstring> arguments;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(command_line, &count);
  if (argv == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(argv);
  return arguments;
}

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
  CommandLine result;
  if (arguments.size() == 5 && arguments[1] == L"replace") {
    result.mode = LaunchMode::kReplace;
    result.source = arguments[2];
    result.target = arguments[3];
    result.program = arguments[4];
  } else if (arguments.size() == 3) {
    const std::wstring& word = arguments[1];
    if (word == L"make_version") {
      result.mode = LaunchMode::kMakeVersion;
      result.version = arguments[2];
    } else if (word == L"make_dependence_version") {
      result.mode = LaunchMode::kMakeDependenceVersion;
      result.version = arguments[2];
    } else if (word == L"set_language") {
      result.language = arguments[2];
    } else if (word == L"set_platform") {
      result.platform = arguments[2];
    }
  } else if (arguments.size() == 4 && arguments[1] == L"set_language") {
    result.language = arguments[2];
    result.text_anti_alias = arguments[3];
  }
  return result;
}

bool SetCommandLineWord(const std::wstring& word, CommandLineWord* target) {
  if (word.empty() || word.size() > kCommandLineWordMaxLength) return false;
  target->text = word;
  target->given = true;
  return true;
}

void StoreCommandLineWords(const CommandLine& command_line) {
  SetCommandLineWord(command_line.language, &CommandLineLanguage);
  SetCommandLineWord(command_line.platform, &CommandLinePlatform);
  SetCommandLineWord(command_line.text_anti_alias, &CommandLineTextAntiAlias);
}
