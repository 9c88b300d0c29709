#include "ui/resources/image.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/ui/render/gdiplus_test_support.h"
#include "ui/render/render_context_gdiplus.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/skin_render_environment.h"

namespace ui {
namespace {

using ::testing::ElementsAre;
using ::testing::IsNull;

// One call of the owner's image drawing: the file drawn and the fade asked.
struct DrawCall {
  std::wstring file_name;
  int fade;
  bool operator==(const DrawCall& other) const {
    return file_name == other.file_name && fade == other.fade;
  }
};

void PrintTo(const DrawCall& call, std::ostream* out) {
  *out << testing::PrintToString(call.file_name) << " at " << call.fade;
}

// Records the drawing; an image is drawn when it has a file name.
class RecordingOwner : public StateImageOwner {
 public:
  bool DrawImage(IRenderContext*, Image& image, const std::wstring& modifier, int fade) override {
    EXPECT_EQ(modifier, expected_modifier);
    if (image.attribute.file_name.empty()) return false;
    calls.push_back({image.attribute.file_name, fade == -1 ? image.attribute.fade : fade});
    return true;
  }
  bool HasHotStatePlayer() const override { return hot_player; }
  int GetHotAlpha() const override { return hot_alpha; }

  bool hot_player = false;
  int hot_alpha = 0;
  std::wstring expected_modifier;
  std::vector<DrawCall> calls;
};

class StateImageTest : public ::testing::Test {
 protected:
  StateImageTest() { images_.SetControl(&owner_); }

  void Set(ControlStateType state, const std::wstring& descriptor) {
    images_.SetImageString(kImageTypeBackground, state, descriptor);
  }
  bool Paint(ControlStateType state) {
    return images_[kImageTypeBackground].PaintStateImage(nullptr, state, owner_.expected_modifier);
  }

  RecordingOwner owner_;
  StateImageMap images_;
};

TEST_F(StateImageTest, EachStateDrawsItsOwnImage) {
  Set(kControlStateNormal, L"normal.png");
  Set(kControlStateHot, L"file='hot.png' fade='200'");
  Set(kControlStatePushed, L"pushed.png");
  Set(kControlStateDisabled, L"disabled.png");
  owner_.expected_modifier = L"dest='0,0,4,4'";
  for (ControlStateType state :
       {kControlStateNormal, kControlStateHot, kControlStatePushed, kControlStateDisabled}) {
    EXPECT_TRUE(Paint(state));
  }
  EXPECT_THAT(owner_.calls,
              ElementsAre(DrawCall{L"normal.png", 255}, DrawCall{L"hot.png", 200},
                          DrawCall{L"pushed.png", 255}, DrawCall{L"disabled.png", 255}));
}

TEST_F(StateImageTest, MissingStatesFallBack) {
  Set(kControlStateNormal, L"normal.png");
  EXPECT_TRUE(Paint(kControlStateHot));
  EXPECT_TRUE(Paint(kControlStatePushed));
  EXPECT_TRUE(Paint(kControlStateDisabled));
  EXPECT_THAT(owner_.calls, ElementsAre(DrawCall{L"normal.png", 255}, DrawCall{L"normal.png", 255},
                                        DrawCall{L"normal.png", 255}));
}

TEST_F(StateImageTest, PushedWithoutImageDrawsHotOpaqueFromThenOn) {
  Set(kControlStateNormal, L"normal.png");
  Set(kControlStateHot, L"file='hot.png' fade='128'");
  EXPECT_TRUE(Paint(kControlStatePushed));
  EXPECT_TRUE(Paint(kControlStateHot));
  EXPECT_THAT(owner_.calls, ElementsAre(DrawCall{L"hot.png", 255}, DrawCall{L"hot.png", 255}));
}

TEST_F(StateImageTest, NothingToDrawIsFalse) {
  EXPECT_FALSE(Paint(kControlStateNormal));
  EXPECT_FALSE(Paint(kControlStateDisabled));
  EXPECT_TRUE(owner_.calls.empty());
}

TEST_F(StateImageTest, HotAnimationCrossFadesTheSameImage) {
  Set(kControlStateNormal, L"file='button.png' fade='100'");
  Set(kControlStateHot, L"file='button.png' fade='200'");
  owner_.hot_player = true;
  const int alphas[] = {0, 255, 51};
  for (int alpha : alphas) {
    owner_.hot_alpha = alpha;
    EXPECT_TRUE(Paint(kControlStateHot));
  }
  // 0.8 x 100 + 0.2 x 200 = 120.
  EXPECT_THAT(owner_.calls, ElementsAre(DrawCall{L"button.png", 100}, DrawCall{L"button.png", 200},
                                        DrawCall{L"button.png", 120}));
}

TEST_F(StateImageTest, HotAnimationDrawsHotOverNormal) {
  Set(kControlStateNormal, L"normal.png");
  Set(kControlStateHot, L"file='hot.png' fade='200'");
  owner_.hot_player = true;
  owner_.hot_alpha = 128;
  EXPECT_TRUE(Paint(kControlStateNormal));
  // 200 x 128 / 255 = 100.39.
  EXPECT_THAT(owner_.calls, ElementsAre(DrawCall{L"normal.png", 255}, DrawCall{L"hot.png", 100}));
  owner_.calls.clear();
  Set(kControlStateHot, L"file='normal.png' source='0,0,2,2'");
  EXPECT_TRUE(Paint(kControlStateHot));
  EXPECT_EQ(owner_.calls.size(), 2u) << "a different source is not the same image";
}

TEST_F(StateImageTest, HotAnimationLeavesPushedAndDisabledAlone) {
  Set(kControlStateNormal, L"normal.png");
  Set(kControlStateHot, L"hot.png");
  owner_.hot_player = true;
  owner_.hot_alpha = 255;
  EXPECT_TRUE(Paint(kControlStatePushed));
  EXPECT_TRUE(Paint(kControlStateDisabled));
  EXPECT_THAT(owner_.calls, ElementsAre(DrawCall{L"hot.png", 255}, DrawCall{L"normal.png", 255}));
}

TEST_F(StateImageTest, SetImageStringResetsTheSlot) {
  Set(kControlStateNormal, L"file='a.png' fade='10' xtiled='true'");
  Image& image = images_[kImageTypeBackground][kControlStateNormal];
  image.image_info = std::make_shared<ImageInfo>();
  image.current_frame = 3;
  image.playing = true;
  Set(kControlStateNormal, L"../public/img.png");
  EXPECT_EQ(image.attribute.descriptor, L"../public/img.png");
  EXPECT_EQ(image.attribute.file_name, L"../public/img.png");
  EXPECT_EQ(image.attribute.fade, 255);
  EXPECT_FALSE(image.attribute.xtiled);
  EXPECT_FALSE(image.image_info);
  EXPECT_EQ(image.current_frame, 0);
  EXPECT_FALSE(image.playing);
}

TEST_F(StateImageTest, FirstImageIsTheFirstStateWithAFile) {
  EXPECT_THAT(images_.GetFirstImage(kImageTypeForeground), IsNull());
  Set(kControlStatePushed, L"pushed.png");
  Set(kControlStateDisabled, L"disabled.png");
  images_[kImageTypeBackground][kControlStateHot];  // entered, without a file
  Image* first = images_.GetFirstImage(kImageTypeBackground);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->attribute.file_name, L"pushed.png");
  StateImageMap unset;
  EXPECT_THAT(unset.GetFirstImage(kImageTypeBackground), IsNull());
}

TEST_F(StateImageTest, ClearCacheDropsEveryDecodedImage) {
  Set(kControlStateNormal, L"a.png");
  Set(kControlStateHot, L"b.png");
  StateImage& state_image = images_[kImageTypeBackground];
  state_image[kControlStateNormal].image_info = std::make_shared<ImageInfo>();
  state_image[kControlStateHot].image_info = std::make_shared<ImageInfo>();
  state_image[kControlStateHot].cycles_played = 2;
  state_image.ClearCache();
  EXPECT_FALSE(state_image[kControlStateNormal].image_info);
  EXPECT_FALSE(state_image[kControlStateHot].image_info);
  EXPECT_EQ(state_image[kControlStateHot].cycles_played, 0);
}

// Colours are painted for real onto a small surface.
class StateColorMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.Resize(4, 4, true));
    GlobalManager::textColors[L"test_blue"] = 0xFF0000FF;
    GlobalManager::textColors[L"test_red"] = 0xFFFF0000;
    GlobalManager::textColors[L"test_green"] = 0xFF00FF00;
    colors_.SetControl(&owner_);
  }
  void TearDown() override { GlobalManager::textColors.clear(); }

  DWORD Paint(ControlStateType state) {
    context_.Clear();
    const RECT all = {0, 0, 4, 4};
    colors_.PaintStateColor(&context_, all, state);
    return static_cast<const DWORD*>(context_.GetBits())[5] & 0x00FFFFFF;
  }

  RecordingOwner owner_;
  SkinRenderEnvironment environment_;
  RenderContext_GdiPlus context_{&environment_};
  StateColorMap colors_;
};

TEST_F(StateColorMapTest, StatesAndFallbacks) {
  colors_[kControlStateNormal] = L"test_blue";
  colors_[kControlStatePushed] = L"test_green";
  EXPECT_EQ(Paint(kControlStateNormal), 0x0000FFu);
  EXPECT_EQ(Paint(kControlStateHot), 0x0000FFu);
  EXPECT_EQ(Paint(kControlStatePushed), 0x00FF00u);
  EXPECT_EQ(Paint(kControlStateDisabled), 0x0000FFu);
  colors_[kControlStateHot] = L"test_red";
  colors_[kControlStatePushed] = L"";
  EXPECT_EQ(Paint(kControlStatePushed), 0xFF0000u);
}

TEST_F(StateColorMapTest, EmptyOrUnknownNamesPaintNothingVisible) {
  EXPECT_EQ(Paint(kControlStateNormal), 0u);
  colors_[kControlStateNormal] = L"test_unknown";
  EXPECT_EQ(Paint(kControlStateNormal), 0u);
  EXPECT_EQ(GlobalManager::textColors.count(L"test_unknown"), 1u);
}

TEST_F(StateColorMapTest, HotAnimationBlendsHotOverNormal) {
  colors_[kControlStateNormal] = L"test_blue";
  colors_[kControlStateHot] = L"test_red";
  owner_.hot_player = true;
  owner_.hot_alpha = 0;
  EXPECT_EQ(Paint(kControlStateHot), 0x0000FFu);
  owner_.hot_alpha = 255;
  EXPECT_EQ(Paint(kControlStateNormal), 0xFF0000u);
  owner_.hot_alpha = 128;
  const DWORD blended = Paint(kControlStateNormal);
  EXPECT_NEAR(static_cast<int>((blended >> 16) & 0xFF), 128, 2);
  EXPECT_NEAR(static_cast<int>(blended & 0xFF), 127, 2);
}

}  // namespace
}  // namespace ui
