#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The "BSDIFN40" patch that a patch container carries: a 32-byte header (magic,
// control block length, diff block length, new file size), then the control,
// diff and extra blocks.

inline constexpr std::string_view kPatchMagic = "BSDIFN40";
inline constexpr size_t kPatchHeaderSize = 32;
inline constexpr size_t kPatchNumberSize = 8;
// The largest piece of one step that is moved at a time, and so the size of
// the apply's work buffer; cancellation is noticed between such pieces.
inline constexpr size_t kPatchChunkSize = 52428800;

// A patch number: 8 bytes little-endian in sign-and-magnitude form, the sign
// in bit 7 of the last byte. All 63 magnitude bits count, so positions and
// sizes past 4 GiB survive. `bytes` must hold 8 bytes.
int64_t DecodePatchNumber(const uint8_t* bytes);

struct PatchHeader {
  int64_t controlLength = 0;
  int64_t diffLength = 0;
  int64_t newSize = 0;
};

// The header of a payload; empty when the payload is shorter than the header,
// its magic differs, or a length or the new size is negative. Whether the
// blocks fit in the payload is the apply's check.
std::optional<PatchHeader> ParsePatchHeader(std::string_view payload);
