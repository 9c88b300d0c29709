#include <windows.h>

#include <memory>

#include <gtest/gtest.h>

#include "tests/ui/render/render_test_support.h"
#include "ui/render/gdi_bitmap.h"
#include "ui/render/gdi_clip.h"
#include "ui/render/gdiplus_handles.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

using test_support::PixelAt;
using test_support::Rgb;

class RenderObjectsTest : public ::testing::Test {
 protected:
  RenderFactory_GdiPlus factory_;
};

TEST_F(RenderObjectsTest, PenKeepsItsSettings) {
  std::unique_ptr<IPen> pen = factory_.CreatePen(0xFF112233, 2);
  EXPECT_EQ(pen->GetWidth(), 2);
  EXPECT_EQ(pen->GetColor(), 0xFF112233u);
  pen->SetWidth(5);
  pen->SetColor(0x80445566);
  pen->SetStartCap(Gdiplus::LineCapRound);
  pen->SetEndCap(Gdiplus::LineCapSquare);
  pen->SetDashCap(Gdiplus::DashCapTriangle);
  pen->SetLineJoin(Gdiplus::LineJoinBevel);
  pen->SetDashStyle(Gdiplus::DashStyleDot);
  EXPECT_EQ(pen->GetWidth(), 5);
  EXPECT_EQ(pen->GetColor(), 0x80445566u);
  EXPECT_EQ(pen->GetStartCap(), Gdiplus::LineCapRound);
  EXPECT_EQ(pen->GetEndCap(), Gdiplus::LineCapSquare);
  EXPECT_EQ(pen->GetDashCap(), Gdiplus::DashCapTriangle);
  EXPECT_EQ(pen->GetLineJoin(), Gdiplus::LineJoinBevel);
  EXPECT_EQ(pen->GetDashStyle(), Gdiplus::DashStyleDot);

  std::unique_ptr<IPen> copy = pen->Clone();
  copy->SetWidth(9);
  EXPECT_EQ(copy->GetColor(), 0x80445566u);
  EXPECT_EQ(copy->GetDashStyle(), Gdiplus::DashStyleDot);
  EXPECT_EQ(pen->GetWidth(), 5);
}

TEST_F(RenderObjectsTest, BrushesFillWithTheirColourOrTexture) {
  std::unique_ptr<IBrush> solid = factory_.CreateBrush(0xFF00FF00);
  EXPECT_EQ(solid->GetColor(), 0xFF00FF00u);
  EXPECT_EQ(solid->GetBitmap(), nullptr);

  // A 2 x 1 texture: red, blue.
  GdiBitmap pixels;
  ASSERT_TRUE(pixels.Init(ScopedScreenDc().get(), 2, 1, true));
  static_cast<DWORD*>(pixels.GetBits())[0] = 0xFFFF0000;
  static_cast<DWORD*>(pixels.GetBits())[1] = 0xFF0000FF;
  std::unique_ptr<IBrush> texture = factory_.CreateBrushFromBitmap(pixels.GetBitmap());
  DeleteObject(pixels.DetachBitmap());  // the brush keeps its own copy
  EXPECT_EQ(texture->GetColor(), 0u);
  EXPECT_EQ(texture->GetBitmap(), nullptr);
  std::unique_ptr<IBrush> texture_copy = texture->Clone();

  std::unique_ptr<IRenderContext> context = factory_.CreateRenderContext();
  ASSERT_TRUE(context->Resize(8, 4, true));
  std::unique_ptr<IPath> path = factory_.CreatePath();
  path->AddRect(0, 0, 8, 2);
  context->FillPath(path.get(), solid.get());
  path->Reset();
  path->AddRect(0, 2, 8, 4);
  context->FillPath(path.get(), texture_copy.get());
  EXPECT_EQ(Rgb(PixelAt(*context, 3, 0)), 0x00FF00u);
  EXPECT_EQ(Rgb(PixelAt(*context, 4, 3)), 0xFF0000u);
  EXPECT_EQ(Rgb(PixelAt(*context, 5, 3)), 0x0000FFu);
}

TEST_F(RenderObjectsTest, PathGeometry) {
  std::unique_ptr<IPath> path = factory_.CreatePath();
  EXPECT_EQ(path->GetFillMode(), Gdiplus::FillModeAlternate);
  path->SetFillMode(Gdiplus::FillModeWinding);
  EXPECT_EQ(path->GetFillMode(), Gdiplus::FillModeWinding);
  const RECT rect = {10, 20, 50, 40};
  path->AddRect(rect);
  const RECT bounds = path->GetBounds(nullptr);
  EXPECT_TRUE(EqualRect(&bounds, &rect));
  std::unique_ptr<IPen> wide = factory_.CreatePen(0xFF000000, 10);
  const RECT widened = path->GetBounds(wide.get());
  EXPECT_LT(widened.left, rect.left);
  EXPECT_GT(widened.bottom, rect.bottom);

  EXPECT_TRUE(path->IsContainsPoint(30, 30));
  EXPECT_FALSE(path->IsContainsPoint(5, 30));
  EXPECT_TRUE(path->IsStrokeContainsPoint(10, 30, wide.get()));
  EXPECT_FALSE(path->IsStrokeContainsPoint(30, 30, wide.get()));

  std::unique_ptr<IPath> copy = path->Clone();
  path->Reset();
  EXPECT_FALSE(path->IsContainsPoint(30, 30));
  EXPECT_TRUE(copy->IsContainsPoint(30, 30));
}

TEST_F(RenderObjectsTest, PathFiguresFromPointLists) {
  std::unique_ptr<IPath> path = factory_.CreatePath();
  const POINT triangle[] = {{0, 0}, {40, 0}, {0, 40}};
  path->AddPolygon(triangle, 3);
  EXPECT_TRUE(path->IsContainsPoint(5, 5));
  EXPECT_FALSE(path->IsContainsPoint(35, 35));
  path->AddLines(nullptr, 0);
  path->AddCurve(triangle, 0);
  path->StartFigure();
  path->AddEllipse(100, 100, 120, 120);
  path->AddPie(200, 0, 40, 40, 0, 90);
  path->AddArc(0, 200, 40, 40, 180, 90);
  path->AddBezier(0, 300, 10, 310, 20, 310, 30, 300);
  path->CloseFigure();
  EXPECT_TRUE(path->IsContainsPoint(110, 110));
  EXPECT_TRUE(path->IsContainsPoint(225, 25));
  EXPECT_FALSE(path->IsContainsPoint(205, 25));
}

TEST_F(RenderObjectsTest, MatrixRotatesAroundAPoint) {
  std::unique_ptr<IMatrix> matrix = factory_.CreateMatrix();
  matrix->RotateAt(90, POINT{10, 10});
  std::unique_ptr<IPath> path = factory_.CreatePath();
  path->AddRect(19, 9, 21, 11);  // around (20, 10)
  path->Transform(matrix.get());
  EXPECT_TRUE(path->IsContainsPoint(10, 20));
  EXPECT_FALSE(path->IsContainsPoint(20, 10));
  path->Transform(nullptr);
  EXPECT_TRUE(path->IsContainsPoint(10, 20));
}

TEST_F(RenderObjectsTest, MatrixOperationsApplyBeforeTheCurrentOnes) {
  std::unique_ptr<IMatrix> matrix = factory_.CreateMatrix();
  matrix->Translate(100, 0);
  matrix->Scale(2, 3);
  std::unique_ptr<IPath> path = factory_.CreatePath();
  path->AddRect(1, 1, 2, 2);
  path->Transform(matrix.get());
  const RECT bounds = path->GetBounds(nullptr);
  const RECT expected = {102, 3, 104, 6};  // scaled first, then moved
  EXPECT_TRUE(EqualRect(&bounds, &expected));
}

class GdiBitmapTest : public ::testing::Test {
 protected:
  BYTE* Pixel(int x, int y) {
    return static_cast<BYTE*>(bitmap_.GetBits()) + (y * bitmap_.GetWidth() + x) * 4;
  }
  void FillAlpha(BYTE alpha) {
    for (int y = 0; y < bitmap_.GetHeight(); ++y) {
      for (int x = 0; x < bitmap_.GetWidth(); ++x) Pixel(x, y)[3] = alpha;
    }
  }

  const ScopedMemoryDc owned_dc_{CreateCompatibleDC(ScopedScreenDc().get())};
  const HDC dc_ = owned_dc_.get();
  GdiBitmap bitmap_;
};

TEST_F(GdiBitmapTest, InitRefusesBadSizesAndLeavesNoBitmap) {
  ASSERT_TRUE(bitmap_.Init(dc_, 4, 4, true));
  EXPECT_FALSE(bitmap_.Init(dc_, 0, 4, true));
  EXPECT_EQ(bitmap_.GetBitmap(), nullptr);
  EXPECT_EQ(bitmap_.GetBits(), nullptr);
  EXPECT_EQ(bitmap_.GetWidth(), 0);
  EXPECT_FALSE(bitmap_.Init(dc_, 4, -1, true));
  EXPECT_FALSE(bitmap_.Init(nullptr, 4, 4, true));
  EXPECT_EQ(bitmap_.GetBitmap(), nullptr);
  bitmap_.Clear();
  bitmap_.ClearAlpha({0, 0, 4, 4}, 1);
}

TEST_F(GdiBitmapTest, OrientationDecidesWhereRowZeroIs) {
  for (bool top_down : {true, false}) {
    ASSERT_TRUE(bitmap_.Init(dc_, 3, 2, top_down));
    bitmap_.Clear();
    const HGDIOBJ old = SelectObject(dc_, bitmap_.GetBitmap());
    SetPixelV(dc_, 0, 0, RGB(255, 0, 0));
    GdiFlush();
    SelectObject(dc_, old);
    const BYTE* first_row = static_cast<BYTE*>(bitmap_.GetBits());
    EXPECT_EQ(first_row[2], top_down ? 255 : 0) << "top_down " << top_down;
  }
}

TEST_F(GdiBitmapTest, DetachHandsTheBitmapOver) {
  ASSERT_TRUE(bitmap_.Init(dc_, 2, 2, true));
  HBITMAP handle = bitmap_.GetBitmap();
  EXPECT_EQ(bitmap_.DetachBitmap(), handle);
  EXPECT_EQ(bitmap_.GetBitmap(), nullptr);
  EXPECT_EQ(bitmap_.GetHeight(), 0);
  BITMAP description = {};
  EXPECT_EQ(GetObjectW(handle, sizeof(description), &description), sizeof(description));
  EXPECT_TRUE(DeleteObject(handle));
}

TEST_F(GdiBitmapTest, ClearAlphaTouchesOnlyPixelsInside) {
  ASSERT_TRUE(bitmap_.Init(dc_, 6, 4, true));
  bitmap_.Clear();
  bitmap_.ClearAlpha({4, -3, 20, 2}, 0x7F);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(Pixel(4, 0)), 0x7F7F7F7Fu);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(Pixel(5, 1)), 0x7F7F7F7Fu);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(Pixel(3, 0)), 0u);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(Pixel(5, 2)), 0u);
  bitmap_.ClearAlpha({-10, 0, -2, 4}, 0xFF);
  EXPECT_EQ(*reinterpret_cast<DWORD*>(Pixel(0, 0)), 0u);
}

TEST_F(GdiBitmapTest, RestoreAlphaLeavesThePaddedCorners) {
  ASSERT_TRUE(bitmap_.Init(dc_, 30, 30, true));
  FillAlpha(7);
  bitmap_.RestoreAlpha({0, 0, 30, 30}, {10, 10, 10, 10}, 0);
  EXPECT_EQ(Pixel(9, 9)[3], 7);      // top-left corner square
  EXPECT_EQ(Pixel(20, 0)[3], 7);     // top-right corner square
  EXPECT_EQ(Pixel(29, 29)[3], 7);    // bottom-right corner square
  EXPECT_EQ(Pixel(0, 25)[3], 7);     // bottom-left corner square
  EXPECT_EQ(Pixel(10, 0)[3], 255);   // top band
  EXPECT_EQ(Pixel(0, 10)[3], 255);   // left band
  EXPECT_EQ(Pixel(15, 15)[3], 255);  // middle
}

TEST_F(GdiBitmapTest, RestoreAlphaMakesTheKeyTransparent) {
  ASSERT_TRUE(bitmap_.Init(dc_, 4, 1, true));
  Pixel(0, 0)[3] = 9;
  Pixel(1, 0)[3] = 10;
  Pixel(2, 0)[3] = 9;
  Pixel(3, 0)[3] = 9;
  bitmap_.RestoreAlpha({0, 0, 3, 1}, {0, 0, 0, 0}, 9);
  EXPECT_EQ(Pixel(0, 0)[3], 0);
  EXPECT_EQ(Pixel(1, 0)[3], 255);
  EXPECT_EQ(Pixel(2, 0)[3], 0);
  EXPECT_EQ(Pixel(3, 0)[3], 9);  // outside the rectangle
}

// Paints the whole surface through the clip and reports which pixels changed.
class GdiClipTest : public GdiBitmapTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bitmap_.Init(dc_, 20, 20, true));
    bitmap_.Clear();
    old_ = SelectObject(dc_, bitmap_.GetBitmap());
  }
  void TearDown() override { SelectObject(dc_, old_); }

  void PaintAll() {
    HBRUSH brush = CreateSolidBrush(RGB(255, 255, 255));
    RECT all = {-100, -100, 100, 100};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
    GdiFlush();
  }
  bool Painted(int x, int y) { return Pixel(x, y)[0] == 255; }

  HGDIOBJ old_ = nullptr;
  GdiClip clip_;
};

TEST_F(GdiClipTest, ClipsNestAndEachClearUndoesOne) {
  clip_.CreateClip(dc_, {2, 2, 12, 12});
  clip_.CreateRoundClip(dc_, {6, 6, 18, 18}, 0, 0);
  PaintAll();
  EXPECT_TRUE(Painted(6, 6));
  EXPECT_TRUE(Painted(11, 11));
  EXPECT_FALSE(Painted(12, 12));
  EXPECT_FALSE(Painted(3, 3));
  clip_.ClearClip(dc_);
  clip_.ClearClip(dc_);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(dc_, region), 0) << "no clip left";
  DeleteObject(region);
  PaintAll();
  EXPECT_TRUE(Painted(0, 0));
}

TEST_F(GdiClipTest, ClipFollowsTheWindowOrigin) {
  SetWindowOrgEx(dc_, 10, 10, nullptr);
  clip_.CreateClip(dc_, {10, 10, 15, 15});
  PaintAll();
  EXPECT_TRUE(Painted(0, 0));
  EXPECT_TRUE(Painted(4, 4));
  EXPECT_FALSE(Painted(5, 5));
  clip_.ClearClip(dc_);
  SetWindowOrgEx(dc_, 0, 0, nullptr);
}

TEST_F(GdiClipTest, RoundClipCutsTheCorners) {
  clip_.CreateRoundClip(dc_, {0, 0, 19, 19}, 12, 12);
  PaintAll();
  EXPECT_FALSE(Painted(0, 0));
  EXPECT_TRUE(Painted(10, 0));
  EXPECT_TRUE(Painted(10, 10));
  EXPECT_TRUE(Painted(18, 10));
  clip_.ClearClip(dc_);
}

TEST_F(GdiClipTest, NullDeviceContextDoesNothing) {
  clip_.CreateClip(nullptr, {0, 0, 1, 1});
  clip_.CreateRoundClip(nullptr, {0, 0, 1, 1}, 2, 2);
  clip_.ClearClip(nullptr);
  PaintAll();
  EXPECT_TRUE(Painted(19, 19));
}

}  // namespace
}  // namespace ui
