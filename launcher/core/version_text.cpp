#include "launcher/core/version_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <tuple>
#include <vector>

#include <json/json.h>

#include "base/file_io.h"
#include "base/string_util.h"
#include "base/json_util.h"

namespace {

// Reads a leading decimal number like "stol" on a 32-bit long.
bool ReadLeadingInt(const std::string& piece, int* value) {
  const char* begin = piece.c_str();
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE || number < INT_MIN || number > INT_MAX) return false;
  *value = static_cast<int>(number);
  return true;
}

struct Triple {
  int a = 0;
  int c = 0;
  int b = 0;

  // Significance order: A, then C, then B.
  auto Key() const { return std::tie(a, c, b); }
};

bool Parse(const std::string& text, Triple* triple) {
  return ParseVersionTriple(text, &triple->a, &triple->c, &triple->b);
}

}  // namespace

bool ParseVersionTriple(const std::string& text, int* a, int* c, int* b) {
  *a = 0;
  *c = 0;
  *b = 0;
  std::vector<std::string> pieces;
  if (qbase::SplitStringA(text, "_", &pieces) != 3) return false;
  int first = 0;
  int second = 0;
  int third = 0;
  if (!ReadLeadingInt(pieces[0], &first) || !ReadLeadingInt(pieces[1], &second) ||
      !ReadLeadingInt(pieces[2], &third)) {
    return false;
  }
  *a = first;
  *b = second;
  *c = third;
  return true;
}

bool IsVersionFolderName(const std::string& text) {
  int groups = 0;
  size_t digits = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '_' && digits > 0) {
      ++groups;
      digits = 0;
    } else {
      return false;
    }
  }
  return digits > 0 && groups == 2;
}

VersionComparison CompareVersions(const std::string& version, const std::string& reference,
                                  const std::string& dependence) {
  if (version.empty()) return VersionComparison::VersionEmpty;
  if (reference.empty()) return VersionComparison::ReferenceEmpty;
  Triple current;
  if (!Parse(version, &current)) return VersionComparison::VersionUnreadable;
  Triple base;
  if (!Parse(reference, &base)) return VersionComparison::ReferenceUnreadable;
  if (!dependence.empty()) {
    Triple required;
    if (!Parse(dependence, &required)) return VersionComparison::DependenceUnreadable;
    if (required.Key() != base.Key()) {
      if (current.Key() < required.Key()) return VersionComparison::VersionBelowDependence;
      if (current.Key() > required.Key()) return VersionComparison::VersionAboveDependence;
    }
  }
  return current.Key() > base.Key() ? VersionComparison::VersionNewer
                                    : VersionComparison::VersionNotNewer;
}

void ReadVersionFromMapFile(const std::wstring& path, std::string* version,
                            const std::string& fallback) {
  *version = fallback;
  std::string text;
  Json::Value root;
  std::string error;
  if (!ReadFileToStringW(path, &text) || !ParseJson(text, &root, &error)) return;
  Json::Value found;
  if (!FindJsonMemberDeep(root, "version", &found)) return;
  if (found.isString()) {
    *version = found.asString();
    return;
  }
  // The flat shape keeps the version under "md5"; any other kind of value holds none.
  if (!found.isObject()) return;
  try {
    *version = found["md5"].asString();
  } catch (const Json::Exception&) {
    *version = fallback;
  }
}

std::string FormatVersionForDisplay(const std::string& version) {
  std::vector<std::string> pieces;
  int number = 0;
  if (qbase::SplitStringA(version, "_", &pieces) != 3 || !ReadLeadingInt(pieces[0], &number)) {
    return version;
  }
  std::string out;
  if (number >= 1000000) {
    out += std::to_string(number / 1000000) + ".";
    number %= 1000000;
  }
  if (number >= 10000) {
    out += std::to_string(number / 10000) + ".";
    number %= 10000;
  } else {
    out += "0.";
  }
  if (number >= 100) {
    out += std::to_string(number / 100);
    number %= 100;
  } else {
    out += "0";
  }
  out += "." + std::to_string(number);
  out += "." + pieces[2] + "." + pieces[1];
  return out;
}
