#include "ui/resources/zip_entry.h"

namespace ui {

namespace {

constexpr uint32_t kMethodStored = 0;
constexpr uint32_t kMethodDeflated = 8;
constexpr uint64_t kDeflateMaxRatio = 1032;
constexpr uint32_t kEncryptionHeaderSize = 12;

// Removes everything up to and including the first occurrence of `marker`.
bool DropThrough(std::wstring* name, const wchar_t* marker) {
  const size_t found = name->find(marker);
  if (found == std::wstring::npos) return false;
  name->erase(0, found + std::wstring(marker).size());
  return true;
}

uint16_t ReadUint16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

int32_t ReadInt32(const uint8_t* bytes) {
  return static_cast<int32_t>(
      static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
      (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
}

}  // namespace

std::wstring CleanZipEntryName(std::wstring name) {
  for (;;) {
    if (name.size() >= 2 && name[1] == L':') {
      name.erase(0, 2);
    } else if (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) {
      name.erase(0, 1);
    } else if (name.compare(0, 3, L"../") == 0 || name.compare(0, 3, L"..\\") == 0) {
      name.erase(0, 3);
    } else if (!DropThrough(&name, L"\\..\\") && !DropThrough(&name, L"\\../") &&
               !DropThrough(&name, L"/../") && !DropThrough(&name, L"/..\\")) {
      return name;
    }
  }
}

uint32_t ZipAttributesToWindows(uint32_t version_made_by, uint32_t external_attributes) {
  const uint32_t host = (version_made_by >> 8) & 0xFF;
  bool directory = (external_attributes & 0x40000000) != 0;
  bool read_only = (external_attributes & 0x00800000) == 0;
  bool archive = true;
  bool hidden = false;
  bool system = false;
  if (host == 0 || host == 7 || host == 11 || host == 14) {
    read_only = (external_attributes & 0x01) != 0;
    hidden = (external_attributes & 0x02) != 0;
    system = (external_attributes & 0x04) != 0;
    directory = (external_attributes & 0x10) != 0;
    archive = (external_attributes & 0x20) != 0;
  }
  uint32_t attributes = 0;
  if (directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (archive) attributes |= FILE_ATTRIBUTE_ARCHIVE;
  if (hidden) attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (read_only) attributes |= FILE_ATTRIBUTE_READONLY;
  if (system) attributes |= FILE_ATTRIBUTE_SYSTEM;
  return attributes;
}

FILETIME DosDateTimeToFileTime(uint32_t dos_date_time) {
  const uint32_t date = dos_date_time >> 16;
  const uint32_t time = dos_date_time & 0xFFFF;
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>((date >> 9) + 1980);
  local.wMonth = static_cast<WORD>((date >> 5) & 15);
  local.wDay = static_cast<WORD>(date & 31);
  local.wHour = static_cast<WORD>(time >> 11);
  local.wMinute = static_cast<WORD>((time >> 5) & 63);
  local.wSecond = static_cast<WORD>((time & 31) * 2);
  FILETIME local_time = {};
  FILETIME utc = {};
  if (SystemTimeToFileTime(&local, &local_time)) LocalFileTimeToFileTime(&local_time, &utc);
  return utc;
}

FILETIME UnixTimeToFileTime(int32_t seconds) {
  const uint64_t value =
      static_cast<uint64_t>(static_cast<int64_t>(seconds) + 11644473600LL) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

void ApplyExtendedTimestamp(const uint8_t* extra, size_t length, ZipEntry* entry) {
  size_t start = 0;
  while (extra && start + 4 < length) {
    const size_t block_size = ReadUint16(extra + start + 2);
    const size_t data = start + 4;
    if (extra[start] == 'U' && extra[start + 1] == 'T') {
      // The block's own size and the field's end both bound what is read.
      const size_t end = data + block_size < length ? data + block_size : length;
      const uint8_t flags = extra[data];
      size_t position = data + 1;
      FILETIME* targets[] = {&entry->modificationTime, &entry->accessTime, &entry->creationTime};
      for (int bit = 0; bit < 3; ++bit) {
        if ((flags & (1 << bit)) == 0) continue;
        if (position + 4 > end) break;
        *targets[bit] = UnixTimeToFileTime(ReadInt32(extra + position));
        position += 4;
      }
      return;
    }
    start = data + block_size;
  }
}

bool IsPlausibleEntrySize(uint32_t method, bool encrypted, uint32_t compressed_size,
                          uint32_t uncompressed_size) {
  const uint32_t header = encrypted ? kEncryptionHeaderSize : 0;
  if (compressed_size < header) return false;
  const uint64_t payload = compressed_size - header;
  if (method == kMethodStored) return payload == uncompressed_size;
  if (method == kMethodDeflated) return uncompressed_size <= (payload + 1) * kDeflateMaxRatio;
  return false;
}

}  // namespace ui
