#pragma once

// GDI+ for tests: the library started around the test run, images encoded
// to file bytes, and surfaces saved as PNG for a person to look at.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace test_support {

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

 private:
  ULONG_PTR token_ = 0;
};

// Registered once per test program that includes this header.
inline ::testing::Environment* const kGdiplusEnvironment =
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

// {557CF406-1A04-11D3-9A73-0000F81EF32E}
inline const CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

// A GDI+ bitmap of ARGB pixels, rows top to bottom.
inline Gdiplus::GpBitmap* MakeBitmap(int width, int height, const std::vector<DWORD>& argb,
                                     Gdiplus::PixelFormat format = PixelFormat32bppARGB) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &bitmap);
  if (!bitmap) return nullptr;
  const Gdiplus::Rect area(0, 0, width, height);
  Gdiplus::BitmapData data = {};
  Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &area, Gdiplus::ImageLockModeWrite,
                                          PixelFormat32bppARGB, &data);
  for (int y = 0; y < height; ++y) {
    std::memcpy(static_cast<BYTE*>(data.Scan0) + y * data.Stride, &argb[y * width], width * 4);
  }
  Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &data);
  return bitmap;
}

// The bytes of a PNG file of ARGB pixels.
inline std::string EncodePng(int width, int height, const std::vector<DWORD>& argb) {
  Gdiplus::GpBitmap* bitmap = MakeBitmap(width, height, argb);
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  Gdiplus::DllExports::GdipSaveImageToStream(bitmap, stream, &kPngEncoder, nullptr);
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  HGLOBAL block = nullptr;
  GetHGlobalFromStream(stream, &block);
  STATSTG stat = {};
  stream->Stat(&stat, STATFLAG_NONAME);
  std::string bytes(static_cast<const char*>(GlobalLock(block)),
                    static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(block);
  stream->Release();
  return bytes;
}

// Writes a top-down 32-bit surface as an opaque PNG file.
inline bool SaveSurfaceAsPng(const void* bits, int width, int height, const std::wstring& path) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  Gdiplus::DllExports::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB,
                                                 static_cast<BYTE*>(const_cast<void*>(bits)),
                                                 &bitmap);
  if (!bitmap) return false;
  const bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &kPngEncoder,
                                                              nullptr) == Gdiplus::Ok;
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  return saved;
}

// Solid-colour pixels.
inline std::vector<DWORD> Solid(int width, int height, DWORD argb) {
  return std::vector<DWORD>(static_cast<size_t>(width) * height, argb);
}

}  // namespace test_support
