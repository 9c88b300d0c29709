#include "ui/resources/image_cache.h"

#include "base/file_path.h"
#include "ui/resources/global_manager.h"

namespace ui {

std::wstring ImageCache::GetCacheKey(const std::wstring& path) {
  std::wstring key = qbase::NormalizeFilePath(path);
  if (GlobalManager::resourceZip) key = GlobalManager::GetZipEntryPath(key);
  return key;
}

std::shared_ptr<ImageInfo> ImageCache::GetCachedImage(const std::wstring& path) {
  const auto found = GlobalManager::imageCache.find(GetCacheKey(path));
  if (found == GlobalManager::imageCache.end()) return nullptr;
  return found->second.lock();
}

std::shared_ptr<ImageInfo> ImageCache::GetImage(const std::wstring& path) {
  const std::wstring key = GetCacheKey(path);
  const auto found = GlobalManager::imageCache.find(key);
  if (found != GlobalManager::imageCache.end()) {
    if (std::shared_ptr<ImageInfo> alive = found->second.lock()) return alive;
  }
  std::unique_ptr<ImageInfo> decoded;
  if (GlobalManager::resourceZip) {
    decoded = DecodeImageFromGlobal(GlobalManager::GetZipData(key), key);
  }
  if (!decoded) decoded = DecodeImageFromFile(key, key);
  if (!decoded) return nullptr;

  decoded->cached = true;
  std::shared_ptr<ImageInfo> image(decoded.release(), &ImageCache::OnImageInfoDestroyed);
  GlobalManager::imageCache[key] = image;
  return image;
}

void ImageCache::OnImageInfoDestroyed(ImageInfo* image) {
  if (image->cached && !image->path.empty()) {
    // Only the entry of a dead image goes: after a skin reload the path may
    // name a newer image that is still shown.
    const auto found = GlobalManager::imageCache.find(image->path);
    if (found != GlobalManager::imageCache.end() && found->second.expired()) {
      GlobalManager::imageCache.erase(found);
    }
  }
  delete image;
}

}  // namespace ui
