#include "launcher/core/disk_space_check.h"

#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

#include "base/string_util.h"
#include "launcher/core/launcher_context.h"
#include "ui/resources/language_string_table.h"

namespace {

constexpr size_t kInstallPromptChars = 259;  // a buffer of 260 with its terminator

}  // namespace

std::wstring RequiredDiskSpaceText() {
  wchar_t text[32] = {};
  swprintf_s(text, std::size(text), L"%5.2fG", 4.0);
  return text;
}

std::wstring BuildUpdateDiskSpacePrompt(const std::wstring& text, const std::wstring& drive) {
  std::wstring prompt = text;
  if (prompt.empty()) return prompt;
  qbase::ReplaceAllWide(L"{p2}", RequiredDiskSpaceText(), &prompt);
  qbase::ReplaceAllWide(L"{p1}", drive, &prompt);
  return prompt;
}

std::wstring BuildInstallDiskSpacePrompt(const std::wstring& text) {
  const std::wstring size = RequiredDiskSpaceText();
  std::vector<std::wstring> directives;
  std::wstring prompt;
  if (!ui::ExtractFormatDirectives(text, &directives) ||
      directives != std::vector<std::wstring>{L"%ls"}) {
    prompt = text.empty() ? text : text + size;
  } else {
    // What the format would print: its one "%ls" and its "%%" pairs.
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != L'%') {
        prompt += text[i];
      } else if (text[i + 1] == L'%') {
        prompt += L'%';
        ++i;
      } else {
        prompt += size;
        i += 2;
      }
    }
  }
  if (prompt.size() > kInstallPromptChars) prompt.resize(kInstallPromptChars);
  return prompt;
}

bool CheckDiskSpace(LauncherContext* context, std::wstring path, std::wstring content,
                    std::wstring first_button_key, std::wstring second_button_key,
                    DialogCallback callback) {
  uint64_t total_bytes = 0;
  uint64_t free_bytes = 0;
  if (!context->disk_space_query()(path, &total_bytes, &free_bytes)) {
    context->ShowMessageBox(nullptr, L"STRING_ERROR_NOTICE", L"STRING_ERROR_INVALID_DISKSPACE", L"",
                            L"STRING_CONFIRM", nullptr, false);
    return true;
  }
  if (free_bytes >= kRequiredDiskSpace) return true;
  context->PostMessageBoxRequest(nullptr, L"STRING_ERROR_NOTICE", L"", L"", content,
                                 first_button_key, second_button_key, L"", L"", std::move(callback),
                                 false);
  return false;
}
