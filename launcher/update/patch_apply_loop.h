#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "launcher/update/patch_format.h"

// Why the steps of a patch stopped; the value is the code a failed apply
// reports.
enum class PatchStepResult {
  Ok = 0,
  // Fewer than 8 bytes were left for a control number.
  ControlBlockEnded = -1,
  // A negative add or copy length, an add step past the new size, or an old
  // position that leaves the range of 64-bit positions.
  InvalidAddStep = -2,
  // Diff data ran out, the old file or the new one failed, or cancelled
  // inside the step.
  AddFailed = -3,
  CopyPastNewSize = -4,
  // Extra data ran out, the new file failed, or cancelled inside the step.
  CopyFailed = -5,
  // Cancelled after a complete step.
  Cancelled = -6,
};

// Asked after every full piece of a step and after every step; true stops
// the apply. An empty check never stops it.
using PatchCancelCheck = std::function<bool()>;

// The old file, read at positions inside [0, size()).
class PatchOldFile {
 public:
  virtual ~PatchOldFile() = default;
  virtual int64_t size() const = 0;
  // Exactly `count` bytes from `position`, or false.
  virtual bool ReadAt(int64_t position, uint8_t* bytes, size_t count) = 0;
};

// The new file, written from its start to its end in order.
class PatchNewFile {
 public:
  virtual ~PatchNewFile() = default;
  // All `count` bytes, or false.
  virtual bool Append(const uint8_t* bytes, size_t count) = 0;
};

// Runs the control triples of `payload` until the new file has
// `header.newSize` bytes. The caller has checked that the control and diff
// blocks begin inside the payload. `work_buffer` holds at least
// min(kPatchChunkSize, header.newSize) bytes.
PatchStepResult RunPatchSteps(std::string_view payload, const PatchHeader& header,
                              PatchOldFile* old_file, PatchNewFile* new_file, uint8_t* work_buffer,
                              const PatchCancelCheck& cancel);
