#pragma once

#include <cstdint>
#include <string>

#include "launcher/core/dialog_requests.h"

class LauncherContext;

// A drive needs this many bytes free to the user: 4 GiB.
constexpr uint64_t kRequiredDiskSpace = 4294967296ULL;

// Asks for the space of a path's drive; false when it cannot be queried (no
// drive letter, or the system cannot tell).
using DiskSpaceQuery = bool (*)(const std::wstring& path, uint64_t* total_bytes,
                                uint64_t* free_bytes);

// The size the prompts show: " 4.00G".
std::wstring RequiredDiskSpaceText();
// The update prompt for one drive: "{p2}" becomes the size text, then "{p1}"
// the drive letter. An empty text stays empty.
std::wstring BuildUpdateDiskSpacePrompt(const std::wstring& text, const std::wstring& drive);
// The install prompt, cut to 259 characters. The skin's text is a format only
// when its one directive is "%ls" (the size text); any other text is shown as
// it is with the size text after it, so no skin text ever drives a printf.
std::wstring BuildInstallDiskSpacePrompt(const std::wstring& text);

// One drive: true when the drive of `path` has room, or cannot be queried
// (the player is then told so in a box of its own). Otherwise posts the
// low-space prompt with `content` and the two button keys, whose answer goes
// to `callback`, and gives false.
bool CheckDiskSpace(LauncherContext* context, std::wstring path, std::wstring content,
                    std::wstring first_button_key, std::wstring second_button_key,
                    DialogCallback callback);
