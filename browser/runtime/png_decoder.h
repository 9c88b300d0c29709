#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct IWICImagingFactory;

namespace qoz_runtime {

// Pixels as the off-screen paint hands them on: premultiplied BGRA, four
// bytes each, top row first.
struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Decodes the host browser's PNG frames through the system's imaging
// component, keeping the stored colour values (the frames hold premultiplied
// colours). Use it on one thread, where COM is initialised.
class PngDecoder {
 public:
  PngDecoder() = default;
  ~PngDecoder();
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  // Empty for bytes that are no image.
  std::optional<DecodedImage> Decode(const std::string& bytes);

 private:
  IWICImagingFactory* factory_ = nullptr;
};

}  // namespace qoz_runtime
