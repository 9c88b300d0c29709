#pragma once

#include <string>

// Under HKEY_LOCAL_MACHINE, the alternate key when the first cannot be opened:
// 0 unchanged, 1 written, -1 failed. A value that is missing or not REG_SZ
// counts as changed.
int RegWriteStringIfChanged(const std::wstring& key_path, const std::wstring& alternate_key_path,
                            const std::wstring& value_name, const std::wstring& text);
