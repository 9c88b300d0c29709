#pragma once

#include <string>

// The "QELLauncher" value that starts the launcher with Windows, under a
// machine-wide Run key or, when that key cannot be opened, its alternate.
class AutostartRegistration {
 public:
  // The real keys: the 32-bit view's Run key, then the plain Run key.
  AutostartRegistration();
  AutostartRegistration(std::wstring key_path, std::wstring alternate_key_path);

  // Stores the executable path in double quotes, so a path with blanks starts
  // the right program. True when the value now holds it.
  bool Enable(const std::wstring& executable_path) const;
  // Removes the value; failures are not reported.
  void Disable() const;

 private:
  std::wstring key_path_;
  std::wstring alternate_key_path_;
};
