// Icon 107 of the built launcher.exe: the window and the tray load it at the
// system's small and large sizes, and the shell shows the larger ones.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

namespace {

constexpr WORD kIconResource = 107;
constexpr uint32_t kBackground = 0x00FF00FF;  // magenta, drawn under the icon

// The launcher as a resource module; its code is never run.
class LauncherModule {
 public:
  LauncherModule()
      : module_(LoadLibraryExW(test_support::HostPathInWine(LAUNCHER_EXE).c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~LauncherModule() {
    if (module_) FreeLibrary(module_);
  }
  LauncherModule(const LauncherModule&) = delete;
  LauncherModule& operator=(const LauncherModule&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

// The icon drawn over the background into a top-down 32-bit bitmap.
std::vector<uint32_t> Draw(HICON icon, int size) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint32_t> pixels;
  if (bitmap) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::fill_n(static_cast<uint32_t*>(bits), size * size, kBackground);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + size * size);
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  return pixels;
}

int IconWidth(HICON icon) {
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap = {};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

TEST(ProgramIconTest, LoadsAtEverySizeTheWindowsAsk) {
  LauncherModule launcher;
  ASSERT_NE(launcher.get(), nullptr) << "build the launcher target first";
  const int sizes[] = {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXICON), 16, 32, 48, 256};
  for (int size : sizes) {
    SCOPED_TRACE(size);
    HICON icon = static_cast<HICON>(
        LoadImageW(launcher.get(), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(IconWidth(icon), size);
    // A diamond: the corners stay transparent, the middle is painted.
    const std::vector<uint32_t> pixels = Draw(icon, size);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(size * size));
    EXPECT_EQ(pixels[0] & 0xFFFFFF, kBackground);
    EXPECT_EQ(pixels[size * size - 1] & 0xFFFFFF, kBackground);
    EXPECT_NE(pixels[(size / 2) * size + size / 2] & 0xFFFFFF, kBackground);
    DestroyIcon(icon);
  }
}

}  // namespace
