#include "ui/resources/image_info.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"
#include "tests/ui/render/gdiplus_test_support.h"

namespace ui {
namespace {

using test_support::EncodePng;
using test_support::Solid;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kBlue = 0xFF0000FF;

// The ARGB value of a pixel of a 32-bit DIB section, whatever its orientation.
DWORD FramePixel(HBITMAP frame, int x, int y) {
  DIBSECTION section = {};
  if (GetObjectW(frame, sizeof(section), &section) != sizeof(section) ||
      section.dsBm.bmBitsPixel != 32) {
    ADD_FAILURE() << "not a 32-bit DIB section";
    return 0;
  }
  const int row = section.dsBmih.biHeight < 0 ? y : section.dsBm.bmHeight - 1 - y;
  const BYTE* bits = static_cast<const BYTE*>(section.dsBm.bmBits);
  DWORD pixel = 0;
  std::memcpy(&pixel, bits + row * section.dsBm.bmWidthBytes + x * 4, 4);
  return pixel;
}

DWORD ImagePixel(Gdiplus::GpImage* image, int x, int y) {
  Gdiplus::ARGB pixel = 0;
  Gdiplus::DllExports::GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(image), x, y, &pixel);
  return pixel;
}

void Append16(std::string* bytes, uint16_t value) {
  bytes->push_back(static_cast<char>(value & 0xFF));
  bytes->push_back(static_cast<char>(value >> 8));
}

void Append32(std::string* bytes, uint32_t value) {
  Append16(bytes, static_cast<uint16_t>(value & 0xFFFF));
  Append16(bytes, static_cast<uint16_t>(value >> 16));
}

// One frame of a GIF of at most two pixels over a two-colour palette.
struct GifFrame {
  std::vector<int> pixels;  // palette indices, left to right
  uint16_t delay;           // hundredths of a second
  int transparent_index;    // -1: none
};

// A GIF whose palette is red (0) and blue (1); `width` pixels wide, 1 high.
std::string BuildGif(int width, const std::vector<GifFrame>& frames) {
  std::string gif = "GIF89a";
  Append16(&gif, static_cast<uint16_t>(width));
  Append16(&gif, 1);
  gif += std::string("\x80\x00\x00", 3);              // two-colour global palette
  gif += std::string("\xFF\x00\x00\x00\x00\xFF", 6);  // red, blue
  for (const GifFrame& frame : frames) {
    gif += std::string("\x21\xF9\x04", 3);
    gif.push_back(static_cast<char>(frame.transparent_index >= 0 ? 0x09 : 0x08));
    Append16(&gif, frame.delay);
    gif.push_back(static_cast<char>(frame.transparent_index >= 0 ? frame.transparent_index : 0));
    gif.push_back('\0');
    gif.push_back(',');
    Append16(&gif, 0);
    Append16(&gif, 0);
    Append16(&gif, static_cast<uint16_t>(width));
    Append16(&gif, 1);
    gif.push_back('\0');
    // LZW with 3-bit codes: clear (4), the pixels, end (5).
    std::vector<int> codes = {4};
    codes.insert(codes.end(), frame.pixels.begin(), frame.pixels.end());
    codes.push_back(5);
    std::string packed;
    uint32_t accumulator = 0;
    int bits = 0;
    for (int code : codes) {
      accumulator |= static_cast<uint32_t>(code) << bits;
      bits += 3;
      while (bits >= 8) {
        packed.push_back(static_cast<char>(accumulator & 0xFF));
        accumulator >>= 8;
        bits -= 8;
      }
    }
    if (bits > 0) packed.push_back(static_cast<char>(accumulator & 0xFF));
    gif.push_back('\x02');
    gif.push_back(static_cast<char>(packed.size()));
    gif += packed;
    gif.push_back('\0');
  }
  gif.push_back(';');
  return gif;
}

// An 8-bit palette BMP of one row: red, green.
std::string BuildIndexedBmp() {
  std::string bmp = "BM";
  Append32(&bmp, 14 + 40 + 8 + 4);
  Append32(&bmp, 0);
  Append32(&bmp, 14 + 40 + 8);
  Append32(&bmp, 40);
  Append32(&bmp, 2);  // width
  Append32(&bmp, 1);  // height
  Append16(&bmp, 1);
  Append16(&bmp, 8);
  Append32(&bmp, 0);  // BI_RGB
  Append32(&bmp, 4);
  Append32(&bmp, 2835);
  Append32(&bmp, 2835);
  Append32(&bmp, 2);  // colours used
  Append32(&bmp, 0);
  bmp += std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00", 8);  // red, green (BGR0)
  bmp += std::string("\x00\x01\x00\x00", 4);
  return bmp;
}

std::unique_ptr<ImageInfo> Decode(const std::string& bytes) {
  return DecodeImageFromMemory(bytes.data(), bytes.size(), L"key\\image.png");
}

TEST(ImageInfo, OpaquePngDecodesIntoOneFrame) {
  const std::unique_ptr<ImageInfo> image = Decode(EncodePng(3, 2, Solid(3, 2, kRed)));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->path, L"key\\image.png");
  EXPECT_FALSE(image->alpha);
  EXPECT_FALSE(image->cached);
  EXPECT_THAT(image->frame_delays, IsEmpty());
  ASSERT_EQ(image->frames.size(), 1u);
  ASSERT_EQ(image->bitmaps.size(), 1u);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 2, 1), kRed);
  EXPECT_EQ(ImagePixel(image->bitmaps[0].get(), 2, 1), kRed);
}

TEST(ImageInfo, TranslucentPixelMakesAlpha) {
  std::vector<DWORD> pixels = Solid(4, 4, kRed);
  pixels[5] = 0x80FF0000;
  const std::unique_ptr<ImageInfo> image = Decode(EncodePng(4, 4, pixels));
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->alpha);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 0, 0), kRed);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 1, 1) >> 24, 0x80u);
}

TEST(ImageInfo, UndecodableBytesGiveNoImage) {
  const std::string png = EncodePng(8, 8, Solid(8, 8, kBlue));
  EXPECT_FALSE(Decode("not an image at all"));
  EXPECT_FALSE(Decode(png.substr(0, 20)));
  EXPECT_FALSE(DecodeImageFromMemory(nullptr, 0, L"x"));
}

TEST(ImageInfo, DecodesFilesAndRefusesMissingOnes) {
  test_support::ScratchDir folder;
  test_support::WriteFileBytes(folder.Child(L"\u5716.png"), EncodePng(5, 7, Solid(5, 7, kBlue)));
  const std::unique_ptr<ImageInfo> image =
      DecodeImageFromFile(folder.Child(L"\u5716.png"), L"cache key");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 5);
  EXPECT_EQ(image->height, 7);
  EXPECT_EQ(image->path, L"cache key");
  EXPECT_FALSE(DecodeImageFromFile(folder.Child(L"missing.png"), L"missing"));
}

TEST(ImageInfo, IndexedBitmapIsConvertedToPlainPixels) {
  const std::unique_ptr<ImageInfo> image = Decode(BuildIndexedBmp());
  ASSERT_TRUE(image);
  EXPECT_FALSE(image->alpha);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 0, 0), kRed);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 1, 0), 0xFF00FF00);
  Gdiplus::PixelFormat format = 0;
  Gdiplus::DllExports::GdipGetImagePixelFormat(image->bitmaps[0].get(), &format);
  EXPECT_EQ(format, static_cast<Gdiplus::PixelFormat>(PixelFormat32bppARGB));
  EXPECT_EQ(ImagePixel(image->bitmaps[0].get(), 1, 0), 0xFF00FF00);
}

TEST(ImageInfo, GifTransparencyMakesAlpha) {
  const std::unique_ptr<ImageInfo> image = Decode(BuildGif(2, {{{0, 1}, 0, 1}}));
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->alpha);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 0, 0), kRed);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 1, 0) >> 24, 0u);
}

TEST(ImageInfo, AnimatedGifKeepsEveryFrameAndItsDelay) {
  const std::unique_ptr<ImageInfo> image =
      Decode(BuildGif(1, {{{0}, 10, -1}, {{1}, 20, -1}, {{0}, 30, -1}}));
  ASSERT_TRUE(image);
  EXPECT_THAT(image->frame_delays, ElementsAre(10u, 20u, 30u));
  ASSERT_EQ(image->frames.size(), 3u);
  ASSERT_EQ(image->bitmaps.size(), 3u);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 0, 0), kRed);
  EXPECT_EQ(FramePixel(image->frames[1].get(), 0, 0), kBlue);
  EXPECT_EQ(FramePixel(image->frames[2].get(), 0, 0), kRed);
  EXPECT_EQ(ImagePixel(image->bitmaps[0].get(), 0, 0), kRed);
  EXPECT_EQ(ImagePixel(image->bitmaps[1].get(), 0, 0), kBlue);
  EXPECT_EQ(ImagePixel(image->bitmaps[2].get(), 0, 0), kRed);
  EXPECT_FALSE(image->alpha);
}

TEST(ImageInfo, PremultipliedBitmapIsConvertedAndScannedForAlpha) {
  std::vector<DWORD> pixels = Solid(2, 2, kRed);
  pixels[3] = 0x80FF0000;
  Gdiplus::GpBitmap* bitmap = test_support::MakeBitmap(2, 2, pixels, PixelFormat32bppPARGB);
  const std::unique_ptr<ImageInfo> image = ImageInfo::LoadFromBitmap(bitmap, L"premultiplied");
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->alpha);
  Gdiplus::PixelFormat format = 0;
  Gdiplus::DllExports::GdipGetImagePixelFormat(image->bitmaps[0].get(), &format);
  EXPECT_EQ(format, static_cast<Gdiplus::PixelFormat>(PixelFormat32bppARGB));
  EXPECT_EQ(ImagePixel(image->bitmaps[0].get(), 1, 1), 0x80FF0000u);
  EXPECT_EQ(FramePixel(image->frames[0].get(), 0, 0), kRed);
}

TEST(ImageInfo, OpaqueArgbBitmapHasNoAlpha) {
  Gdiplus::GpBitmap* bitmap = test_support::MakeBitmap(3, 3, Solid(3, 3, kBlue));
  const std::unique_ptr<ImageInfo> image = ImageInfo::LoadFromBitmap(bitmap, L"opaque");
  ASSERT_TRUE(image);
  EXPECT_FALSE(image->alpha);
  EXPECT_FALSE(ImageInfo::LoadFromBitmap(nullptr, L"none"));
}

}  // namespace
}  // namespace ui
