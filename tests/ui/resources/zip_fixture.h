#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// One entry of a zip made at test time.
struct ZipFixtureEntry {
  std::string name;  // UTF-8, written as given
  std::string data;
  bool deflate = true;
  uint32_t dosDateTime = 0x52A16000;  // 2021-05-01 12:00:00
  uint32_t versionMadeBy = 0;         // host in the high byte
  uint32_t externalAttributes = 0;
  std::string localExtra;  // the local header's extra field
  std::string password;    // encrypts the entry when not empty
};

// The bytes of a zip holding the entries in order, written by minizip.
std::string BuildZip(const std::vector<ZipFixtureEntry>& entries);

// Little-endian field access for patching fixtures.
uint32_t ReadLittle32(const std::string& bytes, size_t offset);
void WriteLittle16(std::string* bytes, size_t offset, uint16_t value);
void WriteLittle32(std::string* bytes, size_t offset, uint32_t value);
// Offset of the first central-directory record (signature PK\1\2).
size_t FindCentralDirectory(const std::string& bytes);

}  // namespace test_support
