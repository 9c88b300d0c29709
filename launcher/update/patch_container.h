#pragma once

#include <string>
#include <string_view>

// A downloaded patch file: the payload size (unsigned 32-bit little-endian),
// the compressed size (the same), then that many bytes of a zlib stream that
// holds the payload. Bytes after the compressed data are ignored.

enum class PatchContainerResult {
  Ok = 0,
  PayloadSizeShort = -2,
  CompressedSizeShort = -4,
  CompressedDataShort = -6,
  // Not a zlib stream, or one that ends before its end.
  DecompressFailed = -7,
  // The stream holds more or fewer bytes than the payload size says: a file
  // must never be built from bytes the patch did not carry.
  PayloadSizeMismatch = -8,
  OutOfMemory = -9,
};

// Decompresses the payload; `payload` is replaced only on success. Memory
// grows with what the stream really yields, never with the size field alone.
PatchContainerResult ReadPatchContainer(std::string_view container, std::string* payload);
