#include "ui/render/text_effect_gdiplus.h"

#include <memory>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/ui/render/render_test_support.h"
#include "ui/render/render_context_gdiplus.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {
namespace {

using test_support::CountPixels;
using test_support::InkBounds;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr DWORD kBlack = 0xFF000000;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kBlue = 0xFF0000FF;

TEST(TextEffect, FactoryMakesAPlainEffect) {
  RenderFactory_GdiPlus factory;
  std::unique_ptr<ITextEffect> effect = factory.CreateTextEffect();
  EXPECT_EQ(effect->GetCharacterSpacing(), 0);
  effect->SetCharacterSpacing(3);
  EXPECT_EQ(effect->GetCharacterSpacing(), 3);
}

TEST(TextEffect, OutlineColoursSplitInTwoHalves) {
  TextEffect_GdiPlus effect;
  effect.SetOutline(kRed, kBlue, 4, false);
  EXPECT_THAT(effect.outline_colors(), ElementsAre(kRed, kRed, kBlue, kBlue));
  effect.SetOutline(kRed, kBlue, 3, false);
  EXPECT_THAT(effect.outline_colors(), ElementsAre(kRed, kBlue, kBlue));
  effect.SetOutline(kRed, kBlue, 1, false);
  EXPECT_THAT(effect.outline_colors(), ElementsAre(kBlue));
  effect.SetOutline(kRed, kBlue, 0, true);
  EXPECT_THAT(effect.outline_colors(), IsEmpty());
}

TEST(TextEffect, GradientOutlineColoursBlendOpaquely) {
  TextEffect_GdiPlus effect;
  effect.SetOutline(0xFF000000, 0xFFFFFFFF, 5, true);
  const std::vector<DWORD>& colours = effect.outline_colors();
  ASSERT_EQ(colours.size(), 5u);
  for (size_t i = 0; i < colours.size(); ++i) {
    EXPECT_EQ(colours[i] >> 24, 0xFFu) << i;
    if (i > 0) {
      EXPECT_GT(colours[i] & 0xFF, colours[i - 1] & 0xFF) << i;
    }
  }
  EXPECT_LT(colours.front() & 0xFF, 0x40u);
  EXPECT_GT(colours.back() & 0xFF, 0xC0u);
}

// Draws effect text for real into a black surface.
class TextEffectDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    environment_.AddFont(L"effect_font", 20);
    ASSERT_TRUE(context_.Resize(300, 120, true));
    context_.DrawColor({0, 0, 300, 120}, kBlack, 255);
  }
  RECT Draw(const std::wstring& text, UINT style = 0, const RECT& rect = {20, 10, 280, 110}) {
    context_.DrawColor({0, 0, 300, 120}, kBlack, 255);
    context_.DrawTextWithEffect(rect, text, kWhite, L"effect_font", style, &effect_, false);
    return InkBounds(context_, kBlack);
  }

  test_support::TestRenderEnvironment environment_;
  RenderContext_GdiPlus context_{&environment_};
  TextEffect_GdiPlus effect_;
};

TEST_F(TextEffectDrawingTest, WholeTextFollowsTheFormatAlignment) {
  const RECT left = Draw(L"Wave");
  const RECT right = Draw(L"Wave", DT_RIGHT);
  ASSERT_GT(left.right, left.left);
  EXPECT_LT(left.left, 30);
  EXPECT_GT(right.right, 265);
  EXPECT_LE(right.right, 282);
}

TEST_F(TextEffectDrawingTest, SpacingWidensTheText) {
  const RECT plain = Draw(L"abcd");
  effect_.SetCharacterSpacing(10);
  const RECT spaced = Draw(L"abcd");
  EXPECT_GE(spaced.right - spaced.left, plain.right - plain.left + 25);
  EXPECT_LT(spaced.left, 30);
}

TEST_F(TextEffectDrawingTest, SpacedTextWithFarAlignmentEndsAtTheRight) {
  effect_.SetCharacterSpacing(4);
  const RECT ink = Draw(L"abcd", DT_RIGHT);
  EXPECT_GT(ink.right, 262);
  EXPECT_LE(ink.right, 282);
  EXPECT_GT(ink.left, 150);
}

TEST_F(TextEffectDrawingTest, SpacedLinesStackDownwards) {
  effect_.SetCharacterSpacing(2);
  const RECT one_line = Draw(L"ab");
  const RECT two_lines = Draw(L"ab\n\nab");
  EXPECT_GT(two_lines.bottom - two_lines.top, (one_line.bottom - one_line.top) + 10);
  EXPECT_EQ(two_lines.left, one_line.left);
}

TEST_F(TextEffectDrawingTest, BlankAddsAtLeastTheSpacing) {
  effect_.SetCharacterSpacing(6);
  const RECT joined = Draw(L"ab");
  const RECT apart = Draw(L"a b");
  EXPECT_GE(apart.right - joined.right, 6 + 1);
}

TEST_F(TextEffectDrawingTest, AnUncuttableTextLeavesNoLinesForTheNextText) {
  effect_.SetCharacterSpacing(3);
  const RECT wave = Draw(L"Wave");
  Draw(std::wstring(L"ok\n") + L'\xD800' + L"x");
  const RECT again = Draw(L"Wave");
  EXPECT_EQ(again.left, wave.left);
  EXPECT_EQ(again.right, wave.right);
  EXPECT_EQ(again.bottom, wave.bottom);
}

TEST_F(TextEffectDrawingTest, ArabicAndThaiTextIsDrawn) {
  effect_.SetCharacterSpacing(3);
  EXPECT_GT(Draw(L"\u0633\u0644\u0627\u0645 ab").right, 0);
  EXPECT_GT(Draw(L"\u0e01\u0e34\u0e48").right, 0);
  EXPECT_GT(Draw(L"\u0e01\u0e34\u0e48").right, 0) << "the kept cut is reused";
}

TEST_F(TextEffectDrawingTest, OutlineIsDrawnAroundTheFill) {
  effect_.SetOutline(kRed, kBlue, 4, false);
  const RECT outlined = Draw(L"Hi");
  EXPECT_GT(CountPixels(context_, kBlue), 20);
  EXPECT_GT(CountPixels(context_, kWhite), 20);
  TextEffect_GdiPlus plain;
  context_.DrawColor({0, 0, 300, 120}, kBlack, 255);
  context_.DrawTextWithEffect({20, 10, 280, 110}, L"Hi", kWhite, L"effect_font", 0, &plain, false);
  const RECT bare = InkBounds(context_, kBlack);
  EXPECT_LT(outlined.left, bare.left);
  EXPECT_GT(outlined.right, bare.right);
}

TEST_F(TextEffectDrawingTest, GradientFillShowsBothColours) {
  effect_.SetGradient(kRed, kBlue, 0.1f, 0.1f);
  Draw(L"WWWWWW");
  int reddish = 0;
  int bluish = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 300; ++x) {
      const DWORD pixel = test_support::PixelAt(context_, x, y);
      if (test_support::Red(pixel) > 200 && test_support::Blue(pixel) < 60) ++reddish;
      if (test_support::Blue(pixel) > 200 && test_support::Red(pixel) < 60) ++bluish;
    }
  }
  EXPECT_GT(reddish, 5);
  EXPECT_GT(bluish, 5);
  EXPECT_EQ(CountPixels(context_, kWhite), 0) << "the colour given is not used";
}

}  // namespace
}  // namespace ui
