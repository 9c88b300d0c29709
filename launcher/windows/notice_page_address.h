#pragma once

#include <string>

// The address of the main window's notice page: a configured address as it
// is; else the directory's activity address with "lang=" and the player's
// language ("en" without one) added to its query; empty while the directory
// has not given one.
std::string NoticePageAddress(const std::string& configured_url, const std::string& activity_addr,
                              const std::string& language);
