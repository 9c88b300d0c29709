#include "launcher/update/patch_apply_loop.h"

#include <algorithm>
#include <cstring>

#include "launcher/update/patch_block_reader.h"

namespace {

// Keeps old positions far from the ends of the 64-bit range, so no sum with a
// step length can overflow; real files never come near.
constexpr int64_t kLargestOldPosition = int64_t{1} << 62;

const uint8_t* BytesOf(std::string_view text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

bool Cancelled(const PatchCancelCheck& cancel) { return cancel && cancel(); }

// new[i] = diff[i] + old[old_position + i] where that old byte exists, else
// diff[i].
PatchStepResult RunAddStep(int64_t length, int64_t old_position, PatchBlockReader* diff,
                           PatchOldFile* old_file, PatchNewFile* new_file, uint8_t* buffer,
                           const PatchCancelCheck& cancel) {
  for (int64_t done = 0; done < length;) {
    const size_t piece = static_cast<size_t>(std::min<int64_t>(length - done, kPatchChunkSize));
    const std::string_view diff_bytes = diff->Take(piece);
    if (diff_bytes.size() != piece) return PatchStepResult::AddFailed;
    const int64_t start = old_position + done;
    const int64_t overlap_begin = std::max<int64_t>(start, 0);
    const int64_t overlap_end = std::min<int64_t>(start + piece, old_file->size());
    const uint8_t* written = BytesOf(diff_bytes);
    if (overlap_begin < overlap_end) {
      const size_t head = static_cast<size_t>(overlap_begin - start);
      const size_t tail = static_cast<size_t>(overlap_end - start);
      if (!old_file->ReadAt(overlap_begin, buffer + head, tail - head)) {
        return PatchStepResult::AddFailed;
      }
      const uint8_t* in = BytesOf(diff_bytes);
      std::memcpy(buffer, in, head);
      for (size_t i = head; i < tail; ++i) buffer[i] = static_cast<uint8_t>(buffer[i] + in[i]);
      std::memcpy(buffer + tail, in + tail, piece - tail);
      written = buffer;
    }
    if (!new_file->Append(written, piece)) return PatchStepResult::AddFailed;
    done += piece;
    if (piece == kPatchChunkSize && Cancelled(cancel)) return PatchStepResult::AddFailed;
  }
  return PatchStepResult::Ok;
}

PatchStepResult RunCopyStep(int64_t length, PatchBlockReader* extra, PatchNewFile* new_file,
                            const PatchCancelCheck& cancel) {
  for (int64_t done = 0; done < length;) {
    const size_t piece = static_cast<size_t>(std::min<int64_t>(length - done, kPatchChunkSize));
    const std::string_view extra_bytes = extra->Take(piece);
    if (extra_bytes.size() != piece) return PatchStepResult::CopyFailed;
    if (!new_file->Append(BytesOf(extra_bytes), piece)) return PatchStepResult::CopyFailed;
    done += piece;
    if (piece == kPatchChunkSize && Cancelled(cancel)) return PatchStepResult::CopyFailed;
  }
  return PatchStepResult::Ok;
}

}  // namespace

PatchStepResult RunPatchSteps(std::string_view payload, const PatchHeader& header,
                              PatchOldFile* old_file, PatchNewFile* new_file, uint8_t* work_buffer,
                              const PatchCancelCheck& cancel) {
  const size_t diff_start = kPatchHeaderSize + static_cast<size_t>(header.controlLength);
  PatchBlockReader control(payload, kPatchHeaderSize);
  PatchBlockReader diff(payload, diff_start);
  PatchBlockReader extra(payload, diff_start + static_cast<size_t>(header.diffLength));
  int64_t new_position = 0;
  int64_t old_position = 0;
  while (new_position < header.newSize) {
    const std::optional<ControlTriple> triple = control.ReadControlTriple();
    if (!triple) return PatchStepResult::ControlBlockEnded;
    if (triple->add < 0 || triple->copy < 0 || triple->add > header.newSize - new_position) {
      return PatchStepResult::InvalidAddStep;
    }
    PatchStepResult result =
        RunAddStep(triple->add, old_position, &diff, old_file, new_file, work_buffer, cancel);
    if (result != PatchStepResult::Ok) return result;
    new_position += triple->add;
    if (triple->copy > header.newSize - new_position) return PatchStepResult::CopyPastNewSize;
    result = RunCopyStep(triple->copy, &extra, new_file, cancel);
    if (result != PatchStepResult::Ok) return result;
    new_position += triple->copy;
    if (Cancelled(cancel)) return PatchStepResult::Cancelled;
    // The add step succeeded, so its length is bounded by the payload's size.
    if (triple->seek < -kLargestOldPosition || triple->seek > kLargestOldPosition) {
      return PatchStepResult::InvalidAddStep;
    }
    old_position += triple->add + triple->seek;
    if (old_position < -kLargestOldPosition || old_position > kLargestOldPosition) {
      return PatchStepResult::InvalidAddStep;
    }
  }
  return PatchStepResult::Ok;
}
