#pragma once

#include <windows.h>

#include <map>
#include <string>

// The four fonts the launcher carries as resources of type "FONTS" and
// installs into the system's font folder at every start.
struct ResourceFont {
  int resourceId;
  const wchar_t* faceName;
  const wchar_t* registryName;  // the value under the fonts key
  const wchar_t* fileName;
};
extern const ResourceFont kResourceFonts[4];

// Where fonts are installed: a folder and a key under HKEY_LOCAL_MACHINE.
struct FontTarget {
  std::wstring folder;  // with no trailing separator
  std::wstring registryKey;
};

// The system's font folder as the system reports it ("" when it cannot tell).
std::wstring GetSystemFontFolder();
// The system's font folder and fonts key.
FontTarget SystemFontTarget();

// Copies the fonts listed in ".\update\font_update.txt" from ".\update" into
// `font_folder` and then into the launcher folder. The list stays while a
// copy into the font folder fails, so the next run tries again.
void ApplyPendingFontUpdate(const std::wstring& font_folder);

// Points the UI's six default font faces at the carried CJK faces.
void UseCarriedFontFaces();

// Writes every missing font of `module`'s resources into the target folder and
// its registry value and makes it usable by this process, applies the pending
// font list, then points the UI's font
// faces at the carried faces and turns text anti-aliasing on (unless the
// command line's anti-alias word says otherwise). False at the first font that
// fails, with the faces and the anti-alias flag left as they were.
bool InstallResourceFonts(HMODULE module, const FontTarget& target);

// Removes the registry values and the files of the four fonts, so that the
// "replace" helper can overwrite them; failed deletions are returned by file
// name with their system error.
void UninstallResourceFonts(const FontTarget& target, std::map<std::wstring, DWORD>* failures);
