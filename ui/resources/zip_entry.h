#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace ui {

// One entry of the skin package as the central directory describes it.
struct ZipEntry {
  int32_t index = -1;       // position in the central directory, 0 = first
  std::wstring name;        // cleaned by CleanZipEntryName
  uint32_t attributes = 0;  // Windows FILE_ATTRIBUTE_* bits
  FILETIME accessTime = {};
  FILETIME creationTime = {};
  FILETIME modificationTime = {};
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
};

// Drops drive prefixes, leading separators, leading ".." segments and
// everything up to an inner "..", repeatedly, so that no name reaches outside
// the package's root. Unlike GlobalManager::GetZipEntryPath it turns no "\"
// into "/" and drops no "./": a name needing no cut stays the stored one, which
// is the name FindZipEntry matches.
std::wstring CleanZipEntryName(std::wstring name);

// Windows attribute bits from the central directory's "version made by" and
// external attributes (DOS-like hosts keep DOS bits in the low byte, others
// keep a Unix mode in the high half).
uint32_t ZipAttributesToWindows(uint32_t version_made_by, uint32_t external_attributes);

// The DOS date (high 16 bits) and time (low 16 bits), taken as local time,
// as a UTC FILETIME.
FILETIME DosDateTimeToFileTime(uint32_t dos_date_time);

FILETIME UnixTimeToFileTime(int32_t seconds);

// Applies the first extended-timestamp ("UT") block of a local extra field to
// the entry's times. Blocks and their fields are read only within `length`.
void ApplyExtendedTimestamp(const uint8_t* extra, size_t length, ZipEntry* entry);

// Whether the sizes an entry claims can be true: a stored entry holds exactly
// its bytes (after the 12-byte header of an encrypted one) and deflate expands
// at most 1032 times. A method this reader cannot unpack is never plausible.
// Buffers are sized from these values, so they are checked before use.
bool IsPlausibleEntrySize(uint32_t method, bool encrypted, uint32_t compressed_size,
                          uint32_t uncompressed_size);

}  // namespace ui
