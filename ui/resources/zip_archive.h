#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_handle.h"
#include "ui/resources/zip_entry.h"

// Results of the skin package reader; the latest is kept process-wide.
constexpr int32_t kZipOk = 0;
constexpr int32_t kZipOpenFailed = 0x200;
constexpr int32_t kZipNotFound = 0x500;
constexpr int32_t kZipMore = 0x600;
constexpr int32_t kZipCorrupt = 0x700;
constexpr int32_t kZipNotSeekable = 0x800;
constexpr int32_t kZipPassword = 0x1000;
constexpr int32_t kZipBadArguments = 0x10000;
constexpr int32_t kZipWrongMode = 0x80000;
constexpr int32_t kZipAlreadyOpen = 0x1000000;
constexpr int32_t kZipSeekFailed = 0x2000000;
constexpr int32_t kZipFlateError = 0x5000000;

// Sources a package is opened from.
constexpr int32_t kZipSourceHandle = 1;  // an open file handle (not owned), read from its position
constexpr int32_t kZipSourceFile = 2;    // a wide file name, opened and owned
constexpr int32_t kZipSourceMemory = 3;  // a block read in place; it must outlive the package

// The one kind of handle this reader makes.
constexpr int32_t kZipHandleRead = 1;

int32_t GetLastZipResult();
void SetLastZipResult(int32_t result);

// A read-only zip package over a handle, a file or memory, with at most one
// entry open for unpacking at a time. UI thread only.
class ZipArchive {
 public:
  // `password` is copied (an empty text too); null means none.
  explicit ZipArchive(const char* password);
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // `source` is a HANDLE, a wide file name or a memory block, by `kind`;
  // `length` counts the memory block's bytes.
  int32_t Open(const void* source, int32_t length, int32_t kind);
  // Index -1 reports the entry count in `entry->index`.
  int32_t GetEntry(int32_t index, ui::ZipEntry* entry);
  // Finds an entry by its UTF-8 name (ASCII letters in any case).
  int32_t Locate(const std::wstring& name, int32_t* index);
  // Unpacks into the buffer, continuing where the last call with the same
  // index stopped: kZipMore until the piece that reaches the end, then kZipOk.
  int32_t UnzipEntry(int32_t index, void* buffer, uint32_t length);
  // Releases the open entry, the package and the file it owns.
  void Close();

  // How minizip reads the package: one of the three sources.
  struct Source;

 private:
  int32_t EntryCount() const;
  bool PositionOn(int32_t index);
  int32_t CurrentIndex() const;
  void CloseOpenEntry();

  void* unzip_ = nullptr;  // minizip's state of the open package
  int32_t open_entry_ = -1;
  ui::ZipEntry cached_entry_;
  int32_t cached_index_ = -1;
  std::unique_ptr<std::string> password_;
  std::unique_ptr<Source> source_;
  qbase::ScopedHandle owned_file_;
};

struct ZipHandle {
  int32_t kind = kZipHandleRead;
  std::unique_ptr<ZipArchive> archive;
};

// Opens a package; the result is also the last zip result. Null on failure.
std::unique_ptr<ZipHandle> OpenZipArchive(const void* source, int32_t length, int32_t kind,
                                          const char* password);

// Looks an entry up by name in the package of ui::GlobalManager::resourceZip.
// `index` and `entry` may be null. Sets the last zip result.
int32_t FindZipEntry(const std::wstring& name, int32_t* index, ui::ZipEntry* entry);
