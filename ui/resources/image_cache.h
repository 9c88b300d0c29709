#pragma once

#include <memory>
#include <string>

#include "ui/resources/image_info.h"

namespace ui {

// The process-wide cache of decoded images (GlobalManager::imageCache). It
// holds images weakly: an image lives while some control shows it, and its
// last holder's release removes the entry.
class ImageCache {
 public:
  ImageCache() = delete;

  // The live cached image of the path, else the image decoded from the open
  // skin package or, failing that, from the disk; empty when it cannot be
  // decoded. UI thread only.
  static std::shared_ptr<ImageInfo> GetImage(const std::wstring& path);
  // The live cached image of the path, or empty; never decodes.
  static std::shared_ptr<ImageInfo> GetCachedImage(const std::wstring& path);
  // The deleter of every cached image.
  static void OnImageInfoDestroyed(ImageInfo* image);

 private:
  // The cache key of a path: normalised, and the package entry name while a
  // package is open.
  static std::wstring GetCacheKey(const std::wstring& path);
};

}  // namespace ui
