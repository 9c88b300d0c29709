#include "launcher/update/patch_apply.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "base/file_io.h"
#include "base/scoped_handle.h"
#include "base/string_util.h"
#include "launcher/update/patch_format.h"

namespace {

// The most ReadFile and WriteFile move in one call here.
constexpr size_t kLargestFileCall = 1u << 30;

PatchOutcome Failure(PatchResult result, unsigned long system_error = 0) {
  PatchOutcome outcome;
  outcome.result = result;
  outcome.systemError = system_error;
  return outcome;
}

std::wstring AnsiToWide(const std::string& path) {
  std::wstring wide;
  qbase::MultiByteToWide(path, qbase::kCodePageAnsi, &wide);
  return wide;
}

bool ReadExactly(HANDLE file, uint8_t* bytes, size_t count) {
  while (count > 0) {
    const DWORD wanted = static_cast<DWORD>(std::min(count, kLargestFileCall));
    DWORD read = 0;
    if (!ReadFile(file, bytes, wanted, &read, nullptr) || read == 0) return false;
    bytes += read;
    count -= read;
  }
  return true;
}

bool WriteExactly(HANDLE file, const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const DWORD wanted = static_cast<DWORD>(std::min(count, kLargestFileCall));
    DWORD written = 0;
    if (!WriteFile(file, bytes, wanted, &written, nullptr) || written == 0) return false;
    bytes += written;
    count -= written;
  }
  return true;
}

class HandleOldFile : public PatchOldFile {
 public:
  HandleOldFile(HANDLE file, int64_t size) : file_(file), size_(size) {}
  int64_t size() const override { return size_; }
  bool ReadAt(int64_t position, uint8_t* bytes, size_t count) override {
    LARGE_INTEGER offset;
    offset.QuadPart = position;
    return SetFilePointerEx(file_, offset, nullptr, FILE_BEGIN) && ReadExactly(file_, bytes, count);
  }

 private:
  HANDLE file_;
  int64_t size_;
};

class HandleNewFile : public PatchNewFile {
 public:
  explicit HandleNewFile(HANDLE file) : file_(file) {}
  bool Append(const uint8_t* bytes, size_t count) override {
    return WriteExactly(file_, bytes, count);
  }

 private:
  HANDLE file_;
};

class MemoryOldFile : public PatchOldFile {
 public:
  explicit MemoryOldFile(std::string_view bytes) : bytes_(bytes) {}
  int64_t size() const override { return static_cast<int64_t>(bytes_.size()); }
  bool ReadAt(int64_t position, uint8_t* bytes, size_t count) override {
    if (position < 0 || static_cast<uint64_t>(position) > bytes_.size() ||
        bytes_.size() - static_cast<size_t>(position) < count) {
      return false;
    }
    std::memcpy(bytes, bytes_.data() + position, count);
    return true;
  }

 private:
  std::string_view bytes_;
};

class MemoryNewFile : public PatchNewFile {
 public:
  explicit MemoryNewFile(std::string* bytes) : bytes_(bytes) {}
  bool Append(const uint8_t* bytes, size_t count) override {
    try {
      bytes_->append(reinterpret_cast<const char*>(bytes), count);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }

 private:
  std::string* bytes_;
};

// The header of a payload whose control and diff blocks begin inside it.
PatchResult CheckPayload(std::string_view payload, PatchHeader* header) {
  const std::optional<PatchHeader> parsed = ParsePatchHeader(payload);
  if (!parsed) return PatchResult::BadHeader;
  const uint64_t after_header = payload.size() - kPatchHeaderSize;
  if (static_cast<uint64_t>(parsed->controlLength) > after_header) {
    return PatchResult::ControlBlockOutside;
  }
  if (static_cast<uint64_t>(parsed->diffLength) > after_header - parsed->controlLength) {
    return PatchResult::DiffBlockOutside;
  }
  *header = *parsed;
  return PatchResult::Ok;
}

PatchOutcome RunSteps(std::string_view payload, const PatchHeader& header, PatchOldFile* old_file,
                      PatchNewFile* new_file, const PatchCancelCheck& cancel) {
  const size_t buffer_size =
      static_cast<size_t>(std::clamp<int64_t>(header.newSize, 1, kPatchChunkSize));
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[buffer_size]);
  if (!buffer) return Failure(PatchResult::BufferNotAllocated);
  PatchOutcome outcome;
  outcome.step = RunPatchSteps(payload, header, old_file, new_file, buffer.get(), cancel);
  if (outcome.step != PatchStepResult::Ok) outcome.result = PatchResult::StepFailed;
  return outcome;
}

// Reads and decompresses the patch file and checks its header.
PatchOutcome LoadPayload(const std::wstring& patch_path, std::string* payload,
                         PatchHeader* header) {
  std::string container;
  {
    qbase::ScopedHandle file(CreateFileW(patch_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return Failure(PatchResult::PatchUnreadable, GetLastError());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) {
      return Failure(PatchResult::PatchUnreadable, GetLastError());
    }
    try {
      container.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
      return Failure(PatchResult::PatchUnreadable, ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!ReadExactly(file.Get(), reinterpret_cast<uint8_t*>(container.data()), container.size())) {
      return Failure(PatchResult::PatchUnreadable, GetLastError());
    }
  }
  PatchOutcome outcome;
  outcome.container = ReadPatchContainer(container, payload);
  if (outcome.container != PatchContainerResult::Ok) {
    outcome.result = PatchResult::PatchUnreadable;
    return outcome;
  }
  outcome.result = CheckPayload(*payload, header);
  return outcome;
}

}  // namespace

int PatchOutcome::code() const {
  if (result == PatchResult::PatchUnreadable) return static_cast<int>(systemError);
  if (result == PatchResult::StepFailed) return static_cast<int>(step);
  return 0;
}

PatchOutcome ApplyPatchFileW(const std::wstring& old_path, const std::wstring& new_path,
                             const std::wstring& patch_path, const PatchCancelCheck& cancel) {
  std::string payload;
  PatchHeader header;
  PatchOutcome outcome = LoadPayload(patch_path, &payload, &header);
  if (!outcome.ok()) return outcome;

  const std::wstring partial_path = new_path + L".patching.tmp";
  {
    qbase::ScopedHandle old_handle(CreateFileW(old_path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                               nullptr));
    LARGE_INTEGER old_size;
    if (!old_handle.IsValid() || !GetFileSizeEx(old_handle.Get(), &old_size)) {
      return Failure(PatchResult::OldFileUnreadable, GetLastError());
    }
    qbase::ScopedHandle partial(CreateFileW(partial_path.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!partial.IsValid()) return Failure(PatchResult::NewFileNotCreated, GetLastError());
    HandleOldFile old_file(old_handle.Get(), old_size.QuadPart);
    HandleNewFile new_file(partial.Get());
    outcome = RunSteps(payload, header, &old_file, &new_file, cancel);
  }
  if (!outcome.ok()) {
    DeleteFileW(partial_path.c_str());
    return outcome;
  }
  if (!MoveFileExW(partial_path.c_str(), new_path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    outcome = Failure(PatchResult::NewFileNotPlaced, GetLastError());
    DeleteFileW(partial_path.c_str());
  }
  return outcome;
}

PatchOutcome ApplyPatchFileA(const std::string& old_path, const std::string& new_path,
                             const std::string& patch_path, const PatchCancelCheck& cancel) {
  return ApplyPatchFileW(AnsiToWide(old_path), AnsiToWide(new_path), AnsiToWide(patch_path),
                         cancel);
}

PatchOutcome ApplyPatchPayload(std::string_view old_bytes, std::string_view payload,
                               std::string* new_bytes) {
  PatchHeader header;
  const PatchResult checked = CheckPayload(payload, &header);
  if (checked != PatchResult::Ok) return Failure(checked);
  MemoryOldFile old_file(old_bytes);
  std::string built;
  MemoryNewFile new_file(&built);
  PatchOutcome outcome = RunSteps(payload, header, &old_file, &new_file, {});
  if (outcome.ok()) *new_bytes = std::move(built);
  return outcome;
}

PatchOutcome ApplyPatchInMemoryW(const std::wstring& old_path, const std::wstring& new_path,
                                 const std::wstring& patch_path) {
  std::string payload;
  PatchHeader header;
  PatchOutcome outcome = LoadPayload(patch_path, &payload, &header);
  if (!outcome.ok()) return outcome;
  std::string old_bytes;
  if (!ReadFileToStringW(old_path, &old_bytes)) return Failure(PatchResult::OldFileUnreadable);
  std::string new_bytes;
  outcome = ApplyPatchPayload(old_bytes, payload, &new_bytes);
  if (!outcome.ok()) return outcome;
  if (!WriteStringToFileW(new_path, new_bytes)) return Failure(PatchResult::NewFileNotCreated);
  return outcome;
}

PatchOutcome ApplyPatchInMemoryA(const std::string& old_path, const std::string& new_path,
                                 const std::string& patch_path) {
  return ApplyPatchInMemoryW(AnsiToWide(old_path), AnsiToWide(new_path), AnsiToWide(patch_path));
}
