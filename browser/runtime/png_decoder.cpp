#include "browser/runtime/png_decoder.h"

#include <wincodec.h>

namespace qoz_runtime {

namespace {

// Releases a COM pointer when it goes out of scope.
template <typename T>
class ComHolder {
 public:
  ComHolder() = default;
  ~ComHolder() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComHolder(const ComHolder&) = delete;
  ComHolder& operator=(const ComHolder&) = delete;
  T** Receive() { return &pointer_; }
  T* operator->() const { return pointer_; }
  T* get() const { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

// Views larger than this are refused rather than allocated.
constexpr UINT kMaxSide = 16384;

}  // namespace

PngDecoder::~PngDecoder() {
  if (factory_ != nullptr) factory_->Release();
}

std::optional<DecodedImage> PngDecoder::Decode(const std::string& bytes) {
  if (factory_ == nullptr &&
      FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&factory_)))) {
    factory_ = nullptr;
    return std::nullopt;
  }
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return std::nullopt;
  ComHolder<IWICStream> stream;
  if (FAILED(factory_->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                          static_cast<DWORD>(bytes.size())))) {
    return std::nullopt;
  }
  ComHolder<IWICBitmapDecoder> decoder;
  if (FAILED(factory_->CreateDecoderFromStream(
          stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Receive()))) {
    return std::nullopt;
  }
  ComHolder<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.Receive()))) return std::nullopt;
  ComHolder<IWICFormatConverter> converter;
  if (FAILED(factory_->CreateFormatConverter(converter.Receive())) ||
      // The host browser's frames carry premultiplied colours already:
      // converting to a premultiplied format would apply the alpha twice.
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return std::nullopt;
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 ||
      width > kMaxSide || height > kMaxSide) {
    return std::nullopt;
  }
  DecodedImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<size_t>(width) * height * 4);
  if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.pixels.size()),
                                   image.pixels.data()))) {
    return std::nullopt;
  }
  return image;
}

}  // namespace qoz_runtime
