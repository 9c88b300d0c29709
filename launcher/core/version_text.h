#pragma once

#include <string>

// Game versions are three decimal numbers joined by "_" (A_B_C). A is the most
// significant part, then C, then B: comparison and display both follow that order.

// Splits the text at "_" and reads each piece the way "stol" does (leading blanks
// and one sign, digits, anything after them ignored). All outputs are 0 first;
// false unless there are exactly three pieces that each read as a 32-bit number.
bool ParseVersionTriple(const std::string& text, int* a, int* c, int* b);

// Result codes of CompareVersions, in the order they are tested.
constexpr int kVersionEmpty = 0;
constexpr int kReferenceEmpty = -1;
constexpr int kVersionUnreadable = -2;
constexpr int kReferenceUnreadable = -3;
constexpr int kDependenceUnreadable = -4;
constexpr int kVersionAboveDependence = -5;
constexpr int kVersionNotNewer = -6;
constexpr int kVersionBelowDependence = -7;
constexpr int kVersionNewer = 1;

// Compares a version with a reference; a dependence that differs from the
// reference must be matched exactly by the version.
int CompareVersions(const std::string& version, const std::string& reference,
                    const std::string& dependence);

// The version of a version-map file in either of its shapes, taken unchanged;
// `fallback` when the file cannot be read or holds no usable version.
void ReadVersionFromMapFile(const std::wstring& path, std::string* version,
                            const std::string& fallback);

// The dotted form shown to the player: the first number in groups (millions,
// ten-thousands, hundreds, units), then C, then B. Other texts stay unchanged.
std::string FormatVersionForDisplay(const std::string& version);
