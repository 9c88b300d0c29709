// Draws every kind of primitive onto one screen-sized surface and saves it as
// "render_gallery.png" for a person to look at: in the folder named by the
// environment variable LAUNCHER_RENDER_ARTIFACT_DIR (a Windows path), else in
// the test's working folder. Its content is checked by eye, not here.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/render/render_test_support.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/text_effect_gdiplus.h"

namespace ui {
namespace {

std::wstring ArtifactPath() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"LAUNCHER_RENDER_ARTIFACT_DIR", folder, MAX_PATH);
  std::wstring path = (length > 0 && length < MAX_PATH) ? std::wstring(folder) + L"\\" : L"";
  return path + L"render_gallery.png";
}

// A 24 x 24 button face: dark border of 6 pixels with lighter corners, a
// gradient-free centre, and a translucent glow row.
test_support::TestImage MakeButtonImage() {
  std::vector<DWORD> pixels(24 * 24);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool border_x = x < 6 || x >= 18;
      const bool border_y = y < 6 || y >= 18;
      DWORD colour = 0xFF3A7BD5;                      // centre
      if (border_x || border_y) colour = 0xFF1B3F73;  // edges
      if (border_x && border_y) colour = 0xFFF2A900;  // corners
      if (y == 8 && !border_x) colour = 0x80FFFFFF;   // translucent highlight
      pixels[y * 24 + x] = colour;
    }
  }
  return test_support::MakeImage(24, 24, pixels);
}

test_support::TestImage MakeCheckerImage() {
  std::vector<DWORD> pixels(16 * 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      pixels[y * 16 + x] = ((x / 8 + y / 8) % 2) ? 0xFFE0E0E0 : 0xFF8E44AD;
    }
  }
  return test_support::MakeImage(16, 16, pixels);
}

TEST(RenderGallery, DrawsEveryPrimitiveIntoOnePicture) {
  test_support::TestRenderEnvironment environment;
  environment.AddFont(L"gallery_body", 15);
  environment.AddFont(L"gallery_title", 28, true);
  RenderFactory_GdiPlus factory(&environment);
  std::unique_ptr<IRenderContext> context = factory.CreateRenderContext();
  ASSERT_TRUE(context->Resize(800, 600, true));
  context->DrawColor({0, 0, 800, 600}, 0xFF20232A, 255);

  // Images: nine-grid at 100 and 150 percent, both drawing paths, tiles, fades.
  const test_support::TestImage button = MakeButtonImage();
  const test_support::TestImage checker = MakeCheckerImage();
  const RECT everywhere = {0, 0, 800, 600};
  const RECT button_source = {0, 0, 24, 24};
  const RECT corner = {6, 6, 6, 6};
  context->DrawImage(everywhere, button.frame.get(), button.alpha, {20, 20, 220, 80}, button_source,
                     corner, 255, false, false);
  context->DrawImageGdiPlus(everywhere, button.bitmap.get(), {20, 90, 220, 150}, button_source,
                            corner, 255, false, false);
  environment.scale_percent = 150;
  context->DrawImageGdiPlus(everywhere, button.bitmap.get(), {20, 160, 220, 230}, button_source,
                            corner, 255, false, false);
  environment.scale_percent = 100;
  context->DrawImage(everywhere, button.frame.get(), button.alpha, {20, 240, 220, 300},
                     button_source, corner, 110, false, false);
  const RECT checker_source = {0, 0, 16, 16};
  context->DrawImageGdiPlus(everywhere, checker.bitmap.get(), {240, 20, 380, 150}, checker_source,
                            {0, 0, 0, 0}, 255, true, true);
  context->DrawImage(everywhere, checker.frame.get(), false, {240, 160, 380, 300}, checker_source,
                     {0, 0, 0, 0}, 255, false, false);

  // Shapes.
  context->DrawRect({400, 20, 520, 90}, 2, 0xFFE74C3C);
  context->DrawRoundRect({540, 20, 660, 90}, {24, 24}, 3, 0xFF2ECC71);
  context->FillEllipse({680, 20, 780, 90}, 0xC03498DB);
  context->DrawEllipse({680, 20, 780, 90}, 2, 0xFFFFFFFF);
  context->DrawLineRect({400, 110, 780, 110}, 1, 0xFFBDC3C7);
  std::unique_ptr<IPen> pen = factory.CreatePen(0xFFF1C40F, 4);
  pen->SetDashStyle(Gdiplus::DashStyleDash);
  context->DrawLine(pen.get(), 400, 130, 780, 160);
  pen->SetDashStyle(Gdiplus::DashStyleSolid);
  pen->SetColor(0xFF9B59B6);
  context->DrawBezier(pen.get(), 400, 280, 480, 170, 620, 320, 780, 190);
  std::unique_ptr<IPath> star = factory.CreatePath();
  const POINT points[] = {{590, 180}, {605, 225}, {650, 225}, {615, 250}, {630, 295},
                          {590, 268}, {550, 295}, {565, 250}, {530, 225}, {575, 225}};
  star->AddPolygon(points, 10);
  std::unique_ptr<IBrush> texture = factory.CreateBrushFromBitmap(checker.frame.get());
  context->FillPath(star.get(), texture.get());
  std::unique_ptr<IPen> outline = factory.CreatePen(0xFFFFFFFF, 2);
  context->DrawPath(star.get(), outline.get());

  // Nested clips: a round clip inside a rectangle clip.
  context->SetClip({20, 320, 200, 420});
  context->SetRoundClip({60, 300, 260, 440}, 60, 60);
  context->DrawColor({0, 300, 300, 450}, 0xFF16A085, 255);
  context->ClearClip();
  context->DrawColor({0, 300, 300, 450}, 0xFFE67E22, 60);
  context->ClearClip();

  // Alpha fills.
  context->DrawColor({220, 320, 380, 420}, 0xFFFFFFFF, 128);
  context->DrawColor({260, 340, 340, 400}, 0x80FF0000, 200);

  // Text: alignments, wrapping, ellipsis, fade.
  const RECT box = {400, 320, 780, 420};
  context->DrawRect(box, 1, 0xFF7F8C8D);
  context->DrawText(box, L"Near", 0xFFFFFFFF, L"gallery_body", DT_SINGLELINE, 255, false);
  context->DrawText(box, L"Centred", 0xFFFFFFFF, L"gallery_body",
                    DT_SINGLELINE | DT_CENTER | DT_VCENTER, 255, false);
  context->DrawText(box, L"Far, bottom, faded", 0xFFFFFFFF, L"gallery_body",
                    DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 140, false);
  context->DrawText({20, 460, 380, 520},
                    L"A long sentence that wraps inside its box and ends with an ellipsis when "
                    L"the box is too small to hold every one of its words.",
                    0xFFECF0F1, L"gallery_body", DT_END_ELLIPSIS, 255, true);
  const RECT measured = context->MeasureText(L"Measured", L"gallery_body", DT_SINGLELINE, -1);
  context->DrawText({20, 530, 20 + measured.right, 530 + measured.bottom}, L"Measured", 0xFF1ABC9C,
                    L"gallery_body", DT_SINGLELINE, 255, false);
  context->DrawRect({20, 530, 20 + measured.right, 530 + measured.bottom}, 1, 0xFF1ABC9C);

  // Effect text: outline, gradient, spacing, right-to-left units, Thai.
  TextEffect_GdiPlus outlined;
  outlined.SetOutline(0xFF000000, 0xFFE74C3C, 4, false);
  context->DrawTextWithEffect({400, 440, 780, 480}, L"Outlined title", 0xFFFFFFFF, L"gallery_title",
                              0, &outlined, false);
  TextEffect_GdiPlus gradient;
  gradient.SetGradient(0xFFF1C40F, 0xFFE74C3C, 0.15f, 0.3f);
  gradient.SetOutline(0xFF2C3E50, 0xFF95A5A6, 3, true);
  context->DrawTextWithEffect({400, 485, 780, 525}, L"Gradient text", 0xFFFFFFFF, L"gallery_title",
                              DT_RIGHT, &gradient, false);
  TextEffect_GdiPlus spaced;
  spaced.SetCharacterSpacing(6);
  context->DrawTextWithEffect({400, 530, 780, 600}, L"Spaced \u0e01\u0e34\u0e48 ab", 0xFF3498DB,
                              L"gallery_body", 0, &spaced, false);
  TextEffect_GdiPlus arabic;
  arabic.SetCharacterSpacing(4);
  context->DrawTextWithEffect({400, 530, 780, 600}, L"\u0633\u0644\u0627\u0645 \u0628\u0633\u0645",
                              0xFF2ECC71, L"gallery_body", DT_RIGHT, &arabic, false);

  const std::wstring path = ArtifactPath();
  ASSERT_TRUE(test_support::SaveSurfaceAsPng(context->GetBits(), 800, 600, path));
  wchar_t full_path[MAX_PATH] = {};
  GetFullPathNameW(path.c_str(), MAX_PATH, full_path, nullptr);
  std::printf("render gallery written to %ls\n", full_path);
}

}  // namespace
}  // namespace ui
