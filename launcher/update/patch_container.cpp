#include "launcher/update/patch_container.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <new>

namespace {

constexpr size_t kSizeFieldBytes = 4;
// The first output buffer for a stream, before it proves to need more.
constexpr size_t kFirstOutputBytes = 1 << 16;
// zlib counts the bytes of one call in 32 bits.
constexpr size_t kLargestInflateStep = 1u << 30;

uint32_t ReadLittleEndian32(std::string_view bytes) {
  uint32_t value = 0;
  for (size_t i = kSizeFieldBytes; i-- > 0;) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  return value;
}

class InflateStream {
 public:
  InflateStream() = default;
  ~InflateStream() {
    if (started_) inflateEnd(&stream_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  bool Start(std::string_view input) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream_.avail_in = static_cast<uInt>(input.size());
    started_ = inflateInit(&stream_) == Z_OK;
    return started_;
  }
  z_stream* get() { return &stream_; }

 private:
  z_stream stream_{};
  bool started_ = false;
};

}  // namespace

PatchContainerResult ReadPatchContainer(std::string_view container, std::string* payload) {
  if (container.size() < kSizeFieldBytes) return PatchContainerResult::PayloadSizeShort;
  if (container.size() < 2 * kSizeFieldBytes) return PatchContainerResult::CompressedSizeShort;
  const size_t payload_size = ReadLittleEndian32(container);
  const size_t compressed_size = ReadLittleEndian32(container.substr(kSizeFieldBytes));
  const std::string_view compressed = container.substr(2 * kSizeFieldBytes);
  if (compressed.size() < compressed_size) return PatchContainerResult::CompressedDataShort;

  InflateStream inflater;
  if (!inflater.Start(compressed.substr(0, compressed_size))) {
    return PatchContainerResult::DecompressFailed;
  }
  z_stream* stream = inflater.get();
  // One byte more than the field allows shows a stream that is too long.
  const size_t limit = payload_size + 1;
  std::string output;
  size_t produced = 0;
  try {
    output.resize(std::min(limit, kFirstOutputBytes));
    for (;;) {
      if (produced == output.size()) {
        if (output.size() == limit) return PatchContainerResult::PayloadSizeMismatch;
        output.resize(std::min(limit, output.size() * 2));
      }
      auto* begin = reinterpret_cast<Bytef*>(output.data());
      stream->next_out = begin + produced;
      stream->avail_out =
          static_cast<uInt>(std::min(output.size() - produced, kLargestInflateStep));
      const int status = inflate(stream, Z_NO_FLUSH);
      produced = static_cast<size_t>(stream->next_out - begin);
      if (status == Z_STREAM_END) break;
      // Z_BUF_ERROR with room left means the input ended inside the stream.
      if (status != Z_OK) return PatchContainerResult::DecompressFailed;
    }
  } catch (const std::bad_alloc&) {
    return PatchContainerResult::OutOfMemory;
  }
  if (produced != payload_size) return PatchContainerResult::PayloadSizeMismatch;
  output.resize(produced);
  *payload = std::move(output);
  return PatchContainerResult::Ok;
}
