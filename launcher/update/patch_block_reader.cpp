#include "launcher/update/patch_block_reader.h"

#include <algorithm>

#include "launcher/update/patch_format.h"

PatchBlockReader::PatchBlockReader(std::string_view payload, size_t start)
    : payload_(payload), position_(std::min(start, payload.size())) {}

std::optional<int64_t> PatchBlockReader::ReadNumber() {
  if (payload_.size() - position_ < kPatchNumberSize) return std::nullopt;
  const int64_t value =
      DecodePatchNumber(reinterpret_cast<const uint8_t*>(payload_.data()) + position_);
  position_ += kPatchNumberSize;
  return value;
}

std::optional<ControlTriple> PatchBlockReader::ReadControlTriple() {
  ControlTriple triple;
  for (int64_t* field : {&triple.add, &triple.copy, &triple.seek}) {
    const std::optional<int64_t> number = ReadNumber();
    if (!number) return std::nullopt;
    *field = *number;
  }
  return triple;
}

std::string_view PatchBlockReader::Take(size_t count) {
  const std::string_view bytes = payload_.substr(position_, count);
  position_ += bytes.size();
  return bytes;
}
