#include "ui/resources/zip_archive.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "base/string_util.h"
#include "ui/resources/global_manager.h"

namespace {

ZipResult g_last_zip_result = ZipResult::Ok;

// minizip refuses names this long; so does the lookup.
constexpr size_t kMaxLookupNameBytes = 256;
// unzReadCurrentFile counts in int: read larger buffers in slices.
constexpr uint32_t kMaxReadSlice = 1u << 30;

}  // namespace

struct ZipArchive::Source {
  int32_t kind = 0;
  HANDLE handle = nullptr;
  bool seekable = false;
  int64_t start = 0;
  const uint8_t* data = nullptr;
  uint64_t length = 0;
  uint64_t position = 0;
  // Whether the latest read came up short: minizip otherwise takes a read
  // past the end for zero bytes.
  bool failed = false;
};

namespace {

using Source = ZipArchive::Source;

voidpf ZCALLBACK SourceOpen(voidpf, const void* source, int) { return const_cast<void*>(source); }

uLong ZCALLBACK SourceRead(voidpf, voidpf stream, void* buffer, uLong size) {
  Source* source = static_cast<Source*>(stream);
  if (source->kind == kZipSourceMemory) {
    const uint64_t available =
        source->position < source->length ? source->length - source->position : 0;
    const uLong count = static_cast<uLong>(std::min<uint64_t>(size, available));
    std::memcpy(buffer, source->data + source->position, count);
    source->position += count;
    source->failed = count < size;
    return count;
  }
  DWORD read = 0;
  const bool read_ok = ReadFile(source->handle, buffer, size, &read, nullptr) != 0;
  source->failed = !read_ok || read < size;
  return read_ok ? read : 0;
}

uLong ZCALLBACK SourceWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK SourceTell(voidpf, voidpf stream) {
  Source* source = static_cast<Source*>(stream);
  if (source->kind == kZipSourceMemory) return source->position;
  LARGE_INTEGER position = {};
  LARGE_INTEGER zero = {};
  if (!source->seekable || !SetFilePointerEx(source->handle, zero, &position, FILE_CURRENT)) {
    return static_cast<ZPOS64_T>(-1);
  }
  return static_cast<ZPOS64_T>(position.QuadPart - source->start);
}

long ZCALLBACK SourceSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  Source* source = static_cast<Source*>(stream);
  if (source->kind == kZipSourceMemory) {
    uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = source->position;
    if (origin == ZLIB_FILEFUNC_SEEK_END) base = source->length;
    if (offset > source->length || base + offset > source->length) return -1;
    source->position = base + offset;
    return 0;
  }
  if (!source->seekable) return -1;
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  DWORD method = FILE_CURRENT;
  if (origin == ZLIB_FILEFUNC_SEEK_SET) {
    distance.QuadPart += source->start;
    method = FILE_BEGIN;
  } else if (origin == ZLIB_FILEFUNC_SEEK_END) {
    method = FILE_END;
  }
  return SetFilePointerEx(source->handle, distance, nullptr, method) ? 0 : -1;
}

int ZCALLBACK SourceClose(voidpf, voidpf) { return 0; }

int ZCALLBACK SourceError(voidpf, voidpf stream) {
  return static_cast<Source*>(stream)->failed ? 1 : 0;
}

bool CurrentFilePointer(HANDLE handle, int64_t* position) {
  LARGE_INTEGER zero = {};
  LARGE_INTEGER current = {};
  if (!SetFilePointerEx(handle, zero, &current, FILE_CURRENT)) return false;
  *position = current.QuadPart;
  return true;
}

}  // namespace

ZipResult GetLastZipResult() { return g_last_zip_result; }

void SetLastZipResult(ZipResult result) { g_last_zip_result = result; }

void ZipArchive::UnzipCloser::operator()(void* unzip) const { unzClose(unzip); }

ZipArchive::ZipArchive(const char* password) {
  if (password) password_ = std::make_unique<std::string>(password);
}

ZipArchive::~ZipArchive() { Close(); }

ZipResult ZipArchive::Open(const void* source, int32_t length, int32_t kind) {
  if (unzip_ || open_entry_ != -1) return ZipResult::AlreadyOpen;
  auto prepared = std::make_unique<Source>();
  prepared->kind = kind;
  if (kind == kZipSourceHandle || kind == kZipSourceFile) {
    HANDLE handle = const_cast<void*>(source);
    if (kind == kZipSourceHandle) {
      int64_t ignored = 0;
      if (!CurrentFilePointer(handle, &ignored)) return ZipResult::SeekFailed;
    } else {
      if (!source) return ZipResult::OpenFailed;
      owned_file_.Reset(CreateFileW(static_cast<const wchar_t*>(source), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
      if (!owned_file_.IsValid()) return ZipResult::OpenFailed;
      handle = owned_file_.Get();
    }
    prepared->handle = handle;
    prepared->seekable = CurrentFilePointer(handle, &prepared->start);
    if (!prepared->seekable) prepared->start = 0;
  } else if (kind == kZipSourceMemory) {
    if (!source || length < 0) return ZipResult::BadArguments;
    prepared->data = static_cast<const uint8_t*>(source);
    prepared->length = static_cast<uint64_t>(length);
  } else {
    return ZipResult::BadArguments;
  }

  zlib_filefunc64_def functions = {};
  functions.zopen64_file = SourceOpen;
  functions.zread_file = SourceRead;
  functions.zwrite_file = SourceWrite;
  functions.ztell64_file = SourceTell;
  functions.zseek64_file = SourceSeek;
  functions.zclose_file = SourceClose;
  functions.zerror_file = SourceError;
  unzip_.reset(unzOpen2_64(prepared.get(), &functions));
  if (!unzip_) {
    owned_file_.Reset();
    return ZipResult::OpenFailed;
  }
  source_ = std::move(prepared);
  return ZipResult::Ok;
}

int32_t ZipArchive::EntryCount() const {
  unz_global_info info = {};
  if (!unzip_ || unzGetGlobalInfo(unzip_.get(), &info) != UNZ_OK) return 0;
  return static_cast<int32_t>(
      std::min<uLong>(info.number_entry, std::numeric_limits<int32_t>::max()));
}

int32_t ZipArchive::CurrentIndex() const {
  unz_file_pos position = {};
  if (unzGetFilePos(unzip_.get(), &position) != UNZ_OK) return -1;
  return static_cast<int32_t>(position.num_of_file);
}

bool ZipArchive::PositionOn(int32_t index) {
  int32_t current = CurrentIndex();
  if (current < 0 || current > index) {
    if (unzGoToFirstFile(unzip_.get()) != UNZ_OK) return false;
    current = 0;
  }
  while (current < index) {
    if (unzGoToNextFile(unzip_.get()) != UNZ_OK) return false;
    current = CurrentIndex();
    if (current < 0) return false;
  }
  return current == index;
}

void ZipArchive::CloseOpenEntry() {
  if (open_entry_ != -1) unzCloseCurrentFile(unzip_.get());
  open_entry_ = -1;
}

ZipResult ZipArchive::GetEntry(int32_t index, ui::ZipEntry* entry) {
  if (!unzip_ || !entry) return ZipResult::BadArguments;
  const int32_t count = EntryCount();
  if (index < -1 || index >= count) return ZipResult::BadArguments;
  CloseOpenEntry();
  if (index == cached_index_ && index != -1) {
    *entry = cached_entry_;
    return ZipResult::Ok;
  }
  if (index == -1) {
    *entry = ui::ZipEntry();
    entry->index = count;
    return ZipResult::Ok;
  }
  if (!PositionOn(index)) return ZipResult::Corrupt;

  unz_file_info info = {};
  if (unzGetCurrentFileInfo(unzip_.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return ZipResult::Corrupt;
  }
  std::string utf8_name(info.size_filename, '\0');
  if (unzGetCurrentFileInfo(unzip_.get(), &info, utf8_name.data(),
                            static_cast<uLong>(utf8_name.size()), nullptr, 0, nullptr,
                            0) != UNZ_OK) {
    return ZipResult::Corrupt;
  }
  if (!ui::IsPlausibleEntrySize(info.compression_method, (info.flag & 1) != 0, info.compressed_size,
                                info.uncompressed_size)) {
    return ZipResult::Corrupt;
  }

  // Opening the entry raw checks its local header against the directory
  // without starting to inflate; the local extra field is then readable.
  const int opened = unzOpenCurrentFile3(unzip_.get(), nullptr, nullptr, 1, nullptr);
  if (opened != UNZ_OK) return opened == UNZ_ERRNO ? ZipResult::NotSeekable : ZipResult::Corrupt;
  std::vector<uint8_t> extra;
  const int extra_size = unzGetLocalExtrafield(unzip_.get(), nullptr, 0);
  if (extra_size > 0) {
    extra.resize(static_cast<size_t>(extra_size));
    const int read =
        unzGetLocalExtrafield(unzip_.get(), extra.data(), static_cast<unsigned>(extra_size));
    if (read != extra_size) {
      unzCloseCurrentFile(unzip_.get());
      return ZipResult::NotSeekable;
    }
  }
  unzCloseCurrentFile(unzip_.get());

  ui::ZipEntry built;
  built.index = CurrentIndex();
  std::wstring wide_name;
  qbase::MultiByteToWide(utf8_name, qbase::kCodePageUtf8, &wide_name);
  built.name = ui::CleanZipEntryName(wide_name);
  built.attributes = ui::ZipAttributesToWindows(info.version, info.external_fa);
  built.compressedSize = info.compressed_size;
  built.uncompressedSize = info.uncompressed_size;
  const FILETIME time = ui::DosDateTimeToFileTime(info.dosDate);
  built.accessTime = time;
  built.creationTime = time;
  built.modificationTime = time;
  ui::ApplyExtendedTimestamp(extra.data(), extra.size(), &built);

  cached_entry_ = built;
  cached_index_ = built.index;
  *entry = built;
  return ZipResult::Ok;
}

ZipResult ZipArchive::Locate(const std::wstring& name, int32_t* index) {
  if (!unzip_) return ZipResult::BadArguments;
  std::string utf8;
  qbase::WideToMultiByte(name, qbase::kCodePageUtf8, &utf8);
  if (utf8.empty() || utf8.size() >= kMaxLookupNameBytes || utf8.find('\0') != std::string::npos ||
      unzLocateFile(unzip_.get(), utf8.c_str(), 2) != UNZ_OK) {
    return ZipResult::NotFound;
  }
  CloseOpenEntry();
  *index = CurrentIndex();
  return *index < 0 ? ZipResult::NotFound : ZipResult::Ok;
}

ZipResult ZipArchive::UnzipEntry(int32_t index, void* buffer, uint32_t length) {
  if (!unzip_ || (!buffer && length > 0)) return ZipResult::BadArguments;
  if (index != open_entry_) {
    CloseOpenEntry();
    if (index < 0 || index >= EntryCount()) return ZipResult::BadArguments;
    if (!PositionOn(index)) return ZipResult::Corrupt;
    unz_file_info info = {};
    if (unzGetCurrentFileInfo(unzip_.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      return ZipResult::Corrupt;
    }
    // minizip decrypts whenever it is given a password, so only encrypted
    // entries get one. The minizip build at hand is made without decryption
    // and refuses every encrypted entry.
    const bool encrypted = (info.flag & 1) != 0;
    if (encrypted && !password_) return ZipResult::Password;
    const int opened =
        unzOpenCurrentFilePassword(unzip_.get(), encrypted ? password_->c_str() : nullptr);
    if (opened != UNZ_OK) {
      if (encrypted) return ZipResult::Password;
      return opened == UNZ_ERRNO ? ZipResult::NotSeekable : ZipResult::Corrupt;
    }
    open_entry_ = index;
  }

  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t delivered = 0;
  bool failed = false;
  while (delivered < length) {
    const uint32_t slice = std::min(length - delivered, kMaxReadSlice);
    const int read = unzReadCurrentFile(unzip_.get(), out + delivered, slice);
    if (read < 0) failed = true;
    if (read <= 0) break;
    delivered += static_cast<uint32_t>(read);
    if (static_cast<uint32_t>(read) < slice) break;
  }

  if (!failed && unzeof(unzip_.get()) == 1) {
    // The whole entry has arrived: closing checks its CRC.
    const int closed = unzCloseCurrentFile(unzip_.get());
    open_entry_ = -1;
    return closed == UNZ_OK ? ZipResult::Ok : ZipResult::Corrupt;
  }
  if (delivered == 0 || failed) CloseOpenEntry();
  if (!failed && delivered > 0) return ZipResult::More;
  return ZipResult::FlateError;
}

void ZipArchive::Close() {
  if (unzip_) CloseOpenEntry();
  unzip_.reset();
  open_entry_ = -1;
  cached_index_ = -1;
  source_.reset();
  owned_file_.Reset();
  password_.reset();
}

std::unique_ptr<ZipHandle> OpenZipArchive(const void* source, int32_t length, int32_t kind,
                                          const char* password) {
  auto handle = std::make_unique<ZipHandle>();
  handle->archive = std::make_unique<ZipArchive>(password);
  const ZipResult result = handle->archive->Open(source, length, kind);
  SetLastZipResult(result);
  if (result != ZipResult::Ok) return nullptr;
  return handle;
}

ZipResult FindZipEntry(const std::wstring& name, int32_t* index, ui::ZipEntry* entry) {
  ZipResult result = ZipResult::Ok;
  int32_t found = -1;
  ZipHandle* handle = ui::GlobalManager::resourceZip.get();
  if (!handle || !handle->archive) {
    result = ZipResult::BadArguments;
  } else if (handle->kind != kZipHandleRead) {
    result = ZipResult::WrongMode;
  } else {
    result = handle->archive->Locate(name, &found);
  }
  if (result == ZipResult::Ok) {
    if (index) *index = found;
    if (entry) result = handle->archive->GetEntry(found, entry);
  } else if (result == ZipResult::NotFound) {
    if (index) *index = -1;
    if (entry) *entry = ui::ZipEntry();
  }
  SetLastZipResult(result);
  return result;
}
