#include "ui/control/label.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/core/host_window.h"
#include "tests/ui/core/render_setup.h"
#include "tests/ui/core/test_window.h"
#include "ui/box/box.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/language_string_table.h"

namespace {

using test_support::HostWindow;
using ui::Label;

TEST(LabelAlignTest, WordsEditTheStyleInTheirFixedOrder) {
  constexpr UINT kLabel = DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS;
  struct Case {
    const wchar_t* value;
    UINT expected;
  };
  const Case cases[] = {
      {L"left", DT_NOCLIP | DT_END_ELLIPSIS},
      {L"center", kLabel | DT_CENTER},
      {L"right", DT_NOCLIP | DT_END_ELLIPSIS | DT_RIGHT},
      {L"top", kLabel},
      {L"bottom", kLabel | DT_BOTTOM},
      {L"vcenter", kLabel | DT_CENTER | DT_VCENTER},
      // "vcenter" holds "center", and it comes after "left".
      {L"left vcenter", DT_NOCLIP | DT_END_ELLIPSIS | DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {L"right bottom", DT_NOCLIP | DT_END_ELLIPSIS | DT_RIGHT | DT_BOTTOM | DT_SINGLELINE},
      {L"", kLabel},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui::ApplyAlignWords(kLabel, c.value), c.expected) << c.value;
  }
}

// An effect that records what the label asks of it.
class RecordingEffect : public ui::ITextEffect {
 public:
  void SetGradient(DWORD color1, DWORD color2, float width, float height) override {
    gradient = {color1, color2};
    fractions = {width, height};
  }
  void SetOutline(DWORD color1, DWORD color2, int count, bool with_gradient) override {
    outline = {color1, color2};
    layers = count;
    outline_gradient = with_gradient;
  }
  void SetCharacterSpacing(int value) override { spacing = value; }
  int GetCharacterSpacing() const override { return spacing; }
  void DrawText(const RECT&, const std::wstring&, DWORD, Gdiplus::GpGraphics*, Gdiplus::GpFont*,
                Gdiplus::GpStringFormat*) override {}

  std::vector<DWORD> gradient;
  std::vector<float> fractions;
  std::vector<DWORD> outline;
  int layers = -1;
  bool outline_gradient = false;
  int spacing = 0;
};

class RecordingFactory : public ui::RenderFactory_GdiPlus {
 public:
  using RenderFactory_GdiPlus::RenderFactory_GdiPlus;
  std::unique_ptr<ui::ITextEffect> CreateTextEffect() override {
    auto effect = std::make_unique<RecordingEffect>();
    last = effect.get();
    return effect;
  }
  RecordingEffect* last = nullptr;
};

// Labels in a real window, over the process's fonts and colours.
class LabelTest : public testing::Test {
 protected:
  LabelTest() {
    ui::GlobalManager::AddTextColor(L"red", L"#FFFF0000");
    ui::GlobalManager::AddTextColor(L"green", L"#FF00FF00");
    ui::GlobalManager::AddTextColor(L"blue", L"#FF0000FF");
    ui::GlobalManager::AddTextColor(L"white", L"#FFFFFFFF");
    if (!ui::GlobalManager::measureDC)
      ui::GlobalManager::measureDC.reset(CreateCompatibleDC(nullptr));
    ui::GlobalManager::AddFont(L"label_font", L"Tahoma", 20, false, false, false, true);
    host_.GetShadow().attached = false;
    host_.CreatePopup({40, 40, 440, 240}, false);
    root_ = new ui::VBox;
    host_.AttachRootControl(root_);
  }
  ~LabelTest() override { host_.Destroy(); }

  Label* AddLabel(const std::wstring& text) {
    auto* label = new Label;
    label->SetFont(L"label_font");
    label->SetText(text);
    root_->Add(label);
    return label;
  }
  SIZE Estimate(Label* label) { return label->EstimateText({400, 200}, nullptr); }

  // Paints the label alone on white and counts the pixels of each colour.
  int CountInk(Label* label, DWORD rgb) {
    auto surface = test_support::MakeSurface(400, 60);
    surface->DrawColor({0, 0, 400, 60}, 0xFFFFFFFF, 255);
    label->SetPos({0, 0, 400, 60});
    label->Paint(surface.get(), {0, 0, 400, 60});
    // Smoothed edges blend with the white; count the pixels near the colour.
    int count = 0;
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 400; ++x) {
        const DWORD pixel = test_support::PixelAt(*surface, x, y);
        bool close = true;
        for (int shift : {0, 8, 16}) {
          const int got = (pixel >> shift) & 0xFF;
          const int want = (rgb >> shift) & 0xFF;
          close = close && std::abs(got - want) < 80;
        }
        count += close ? 1 : 0;
      }
    }
    return count;
  }

  HostWindow host_;
  ui::Box* root_ = nullptr;
};

TEST_F(LabelTest, MeasuresItsTextWithPaddingAndNothingWithoutText) {
  Label* label = AddLabel(L"Hello");
  EXPECT_EQ(label->GetClass(), L"Label");
  EXPECT_EQ(label->GetFixedWidth(), ui::kSizeAuto);
  const SIZE plain = Estimate(label);
  EXPECT_GT(plain.cx, 10);
  EXPECT_GT(plain.cy, 10);
  label->SetAttribute(L"textpadding", L"3,4,5,6");
  const SIZE padded = Estimate(label);
  EXPECT_EQ(padded.cx, plain.cx + 8);
  EXPECT_EQ(padded.cy, plain.cy + 10);
  // Fewer numbers leave the rest 0.
  label->SetAttribute(L"textpadding", L"7");
  EXPECT_EQ(label->GetTextPadding().left, 7);
  EXPECT_EQ(label->GetTextPadding().bottom, 0);

  Label* empty = AddLabel(L"");
  EXPECT_EQ(Estimate(empty).cx, 0);
  EXPECT_EQ(Estimate(empty).cy, 0);
  EXPECT_EQ(CountInk(empty, 0), 0);

  auto* box = new ui::LabelBox;
  root_->Add(box);
  EXPECT_EQ(box->GetClass(), L"LabelBox");
  EXPECT_EQ(box->GetFixedWidth(), ui::kSizeStretch);
}

TEST_F(LabelTest, TextIdShowsTheCurrentLanguageString) {
  ui::LanguageStringTable* table = ui::LanguageStringTable::GetInstance();
  ASSERT_TRUE(table->ParseLines({L"STRING_LABEL_TEST=first"}));
  Label* label = AddLabel(L"");
  label->SetAttribute(L"textid", L"STRING_LABEL_TEST");
  EXPECT_EQ(label->GetText(), L"first");
  ASSERT_TRUE(table->ParseLines({L"STRING_LABEL_TEST=second"}));
  EXPECT_EQ(label->GetText(), L"second");
  // A literal text wins over the id until the id is set with clearing.
  label->SetText(L"literal");
  EXPECT_EQ(label->GetText(), L"literal");
  label->SetTextId(L"STRING_LABEL_TEST", true);
  EXPECT_EQ(label->GetText(), L"second");
}

TEST_F(LabelTest, SettingTheSameTextNeitherArrangesNorInvalidates) {
  Label* label = AddLabel(L"same");
  label->SetFixedWidth(100, false, false);
  label->SetFixedHeight(30, false);
  InvalidateRect(host_.GetHWND(), nullptr, FALSE);
  UpdateWindow(host_.GetHWND());
  ValidateRect(host_.GetHWND(), nullptr);
  label->SetText(L"same");
  RECT update = {};
  EXPECT_FALSE(GetUpdateRect(host_.GetHWND(), &update, FALSE));
  label->SetText(L"other");
  EXPECT_TRUE(GetUpdateRect(host_.GetHWND(), &update, FALSE));
}

TEST_F(LabelTest, StateColoursFallBackAndUnknownNamesPaintNothing) {
  Label* label = AddLabel(L"WWWWWW");
  label->SetAttribute(L"normaltextcolor", L"red");
  struct Case {
    ui::ControlStateType state;
    const wchar_t* hot;
    const wchar_t* pushed;
    const wchar_t* disabled;
    DWORD expected;
  };
  const Case cases[] = {
      {ui::kControlStatePushed, L"green", L"", L"", 0x00FF00},  // pushed -> hot
      {ui::kControlStatePushed, L"", L"", L"", 0xFF0000},       // pushed -> hot -> normal
      {ui::kControlStatePushed, L"green", L"blue", L"", 0x0000FF},
      {ui::kControlStateDisabled, L"green", L"", L"", 0xFF0000},  // disabled -> normal
      {ui::kControlStateDisabled, L"", L"", L"blue", 0x0000FF},
  };
  for (const Case& c : cases) {
    label->SetAttribute(L"hottextcolor", c.hot);
    label->SetAttribute(L"pushedtextcolor", c.pushed);
    label->SetAttribute(L"disabledtextcolor", c.disabled);
    label->SetState(c.state);
    label->SetHotAlpha(c.state == ui::kControlStatePushed ? 255 : 0);  // as input leaves it
    EXPECT_GT(CountInk(label, c.expected), 20) << c.state << " " << c.hot << c.pushed;
  }
  label->SetState(ui::kControlStateNormal);
  label->SetAttribute(L"normaltextcolor", L"no_such_colour");
  EXPECT_EQ(CountInk(label, 0xFFFFFF), 400 * 60);
}

TEST_F(LabelTest, HotFadeDrawsTheHotColourOverTheNormalOne) {
  Label* label = AddLabel(L"WWWWWW");
  label->SetAttribute(L"normaltextcolor", L"red");
  label->SetAttribute(L"hottextcolor", L"blue");
  EXPECT_TRUE(label->HasHotState());
  label->SetState(ui::kControlStateHot);
  label->SetHotAlpha(0);
  EXPECT_GT(CountInk(label, 0xFF0000), 20);
  EXPECT_EQ(CountInk(label, 0x0000FF), 0);
  label->SetHotAlpha(255);
  EXPECT_GT(CountInk(label, 0x0000FF), 20);
}

class LabelEffectTest : public LabelTest {
 protected:
  LabelEffectTest() {
    saved_ = std::move(ui::GlobalManager::renderFactory);
    auto factory = std::make_unique<RecordingFactory>(&environment_);
    factory_ = factory.get();
    ui::GlobalManager::renderFactory = std::move(factory);
  }
  ~LabelEffectTest() override { ui::GlobalManager::renderFactory = std::move(saved_); }

  ui::SkinRenderEnvironment environment_;
  std::unique_ptr<ui::IRenderFactory> saved_;
  RecordingFactory* factory_ = nullptr;
};

TEST_F(LabelEffectTest, GradientTextPartsAndSpacingWidenTheLabel) {
  Label* label = AddLabel(L"abcd");
  const SIZE plain = Estimate(label);
  label->SetAttribute(L"gradient_text", L"red,blue");  // too short: ignored
  label->SetAttribute(L"gradient_outline", L"red,blue");
  EXPECT_EQ(label->GetTextEffect(), nullptr);

  label->SetAttribute(L"gradient_text", L"red,blue,0.5,0.25");
  ASSERT_NE(factory_->last, nullptr);
  EXPECT_EQ(factory_->last->gradient, (std::vector<DWORD>{0xFFFF0000, 0xFF0000FF}));
  EXPECT_EQ(factory_->last->fractions, (std::vector<float>{0.5f, 0.25f}));
  EXPECT_EQ(factory_->last->spacing, 0);
  label->SetAttribute(L"gradient_text", L"red,blue,0.5,0.25,2");
  EXPECT_EQ(factory_->last->spacing, 2);
  EXPECT_EQ(Estimate(label).cx, plain.cx + 2 * 4);
}

TEST_F(LabelEffectTest, GradientOutlineFlagFollowsTheFourthPart) {
  struct Case {
    const wchar_t* value;
    int layers;
    bool gradient;
  };
  const Case cases[] = {
      {L"red,blue,3", 3, true},     {L"red,blue,4,0", 4, false},   {L"red,blue,5,false", 5, false},
      {L"red,blue,6,yes", 6, true}, {L"red,blue,2,true", 2, true},
  };
  for (const Case& c : cases) {
    Label* label = AddLabel(L"x");
    label->SetAttribute(L"gradient_outline", c.value);
    ASSERT_NE(factory_->last, nullptr);
    EXPECT_EQ(factory_->last->outline, (std::vector<DWORD>{0xFFFF0000, 0xFF0000FF})) << c.value;
    EXPECT_EQ(factory_->last->layers, c.layers) << c.value;
    EXPECT_EQ(factory_->last->outline_gradient, c.gradient) << c.value;
  }
}

TEST_F(LabelTest, ClicksWhenActivatedInAWindow) {
  Label* label = AddLabel(L"click");
  int clicks = 0;
  label->AddEventHandler(ui::kEventClick, [&](ui::EventArgs*) {
    ++clicks;
    return true;
  });
  label->Activate();
  EXPECT_EQ(clicks, 1);
  label->SetEnabled(false);
  label->Activate();
  EXPECT_EQ(clicks, 1);
}

}  // namespace
