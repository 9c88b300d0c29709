#include "ui/resources/image_info.h"

#include <objbase.h>

#include <cstring>
#include <utility>

namespace gdip = Gdiplus::DllExports;

namespace ui {
namespace {

constexpr PROPID kFrameDelayTag = 0x5100;
constexpr Gdiplus::ARGB kOpaqueBlack = 0xFF000000;

// Releases a COM stream.
struct StreamReleaser {
  void operator()(IStream* stream) const { stream->Release(); }
};

bool IsIndexed(Gdiplus::PixelFormat format) { return (format & PixelFormatIndexed) != 0; }

// Indexed and premultiplied pixels are turned into plain 32-bit ARGB, so the
// GDI frames and the transparency scan see straight alpha.
bool NeedsConversion(Gdiplus::PixelFormat format) {
  return IsIndexed(format) || (format & PixelFormatPAlpha) != 0;
}

bool ReadFrameDelays(Gdiplus::GpImage* image, std::vector<UINT>* delays) {
  UINT size = 0;
  if (gdip::GdipGetPropertyItemSize(image, kFrameDelayTag, &size) != Gdiplus::Ok ||
      size < sizeof(Gdiplus::PropertyItem)) {
    return false;
  }
  std::vector<BYTE> buffer(size);
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
  if (gdip::GdipGetPropertyItem(image, kFrameDelayTag, size, item) != Gdiplus::Ok) return false;
  const BYTE* value = static_cast<const BYTE*>(item->value);
  const BYTE* end = buffer.data() + buffer.size();
  // The item's own length is not trusted beyond the bytes GDI+ returned.
  for (ULONG offset = 0; offset + sizeof(UINT) <= item->length; offset += sizeof(UINT)) {
    if (value + offset + sizeof(UINT) > end) break;
    UINT delay = 0;
    std::memcpy(&delay, value + offset, sizeof(delay));
    delays->push_back(delay);
  }
  return true;
}

bool HasAlphaFromPalette(Gdiplus::GpImage* image, bool* alpha) {
  INT size = 0;
  if (gdip::GdipGetImagePaletteSize(image, &size) != Gdiplus::Ok ||
      size < static_cast<INT>(sizeof(Gdiplus::ColorPalette))) {
    return false;
  }
  std::vector<BYTE> buffer(size);
  auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
  if (gdip::GdipGetImagePalette(image, palette, size) != Gdiplus::Ok) return false;
  *alpha = (palette->Flags & Gdiplus::PaletteFlagsHasAlpha) != 0;
  return true;
}

bool AnyPixelTranslucent(HBITMAP bitmap) {
  BITMAP description = {};
  if (!GetObjectW(bitmap, sizeof(description), &description) || !description.bmBits ||
      description.bmBitsPixel != 32) {
    return false;
  }
  const BYTE* bits = static_cast<const BYTE*>(description.bmBits);
  for (LONG row = 0; row < description.bmHeight; ++row) {
    const BYTE* line = bits + static_cast<size_t>(row) * description.bmWidthBytes;
    for (LONG x = 0; x < description.bmWidth; ++x) {
      if (line[x * 4 + 3] != 255) return true;
    }
  }
  return false;
}

}  // namespace

std::unique_ptr<ImageInfo> ImageInfo::LoadFromBitmap(Gdiplus::GpBitmap* bitmap,
                                                     const std::wstring& path) {
  // Disposed unless it becomes the first frame.
  GdiplusPtr<Gdiplus::GpImage> source(bitmap);
  if (!bitmap) return nullptr;

  UINT dimension_count = 0;
  if (gdip::GdipImageGetFrameDimensionsCount(bitmap, &dimension_count) != Gdiplus::Ok ||
      dimension_count == 0) {
    return nullptr;
  }
  std::vector<GUID> dimensions(dimension_count);
  UINT frame_count = 0;
  if (gdip::GdipImageGetFrameDimensionsList(bitmap, dimensions.data(), dimension_count) !=
          Gdiplus::Ok ||
      gdip::GdipImageGetFrameCount(bitmap, &dimensions[0], &frame_count) != Gdiplus::Ok ||
      frame_count == 0) {
    return nullptr;
  }

  auto image = std::make_unique<ImageInfo>();
  if (frame_count > 1 && !ReadFrameDelays(bitmap, &image->frame_delays)) return nullptr;

  UINT width = 0;
  UINT height = 0;
  Gdiplus::PixelFormat format = 0;
  if (gdip::GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok ||
      gdip::GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok ||
      gdip::GdipGetImagePixelFormat(bitmap, &format) != Gdiplus::Ok) {
    return nullptr;
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->path = path;
  image->alpha = (format & PixelFormatAlpha) != 0;
  if (IsIndexed(format)) HasAlphaFromPalette(bitmap, &image->alpha);

  const bool convert = NeedsConversion(format);
  const Gdiplus::PixelFormat frame_format = convert ? PixelFormat32bppARGB : format;
  for (UINT i = 0; i < frame_count; ++i) {
    if (gdip::GdipImageSelectActiveFrame(bitmap, &dimensions[0], i) != Gdiplus::Ok) return nullptr;
    Gdiplus::GpBitmap* frame = nullptr;
    if (frame_count == 1 && !convert) {
      frame = static_cast<Gdiplus::GpBitmap*>(source.release());
    } else if (gdip::GdipCloneBitmapAreaI(0, 0, width, height, frame_format, bitmap, &frame) !=
               Gdiplus::Ok) {
      return nullptr;
    }
    image->bitmaps.emplace_back(frame);
    HBITMAP gdi_frame = nullptr;
    if (gdip::GdipCreateHBITMAPFromBitmap(frame, &gdi_frame, kOpaqueBlack) != Gdiplus::Ok ||
        !gdi_frame) {
      return nullptr;
    }
    image->frames.emplace_back(gdi_frame);
  }

  if (frame_format == PixelFormat32bppARGB) {
    image->alpha = false;
    for (const ScopedBitmap& frame : image->frames) {
      if (AnyPixelTranslucent(frame.get())) {
        image->alpha = true;
        break;
      }
    }
  }
  return image;
}

std::unique_ptr<ImageInfo> DecodeImageFromMemory(const void* data, size_t size,
                                                 const std::wstring& path) {
  if (!data || size == 0) return nullptr;
  ScopedGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return nullptr;
  {
    const GlobalMemoryLock target(block.get());
    if (!target.data()) return nullptr;
    std::memcpy(target.data(), data, size);
  }
  return DecodeImageFromGlobal(std::move(block), path);
}

std::unique_ptr<ImageInfo> DecodeImageFromGlobal(ScopedGlobalMemory block,
                                                 const std::wstring& path) {
  if (!block) return nullptr;
  IStream* made = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, &made))) return nullptr;
  // The stream frees the block when the last reference to it goes.
  block.release();
  Gdiplus::GpBitmap* bitmap = nullptr;
  Gdiplus::GpStatus status = Gdiplus::GenericError;
  {
    const std::unique_ptr<IStream, StreamReleaser> stream(made);
    status = gdip::GdipCreateBitmapFromStream(stream.get(), &bitmap);
  }
  if (status != Gdiplus::Ok) return nullptr;
  return ImageInfo::LoadFromBitmap(bitmap, path);
}

std::unique_ptr<ImageInfo> DecodeImageFromFile(const std::wstring& file, const std::wstring& path) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gdip::GdipCreateBitmapFromFile(file.c_str(), &bitmap) != Gdiplus::Ok) return nullptr;
  return ImageInfo::LoadFromBitmap(bitmap, path);
}

}  // namespace ui
