#pragma once

#include <map>
#include <string>
#include <vector>

namespace ui {
class LanguageStringTable;
}

// One community-link button of the main window.
struct JumpLink {
  std::string normalImage;  // skin path of the normal image
  std::string hotImage;     // skin path of the hover image
  std::string tooltip;
  std::string linkName;  // the key of the button's address in ChannelConfig::links
};

// What the channel configuration of the skin gives the launcher.
struct ChannelConfig {
  std::map<std::string, std::wstring> titles;  // "title_main", "title_sub"
  std::map<std::string, std::string> links;    // "Privacy", "Service", "Forum_<name>", "FAQ"
  std::vector<JumpLink> jumpLinks;             // the forum buttons in order, then the FAQ
};

// The channel file this edition reads, and the general file used without it.
constexpr wchar_t kChannelConfigFile[] = L"common_config_CHANNEL_TW.json";
constexpr wchar_t kGeneralConfigFile[] = L"common_config.json";

// Reads the channel file (else the general one) through the skin, sets its
// language-string overrides and replaces `config` whole. False, with nothing
// changed, when neither file can be read or the text is not JSON.
bool LoadChannelConfig(const std::string& language, ChannelConfig* config);

// The same from the file's bytes, for `language` ("en", "zh_TW", ...).
bool ApplyChannelConfig(const std::string& bytes, const std::string& language,
                        ui::LanguageStringTable* table, ChannelConfig* config);
