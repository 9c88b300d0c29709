#include "launcher/update/patch_format.h"

int64_t DecodePatchNumber(const uint8_t* bytes) {
  uint64_t magnitude = 0;
  for (size_t i = kPatchNumberSize; i-- > 0;) magnitude = (magnitude << 8) | bytes[i];
  const bool negative = (magnitude >> 63) != 0;
  magnitude &= ~(uint64_t{1} << 63);
  const int64_t value = static_cast<int64_t>(magnitude);
  return negative ? -value : value;
}

std::optional<PatchHeader> ParsePatchHeader(std::string_view payload) {
  if (payload.size() < kPatchHeaderSize) return std::nullopt;
  if (payload.substr(0, kPatchMagic.size()) != kPatchMagic) return std::nullopt;
  const auto* numbers = reinterpret_cast<const uint8_t*>(payload.data()) + kPatchMagic.size();
  PatchHeader header;
  header.controlLength = DecodePatchNumber(numbers);
  header.diffLength = DecodePatchNumber(numbers + kPatchNumberSize);
  header.newSize = DecodePatchNumber(numbers + 2 * kPatchNumberSize);
  if (header.controlLength < 0 || header.diffLength < 0 || header.newSize < 0) return std::nullopt;
  return header;
}
