#include "ui/resources/zip_entry.h"

#include <gtest/gtest.h>

namespace {

TEST(ZipEntryTest, CleanZipEntryNameTable) {
  const struct {
    const wchar_t* name;
    const wchar_t* cleaned;
  } cases[] = {
      {L"C:\\data\\a.png", L"data\\a.png"},
      {L"\\data\\a.png", L"data\\a.png"},
      {L"x\\..\\data\\a.png", L"data\\a.png"},
      {L"/a/b.png", L"a/b.png"},
      {L"a/../../b.png", L"b.png"},
      {L"a\\../b", L"b"},
      {L"a/..\\b", L"b"},
      {L"C:/../C:\\x", L"x"},
      // Where the lookup rule differs: "\\" and "./" stay, ".." cuts instead of folding.
      {L"a\\b.png", L"a\\b.png"},
      {L"./x", L"./x"},
      {L"c:/a/../b", L"b"},
      {L"a/b/../c", L"c"},
      {L"..", L".."},
      {L"a..b/c", L"a..b/c"},
      {L":", L":"},
      {L"", L""},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::CleanZipEntryName(item.name), item.cleaned) << item.name;
  }
}

TEST(ZipEntryTest, AttributesFollowTheHostOfTheEntry) {
  const uint32_t kArchive = FILE_ATTRIBUTE_ARCHIVE;
  const struct {
    uint32_t version_made_by;
    uint32_t external;
    uint32_t expected;
  } cases[] = {
      {0x0014, 0x00, kArchive & 0},                        // DOS, nothing set
      {0x0014, 0x21, kArchive | FILE_ATTRIBUTE_READONLY},  // DOS read-only archive
      {0x0B14, 0x16, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
      {0x0314, 0x41ED0000, FILE_ATTRIBUTE_DIRECTORY | kArchive},  // Unix drwxr-xr-x
      {0x0314, 0x81240000, kArchive | FILE_ATTRIBUTE_READONLY},   // Unix -r--r--r--
      {0x0314, 0x81A40010, kArchive},  // Unix -rw-r--r--; the DOS byte is ignored
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::ZipAttributesToWindows(item.version_made_by, item.external), item.expected)
        << std::hex << item.version_made_by << " " << item.external;
  }
}

TEST(ZipEntryTest, ExtendedTimestampIsReadWithinItsBounds) {
  const FILETIME dos_time = ui::DosDateTimeToFileTime(0x52A16000);
  const FILETIME year_2021 = ui::UnixTimeToFileTime(1609459200);
  auto fresh = [&] {
    ui::ZipEntry entry;
    entry.modificationTime = entry.accessTime = entry.creationTime = dos_time;
    return entry;
  };
  auto same = [](const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
  };
  const std::string stamp("\x00\x66\xEE\x5F", 4);
  const struct {
    const char* label;
    std::string extra;
    bool modified;
    bool accessed;
    bool created;
  } cases[] = {
      {"modification only", std::string("UT\x05\x00\x01", 5) + stamp, true, false, false},
      {"all three", std::string("UT\x0D\x00\x07", 5) + stamp + stamp + stamp, true, true, true},
      {"after another block", std::string("ab\x02\x00zzUT\x05\x00\x02", 11) + stamp, false, true,
       false},
      {"block cut short", std::string("UT\x05\x00\x01\x00\xE6", 7), false, false, false},
      {"size beyond the field", std::string("UT\xFF\x00\x03", 5) + stamp, true, false, false},
      {"no flags byte", std::string("UT\x00\x00", 4), false, false, false},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    ui::ZipEntry entry = fresh();
    ui::ApplyExtendedTimestamp(reinterpret_cast<const uint8_t*>(item.extra.data()),
                               item.extra.size(), &entry);
    EXPECT_TRUE(same(entry.modificationTime, item.modified ? year_2021 : dos_time));
    EXPECT_TRUE(same(entry.accessTime, item.accessed ? year_2021 : dos_time));
    EXPECT_TRUE(same(entry.creationTime, item.created ? year_2021 : dos_time));
  }
}

TEST(ZipEntryTest, DosTimeIsReadAsLocalTime) {
  // The tests run with TZ=UTC, so local time and UTC agree.
  SYSTEMTIME time = {};
  const FILETIME converted = ui::DosDateTimeToFileTime(0x52A1637C);
  FileTimeToSystemTime(&converted, &time);
  EXPECT_EQ(time.wYear, 2021);
  EXPECT_EQ(time.wMonth, 5);
  EXPECT_EQ(time.wDay, 1);
  EXPECT_EQ(time.wHour, 12);
  EXPECT_EQ(time.wMinute, 27);
  EXPECT_EQ(time.wSecond, 56);
}

TEST(ZipEntryTest, PlausibleSizesTable) {
  const struct {
    uint32_t method;
    bool encrypted;
    uint32_t compressed;
    uint32_t uncompressed;
    bool plausible;
  } cases[] = {
      {0, false, 10, 10, true}, {0, false, 10, 11, false},     {0, true, 22, 10, true},
      {0, true, 5, 0, false},   {8, false, 100, 104000, true}, {8, false, 100, 0x7FFFFFFF, false},
      {8, false, 0, 0, true},   {12, false, 10, 10, false},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(
        ui::IsPlausibleEntrySize(item.method, item.encrypted, item.compressed, item.uncompressed),
        item.plausible)
        << item.method << " " << item.compressed << " " << item.uncompressed;
  }
}

}  // namespace
