#include "tests/ui/resources/zip_fixture.h"

#include <zip.h>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

namespace test_support {

std::string BuildZip(const std::vector<ZipFixtureEntry>& entries) {
  ScratchDir dir;
  const std::string path = dir.ChildUtf8(L"fixture.zip");
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  EXPECT_NE(zip, nullptr);
  if (!zip) return std::string();
  for (const ZipFixtureEntry& entry : entries) {
    zip_fileinfo info = {};
    info.dosDate = entry.dosDateTime;
    info.external_fa = entry.externalAttributes;
    const int method = entry.deflate ? Z_DEFLATED : 0;
    const int level = entry.deflate ? Z_DEFAULT_COMPRESSION : 0;
    const char* password = entry.password.empty() ? nullptr : entry.password.c_str();
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                            static_cast<uInt>(entry.data.size()));
    EXPECT_EQ(zipOpenNewFileInZip4(zip, entry.name.c_str(), &info,
                                   entry.localExtra.empty() ? nullptr : entry.localExtra.data(),
                                   static_cast<uInt>(entry.localExtra.size()), nullptr, 0, nullptr,
                                   method, level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                   password, crc, entry.versionMadeBy, 0),
              ZIP_OK);
    EXPECT_EQ(zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())),
              ZIP_OK);
    EXPECT_EQ(zipCloseFileInZip(zip), ZIP_OK);
  }
  EXPECT_EQ(zipClose(zip, nullptr), ZIP_OK);
  return ReadFileBytes(dir.Child(L"fixture.zip"));
}

uint32_t ReadLittle32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes.at(offset + i));
  return value;
}

void WriteLittle16(std::string* bytes, size_t offset, uint16_t value) {
  bytes->at(offset) = static_cast<char>(value & 0xFF);
  bytes->at(offset + 1) = static_cast<char>(value >> 8);
}

void WriteLittle32(std::string* bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes->at(offset + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

size_t FindCentralDirectory(const std::string& bytes) {
  return bytes.find(std::string("PK\x01\x02", 4));
}

}  // namespace test_support
