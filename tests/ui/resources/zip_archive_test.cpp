#include "ui/resources/zip_archive.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/ui/resources/zip_fixture.h"
#include "ui/resources/global_manager.h"

namespace {

using test_support::BuildZip;
using test_support::ZipFixtureEntry;

const std::string kLongText(5000, 'x');

std::vector<ZipFixtureEntry> SampleEntries() {
  ZipFixtureEntry stored;
  stored.name = "resources/lang/en.ini";
  stored.data = "STRING_CONFIRM = OK\n";
  stored.deflate = false;
  ZipFixtureEntry deflated;
  deflated.name = "resources/themes/default/global.xml";
  deflated.data = "<Global>" + kLongText + "</Global>";
  ZipFixtureEntry empty;
  empty.name = "resources/empty.txt";
  return {stored, deflated, empty};
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::unique_ptr<ZipHandle> OpenMemory(const std::string& bytes) {
  return OpenZipArchive(bytes.data(), static_cast<int32_t>(bytes.size()), kZipSourceMemory, "");
}

std::string Unzip(ZipArchive* archive, int32_t index, uint32_t size, ZipResult* result) {
  std::string out(size, '\0');
  *result = archive->UnzipEntry(index, out.data(), size);
  return out;
}

// Puts a package where FindZipEntry looks and takes it away again.
class ScopedResourceZip {
 public:
  explicit ScopedResourceZip(std::unique_ptr<ZipHandle> handle) {
    ui::GlobalManager::resourceZip = std::move(handle);
  }
  ~ScopedResourceZip() { ui::GlobalManager::resourceZip.reset(); }
};

TEST(ZipArchiveTest, MemoryPackageDescribesAndUnpacksStoredDeflatedAndEmptyEntries) {
  const std::string bytes = BuildZip(SampleEntries());
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GetLastZipResult(), ZipResult::Ok);
  ZipArchive* archive = handle->archive.get();

  ui::ZipEntry count;
  ASSERT_EQ(archive->GetEntry(-1, &count), ZipResult::Ok);
  EXPECT_EQ(count.index, 3);
  EXPECT_TRUE(count.name.empty());

  const std::vector<ZipFixtureEntry> expected = SampleEntries();
  // Out of order on purpose: positioning must rewind for an earlier entry.
  for (int32_t index : {1, 0, 2, 1}) {
    SCOPED_TRACE(index);
    ui::ZipEntry entry;
    ASSERT_EQ(archive->GetEntry(index, &entry), ZipResult::Ok);
    EXPECT_EQ(entry.index, index);
    EXPECT_EQ(entry.name, Wide(expected[index].name));
    EXPECT_EQ(entry.uncompressedSize, expected[index].data.size());
    ZipResult result = ZipResult::BadArguments;
    EXPECT_EQ(Unzip(archive, index, entry.uncompressedSize, &result), expected[index].data);
    EXPECT_EQ(result, ZipResult::Ok);
  }
  ui::ZipEntry beyond;
  EXPECT_EQ(archive->GetEntry(3, &beyond), ZipResult::BadArguments);
  EXPECT_EQ(archive->GetEntry(-2, &beyond), ZipResult::BadArguments);
  char byte = 0;
  EXPECT_EQ(archive->UnzipEntry(3, &byte, 1), ZipResult::BadArguments);
}

TEST(ZipArchiveTest, SmallerBufferReceivesTheEntryInPieces) {
  const std::string bytes = BuildZip(SampleEntries());
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  ZipArchive* archive = handle->archive.get();
  const std::string text = SampleEntries()[1].data;
  std::string out(text.size(), '\0');
  ASSERT_EQ(archive->UnzipEntry(1, out.data(), static_cast<uint32_t>(text.size() - 1)),
            ZipResult::More);
  ASSERT_EQ(archive->UnzipEntry(1, &out[text.size() - 1], 1), ZipResult::Ok);
  EXPECT_EQ(out, text);
  // A lookup in between closes the open entry: the next unpack starts over.
  std::string again(10, '\0');
  ASSERT_EQ(archive->UnzipEntry(1, again.data(), 10), ZipResult::More);
  ui::ZipEntry entry;
  ASSERT_EQ(archive->GetEntry(0, &entry), ZipResult::Ok);
  ASSERT_EQ(archive->UnzipEntry(1, again.data(), 10), ZipResult::More);
  EXPECT_EQ(again, text.substr(0, 10));
}

TEST(ZipArchiveTest, OpensFromFileNameAndFromHandlePosition) {
  test_support::ScratchDir dir;
  const std::string bytes = BuildZip(SampleEntries());
  const std::wstring plain = dir.Child(L"\u76AE\u819A.zip");
  test_support::WriteFileBytes(plain, bytes);
  auto by_name = OpenZipArchive(plain.c_str(), 0, kZipSourceFile, "");
  ASSERT_NE(by_name, nullptr);
  ZipResult result = ZipResult::BadArguments;
  EXPECT_EQ(Unzip(by_name->archive.get(), 0, 20, &result), SampleEntries()[0].data);
  EXPECT_EQ(result, ZipResult::Ok);

  // The handle's position counts as the start of the package.
  const std::wstring prefixed = dir.Child(L"prefixed.bin");
  test_support::WriteFileBytes(prefixed, std::string(100, 'j') + bytes);
  HANDLE file = CreateFileW(prefixed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFilePointer(file, 100, nullptr, FILE_BEGIN);
  {
    auto by_handle = OpenZipArchive(file, 0, kZipSourceHandle, nullptr);
    ASSERT_NE(by_handle, nullptr);
    const std::string text = SampleEntries()[1].data;
    EXPECT_EQ(Unzip(by_handle->archive.get(), 1, static_cast<uint32_t>(text.size()), &result),
              text);
    EXPECT_EQ(result, ZipResult::Ok);
  }
  CloseHandle(file);
}

TEST(ZipArchiveTest, OpenFailuresLeaveNothingAndReportTheirCode) {
  test_support::ScratchDir dir;
  const std::wstring missing = dir.Child(L"missing.zip");
  EXPECT_EQ(OpenZipArchive(missing.c_str(), 0, kZipSourceFile, ""), nullptr);
  EXPECT_EQ(GetLastZipResult(), ZipResult::OpenFailed);

  const std::string bytes = BuildZip(SampleEntries());
  const struct {
    const char* label;
    std::string source;
  } broken[] = {
      {"not a zip", std::string(300, 'z')},
      {"end record cut off", bytes.substr(0, bytes.size() - 10)},
      {"empty", std::string()},
  };
  for (const auto& item : broken) {
    SCOPED_TRACE(item.label);
    EXPECT_EQ(OpenMemory(item.source), nullptr);
    EXPECT_EQ(GetLastZipResult(), ZipResult::OpenFailed);
  }

  EXPECT_EQ(OpenZipArchive(bytes.data(), static_cast<int32_t>(bytes.size()), 7, ""), nullptr);
  EXPECT_EQ(GetLastZipResult(), ZipResult::BadArguments);
  EXPECT_EQ(OpenZipArchive(INVALID_HANDLE_VALUE, 0, kZipSourceHandle, ""), nullptr);
  EXPECT_EQ(GetLastZipResult(), ZipResult::SeekFailed);

  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(
      handle->archive->Open(bytes.data(), static_cast<int32_t>(bytes.size()), kZipSourceMemory),
      ZipResult::AlreadyOpen);
}

TEST(ZipArchiveTest, EntryWhoseLocalHeaderDisagreesIsCorrupt) {
  std::string bytes = BuildZip(SampleEntries());
  // The first local header's compression method: stored becomes deflated.
  test_support::WriteLittle16(&bytes, 8, 8);
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  ui::ZipEntry entry;
  EXPECT_EQ(handle->archive->GetEntry(0, &entry), ZipResult::Corrupt);
  EXPECT_EQ(handle->archive->GetEntry(1, &entry), ZipResult::Ok);
}

TEST(ZipArchiveTest, DamagedDirectoryRecordFailsEveryEntryCleanly) {
  std::string bytes = BuildZip(SampleEntries());
  // The first central-directory record loses its signature; the end record
  // still points at it.
  test_support::WriteLittle32(&bytes, test_support::FindCentralDirectory(bytes), 0x12345678);
  // minizip opens the package (it only reads the end record); the entries fail.
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  ui::ZipEntry entry;
  EXPECT_EQ(handle->archive->GetEntry(0, &entry), ZipResult::Corrupt);
  EXPECT_EQ(handle->archive->GetEntry(2, &entry), ZipResult::Corrupt);
  char buffer[16];
  EXPECT_EQ(handle->archive->UnzipEntry(1, buffer, sizeof(buffer)), ZipResult::Corrupt);
  int32_t index = 0;
  EXPECT_EQ(handle->archive->Locate(L"resources/lang/en.ini", &index), ZipResult::NotFound);
}

TEST(ZipArchiveTest, DataThatFailsItsChecksumIsCorrupt) {
  std::string bytes = BuildZip(SampleEntries());
  // One byte of the stored entry's data changes; its headers stay as they were.
  const size_t data = bytes.find("STRING_CONFIRM = OK");
  ASSERT_NE(data, std::string::npos);
  bytes[data] = 's';
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  ZipResult result = ZipResult::Ok;
  Unzip(handle->archive.get(), 0, static_cast<uint32_t>(SampleEntries()[0].data.size()), &result);
  EXPECT_EQ(result, ZipResult::Corrupt);
}

TEST(ZipArchiveTest, ClaimedSizeBeyondWhatTheDataCanHoldIsRefused) {
  std::vector<ZipFixtureEntry> entries = SampleEntries();
  std::string bytes = BuildZip({entries[1]});
  // Claim 2 GiB in both headers: the directory agrees with itself but not
  // with what a few hundred compressed bytes can expand to.
  test_support::WriteLittle32(&bytes, 22, 0x7FFFFFFF);
  test_support::WriteLittle32(&bytes, test_support::FindCentralDirectory(bytes) + 24, 0x7FFFFFFF);
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  ui::ZipEntry entry;
  EXPECT_EQ(handle->archive->GetEntry(0, &entry), ZipResult::Corrupt);

  ScopedResourceZip package(std::move(handle));
  EXPECT_EQ(ui::GlobalManager::GetZipData(L"resources\\themes\\default\\global.xml"), nullptr);
}

TEST(ZipArchiveTest, ShortDeflatedDataFailsInsteadOfPassingAsWhole) {
  std::vector<ZipFixtureEntry> entries = SampleEntries();
  std::string bytes = BuildZip({entries[1]});
  const uint32_t real_size = static_cast<uint32_t>(entries[1].data.size());
  // One byte more than the stream holds, in both headers.
  test_support::WriteLittle32(&bytes, 22, real_size + 1);
  test_support::WriteLittle32(&bytes, test_support::FindCentralDirectory(bytes) + 24,
                              real_size + 1);
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  ZipResult result = ZipResult::Ok;
  Unzip(handle->archive.get(), 0, real_size + 1, &result);
  EXPECT_NE(result, ZipResult::Ok);
}

TEST(ZipArchiveTest, EncryptedEntriesAreRefusedAndThePasswordSparesPlainOnes) {
  ZipFixtureEntry secret;
  secret.name = "secret.txt";
  secret.data = "hidden";
  secret.password = "pass";
  ZipFixtureEntry plain;
  plain.name = "plain.txt";
  plain.data = "open";
  const std::string bytes = BuildZip({secret, plain});
  for (const char* password : {"pass", "wrong", "", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(password ? password : "(none)");
    auto handle = OpenZipArchive(bytes.data(), static_cast<int32_t>(bytes.size()), kZipSourceMemory,
                                 password);
    ASSERT_NE(handle, nullptr);
    ZipResult result = ZipResult::BadArguments;
    Unzip(handle->archive.get(), 0, 6, &result);
    EXPECT_EQ(result, ZipResult::Password);
    EXPECT_EQ(Unzip(handle->archive.get(), 1, 4, &result), "open");
    EXPECT_EQ(result, ZipResult::Ok);
  }
}

TEST(ZipArchiveTest, EntryNamesAreCleaned) {
  const char* names[] = {"C:\\data\\a.png", "\\data\\a.png", "x\\..\\data\\a.png",
                         "../../data\\a.png"};
  std::vector<ZipFixtureEntry> entries;
  for (const char* name : names) {
    ZipFixtureEntry entry;
    entry.name = name;
    entry.data = "png";
    entries.push_back(entry);
  }
  const std::string bytes = BuildZip(entries);
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);
  for (int32_t index = 0; index < 4; ++index) {
    SCOPED_TRACE(names[index]);
    ui::ZipEntry entry;
    ASSERT_EQ(handle->archive->GetEntry(index, &entry), ZipResult::Ok);
    EXPECT_EQ(entry.name, L"data\\a.png");
  }
}

TEST(ZipArchiveTest, FindZipEntryMatchesAsciiCaseButNotOtherSeparators) {
  ZipFixtureEntry lang;
  lang.name = "resources/lang/en.ini";
  lang.data = "STRING_CONFIRM = OK";
  ZipFixtureEntry cjk;
  cjk.name = "resources/\xE7\x9A\xAE.txt";
  cjk.data = "skin";
  const std::string bytes = BuildZip({lang, cjk});

  int32_t index = 5;
  ui::ZipEntry entry;
  EXPECT_EQ(FindZipEntry(L"resources/lang/en.ini", &index, &entry), ZipResult::BadArguments);

  ScopedResourceZip package(OpenMemory(bytes));
  const struct {
    std::wstring name;
    ZipResult result;
    int32_t index;
  } cases[] = {
      {L"Resources/Lang/EN.ini", ZipResult::Ok, 0},
      {L"resources/lang/en.ini", ZipResult::Ok, 0},
      {L"resources\\lang\\en.ini", ZipResult::NotFound, -1},
      {L"resources/\u76AE.txt", ZipResult::Ok, 1},
      {L"resources/lang/missing.ini", ZipResult::NotFound, -1},
      {L"", ZipResult::NotFound, -1},
      {std::wstring(256, L'a'), ZipResult::NotFound, -1},
  };
  for (const auto& item : cases) {
    SCOPED_TRACE(testing::Message() << item.name.size());
    index = 5;
    entry = ui::ZipEntry();
    EXPECT_EQ(FindZipEntry(item.name, &index, &entry), item.result);
    EXPECT_EQ(GetLastZipResult(), item.result);
    EXPECT_EQ(index, item.index);
    EXPECT_EQ(entry.index, item.index);
  }
  EXPECT_EQ(FindZipEntry(L"resources/lang/en.ini", nullptr, nullptr), ZipResult::Ok);
}

TEST(ZipArchiveTest, TimesAndAttributesComeFromTheDirectoryAndTheExtendedTimestamp) {
  ZipFixtureEntry unix_file;
  unix_file.name = "a.png";
  unix_file.data = "a";
  unix_file.versionMadeBy = 0x0314;               // Unix host
  unix_file.externalAttributes = 0100444u << 16;  // regular file, no write bit
  // "UT", size 5, flags: modification time only, 2021-01-01 00:00:00 UTC.
  unix_file.localExtra = std::string("UT\x05\x00\x01", 5);
  unix_file.localExtra += std::string("\x00\x66\xEE\x5F", 4);
  ZipFixtureEntry dos_file;
  dos_file.name = "b.png";
  dos_file.data = "b";
  dos_file.externalAttributes = 0x22;  // hidden, archive
  const std::string bytes = BuildZip({unix_file, dos_file});
  auto handle = OpenMemory(bytes);
  ASSERT_NE(handle, nullptr);

  ui::ZipEntry entry;
  ASSERT_EQ(handle->archive->GetEntry(0, &entry), ZipResult::Ok);
  EXPECT_EQ(entry.attributes,
            static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
  SYSTEMTIME modified = {};
  FileTimeToSystemTime(&entry.modificationTime, &modified);
  EXPECT_EQ(modified.wYear, 2021);
  EXPECT_EQ(modified.wMonth, 1);
  EXPECT_EQ(modified.wDay, 1);
  SYSTEMTIME accessed = {};
  FileTimeToSystemTime(&entry.accessTime, &accessed);
  EXPECT_EQ(accessed.wYear, 2021);
  EXPECT_EQ(accessed.wMonth, 5);  // the DOS time of the directory
  EXPECT_EQ(accessed.wHour, 12);

  ASSERT_EQ(handle->archive->GetEntry(1, &entry), ZipResult::Ok);
  EXPECT_EQ(entry.attributes,
            static_cast<uint32_t>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
}

}  // namespace
