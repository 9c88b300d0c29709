#include "launcher/update/update_error_dialog.h"

#include <utility>

#include "base/string_util.h"
#include "launcher/core/launcher_context.h"

namespace {

std::wstring FromUtf8(const std::string& text) {
  std::wstring wide;
  qbase::MultiByteToWide(text, qbase::kCodePageUtf8, &wide);
  return wide;
}

}  // namespace

std::wstring UpdateErrorText(int32_t code, const std::string& message, const std::string& detail) {
  std::wstring text = FromUtf8(message);
  if (code != 0) text = std::to_wstring(code) + L"\n" + text;
  if (!detail.empty()) text += L"(" + FromUtf8(detail) + L")";
  return text;
}

void ShowUpdateError(const State& state, const std::wstring& no_key, const std::wstring& yes_key,
                     std::function<void(bool)> callback, UpdateWorld* world) {
  UpdateErrorDialog dialog;
  dialog.detail = UpdateErrorText(state.errorCode, state.errorMessage, state.errorDetail);
  dialog.noKey = no_key;
  dialog.yesKey = yes_key;
  dialog.callback = std::move(callback);
  LauncherContext::GetInstance()->errorShown = true;
  world->ShowUpdateError(dialog);
}
