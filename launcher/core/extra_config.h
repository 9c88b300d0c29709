#pragma once

#include <string>

// Reads "install_package_type" from the text of ".\save\extra_config.txt".
// False when the text is not JSON; true otherwise, with `install_package_type`
// replaced only when the document holds that key as a string.
bool ParseExtraConfig(const std::string& text, std::string* install_package_type);
