#pragma once

#include <string>
#include <string_view>

#include "launcher/update/patch_apply_loop.h"
#include "launcher/update/patch_container.h"

// Applying a downloaded binary patch: old file + patch file -> new file.

enum class PatchResult {
  Ok = 0,
  // The patch file could not be opened or read, or its container is bad.
  PatchUnreadable = -1,
  // A payload shorter than its header, a wrong magic, or a negative length.
  BadHeader = -2,
  OldFileUnreadable = -3,
  NewFileNotCreated = -4,
  ControlBlockOutside = -8,
  DiffBlockOutside = -9,
  BufferNotAllocated = -10,
  StepFailed = -12,
  // The finished output could not take the new file's place.
  NewFileNotPlaced = -13,
};

struct PatchOutcome {
  PatchResult result = PatchResult::Ok;
  PatchContainerResult container = PatchContainerResult::Ok;
  PatchStepResult step = PatchStepResult::Ok;
  // GetLastError of the failing file operation, 0 otherwise.
  unsigned long systemError = 0;

  bool ok() const { return result == PatchResult::Ok; }
  // The number a failure text carries: the system error of a patch file that
  // could not be opened, the step code of a failed step, else 0.
  int code() const;
};

// The streaming apply: memory stays within one kPatchChunkSize buffer and the
// payload, whatever the file sizes. The new file is built beside its target
// as new_path + ".patching.tmp" and takes the target's place only when
// complete; on any failure the target keeps its previous bytes (or stays
// absent) and the partial output is deleted. `old_path` may equal `new_path`.
// Narrow paths are in the ANSI code page.
PatchOutcome ApplyPatchFileA(const std::string& old_path, const std::string& new_path,
                             const std::string& patch_path, const PatchCancelCheck& cancel = {});
PatchOutcome ApplyPatchFileW(const std::wstring& old_path, const std::wstring& new_path,
                             const std::wstring& patch_path, const PatchCancelCheck& cancel = {});

// The in-memory apply: reads the whole old file, builds the whole new one in
// memory and saves it in one replacing write. It cannot be cancelled.
PatchOutcome ApplyPatchInMemoryA(const std::string& old_path, const std::string& new_path,
                                 const std::string& patch_path);
PatchOutcome ApplyPatchInMemoryW(const std::wstring& old_path, const std::wstring& new_path,
                                 const std::wstring& patch_path);

// A decompressed payload applied to old bytes; `new_bytes` is replaced only
// on success.
PatchOutcome ApplyPatchPayload(std::string_view old_bytes, std::string_view payload,
                               std::string* new_bytes);
