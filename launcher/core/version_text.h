#pragma once

#include <cstdint>
#include <string>

// Game versions are three decimal numbers joined by "_" (A_B_C). A is the most
// significant part, then C, then B: comparison and display both follow that order.

// Splits the text at "_" and reads each piece the way "stol" does (leading blanks
// and one sign, digits, anything after them ignored). All outputs are 0 first;
// false unless there are exactly three pieces that each read as a 32-bit number.
bool ParseVersionTriple(const std::string& text, int* a, int* c, int* b);

// True for a version text that may name a folder: three runs of decimal
// digits joined by "_", nothing else. Versions from the network name folders
// only when they pass.
bool IsVersionFolderName(const std::string& text);

// Results of CompareVersions, in the order they are tested; the numbers go
// into reports.
enum class VersionComparison : int32_t {
  VersionEmpty = 0,
  ReferenceEmpty = -1,
  VersionUnreadable = -2,
  ReferenceUnreadable = -3,
  DependenceUnreadable = -4,
  VersionAboveDependence = -5,
  VersionNotNewer = -6,
  VersionBelowDependence = -7,
  VersionNewer = 1,
};

// Compares a version with a reference; a dependence that differs from the
// reference must be matched exactly by the version.
VersionComparison CompareVersions(const std::string& version, const std::string& reference,
                                  const std::string& dependence);

// The version of a version-map file in either of its shapes, taken unchanged;
// `fallback` when the file cannot be read or holds no usable version.
void ReadVersionFromMapFile(const std::wstring& path, std::string* version,
                            const std::string& fallback);

// The dotted form shown to the player: the first number in groups (millions,
// ten-thousands, hundreds, units), then C, then B. Other texts stay unchanged.
std::string FormatVersionForDisplay(const std::string& version);
