#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ui/render/gdiplus_handles.h"
#include "ui/resources/global_memory.h"

namespace ui {

// One decoded image with all its frames, shared by every control that shows
// the same file. Each frame exists twice: as a 32-bit GDI bitmap and as a
// GDI+ image, so painting never decodes.
class ImageInfo {
 public:
  ImageInfo() = default;
  ImageInfo(const ImageInfo&) = delete;
  ImageInfo& operator=(const ImageInfo&) = delete;

  // Builds the image from a decoded GDI+ bitmap, which it takes over (it is
  // disposed when no image results). `path` becomes the image's path.
  static std::unique_ptr<ImageInfo> LoadFromBitmap(Gdiplus::GpBitmap* bitmap,
                                                   const std::wstring& path);

  int width = 0;
  int height = 0;
  // The cache key under which the image was loaded.
  std::wstring path;
  // The image has transparent or translucent pixels.
  bool alpha = false;
  // The image is entered in the image cache.
  bool cached = false;
  // One delay per frame in hundredths of a second; empty for a single frame.
  std::vector<UINT> frame_delays;
  // One 32-bit GDI bitmap per frame.
  std::vector<ScopedBitmap> frames;
  // One GDI+ image per frame; element i draws frame i.
  std::vector<GdiplusPtr<Gdiplus::GpImage>> bitmaps;
};

// Decodes an image file's bytes (PNG, GIF, JPEG, BMP...); null when they
// cannot be decoded.
std::unique_ptr<ImageInfo> DecodeImageFromMemory(const void* data, size_t size,
                                                 const std::wstring& path);
// The same for bytes in a movable global memory block, which the function
// takes over (freed when decoding is done).
std::unique_ptr<ImageInfo> DecodeImageFromGlobal(ScopedGlobalMemory block,
                                                 const std::wstring& path);
// Decodes the image file `file`; null when it is missing or cannot be decoded.
std::unique_ptr<ImageInfo> DecodeImageFromFile(const std::wstring& file, const std::wstring& path);

}  // namespace ui
