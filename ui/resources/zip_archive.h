#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/scoped_handle.h"
#include "ui/resources/zip_entry.h"

// Results of the skin package reader; the latest is kept process-wide.
enum class ZipResult : int32_t {
  Ok = 0,
  OpenFailed = 0x200,      // cannot open, or not a readable zip
  NotFound = 0x500,        // no entry of that name
  More = 0x600,            // the buffer filled before the entry ended
  Corrupt = 0x700,         // headers disagree, or the data fails its check
  NotSeekable = 0x800,     // a read fell short
  Password = 0x1000,       // an encrypted entry cannot be read
  BadArguments = 0x10000,  // bad index or source kind, or no package open
  WrongMode = 0x80000,     // the handle was not opened for reading
  AlreadyOpen = 0x1000000,
  SeekFailed = 0x2000000,  // the file handle cannot report its position
  FlateError = 0x5000000,  // decompression failed
};

// Sources a package is opened from.
constexpr int32_t kZipSourceHandle = 1;  // an open file handle (not owned), read from its position
constexpr int32_t kZipSourceFile = 2;    // a wide file name, opened and owned
constexpr int32_t kZipSourceMemory = 3;  // a block read in place; it must outlive the package

// The one kind of handle this reader makes.
constexpr int32_t kZipHandleRead = 1;

ZipResult GetLastZipResult();
void SetLastZipResult(ZipResult result);

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
  ZipResult Open(const void* source, int32_t length, int32_t kind);
  // Index -1 reports the entry count in `entry->index`.
  ZipResult GetEntry(int32_t index, ui::ZipEntry* entry);
  // Finds an entry by its UTF-8 name (ASCII letters in any case).
  ZipResult Locate(const std::wstring& name, int32_t* index);
  // Unpacks into the buffer, continuing where the last call with the same
  // index stopped: ZipResult::More until the piece that reaches the end, then
  // ZipResult::Ok.
  ZipResult UnzipEntry(int32_t index, void* buffer, uint32_t length);
  // Releases the open entry, the package and the file it owns.
  void Close();

  // How minizip reads the package: one of the three sources.
  struct Source;

 private:
  int32_t EntryCount() const;
  bool PositionOn(int32_t index);
  int32_t CurrentIndex() const;
  void CloseOpenEntry();

  // Closes minizip's state of an open package.
  struct UnzipCloser {
    void operator()(void* unzip) const;
  };

  std::unique_ptr<void, UnzipCloser> unzip_;  // minizip's state of the open package
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
ZipResult FindZipEntry(const std::wstring& name, int32_t* index, ui::ZipEntry* entry);
