#pragma once

#include <string>

// Files the running launcher cannot replace itself (its executable, the
// browser runtime's files) wait in ".\update" until a helper copy of the
// launcher, started in "replace" mode, puts them in place after the launcher
// has ended. Paths are relative to the launcher's folder, the current folder.

// Starts `command`, followed by one blank and `arguments` when there are any,
// shown, in `folder` (the caller's when empty). Nothing for an empty command;
// a failure to start is not reported.
void RunProgram(const std::wstring& command, const std::wstring& arguments,
                const std::wstring& folder);

// The helper's arguments: replace "source" "target" "program", source and
// target empty when the launcher executable did not change.
std::wstring BuildReplaceArguments(const std::wstring& program, bool launcher_changed);

// Copies ".\launcher.exe" to ".\launcher_temp.exe" and starts the copy in
// "replace" mode; `program` (may be empty) starts once the helper is done.
void LaunchSelfReplace(const std::wstring& program, bool launcher_changed);

// Installs the browser files listed in ".\update\cef_update.txt" from
// ".\update" into the launcher folder. Names whose copy failed stay in the
// list (and their files in ".\update") for the next helper; the list goes
// once it is empty.
void ApplyPendingCefUpdate();

// The "replace" mode: once the launcher that started this helper has ended,
// copies `source` over `target` (when both are given), installs the pending
// browser files and fonts, starts `program` (when given) and deletes the
// helper's own executable. Does not return when the self-deletion starts.
void RunReplaceMode(const std::wstring& source, const std::wstring& target,
                    const std::wstring& program);

// Asks the command interpreter to delete the running executable once this
// process has ended, and ends the process.
[[noreturn]] void DeleteSelfAndExit();
