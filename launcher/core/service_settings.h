#pragma once

#include <string>
#include <vector>

// Service addresses and timing an installation may override in
// ".\save\setting.json". Empty or zero members leave their users' built-in values.
struct ServiceSettings {
  std::string GateKey;
  std::vector<std::string> GateURLs;
  bool QaGate = false;
  bool DisableAutoEnterGame = false;
  std::vector<std::string> DlcURLs;
  std::string ActivityURL;
  int RefreshInterval = 0;  // minutes
  int UpdateInterval = 0;   // minutes
  std::string TrackURL;
};

// Applies the document's keys with the JSON library's conversions; a key that is
// absent or null, or whose value the conversion has no rule for, is skipped.
// False, with nothing changed, when the text is not a JSON object.
bool ParseServiceSettings(const std::string& text, ServiceSettings* settings);
