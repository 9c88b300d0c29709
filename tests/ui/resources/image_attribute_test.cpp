#include "ui/resources/image_attribute.h"

#include <string>

#include <gtest/gtest.h>

#include "ui/resources/global_manager.h"

namespace ui {
namespace {

struct Expected {
  std::wstring file_name;
  RECT dest;
  RECT source;
  RECT corner;
  int fade;
  bool xtiled;
  bool ytiled;
  int play_count;
};

constexpr RECT kNotGiven = {-1, -1, -1, -1};
constexpr RECT kNoCorner = {0, 0, 0, 0};

struct DescriptorCase {
  const char* name;
  std::wstring descriptor;
  Expected expected;
};

void ExpectAttribute(const ImageAttribute& attribute, const Expected& expected) {
  EXPECT_EQ(attribute.file_name, expected.file_name);
  EXPECT_TRUE(EqualRect(&attribute.dest, &expected.dest))
      << attribute.dest.left << "," << attribute.dest.top << "," << attribute.dest.right << ","
      << attribute.dest.bottom;
  EXPECT_TRUE(EqualRect(&attribute.source, &expected.source));
  EXPECT_TRUE(EqualRect(&attribute.corner, &expected.corner));
  EXPECT_EQ(attribute.fade, expected.fade);
  EXPECT_EQ(attribute.xtiled, expected.xtiled);
  EXPECT_EQ(attribute.ytiled, expected.ytiled);
  EXPECT_EQ(attribute.play_count, expected.play_count);
}

// Every case starts from an attribute whose file name is "old.png".
class ApplyDescriptorTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(ApplyDescriptorTest, AppliesWellFormedPairs) {
  ImageAttribute attribute;
  attribute.file_name = L"old.png";
  attribute.ApplyDescriptor(GetParam().descriptor);
  ExpectAttribute(attribute, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ApplyDescriptorTest,
    ::testing::Values(
        DescriptorCase{"FileAndDest",
                       L"file='a.png' dest='0,0,24,24'",
                       {L"a.png", {0, 0, 24, 24}, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"ResIsFile",
                       L"res='b.png'",
                       {L"b.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"NoBlankAfterApostropheStops",
                       L"file='a.png'dest='0,0,1,1'",
                       {L"a.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"TabAfterApostropheStops",
                       L"file='a.png'\tdest='0,0,1,1'",
                       {L"a.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"EmptyValueIsSkipped",
                       L"file='' dest='1,2,3,4'",
                       {L"old.png", {1, 2, 3, 4}, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"FadeKeepsLowEightBits",
                       L"fade='300'",
                       {L"old.png", kNotGiven, kNotGiven, kNoCorner, 44, false, false, -1}},
        DescriptorCase{"NegativeFadeWraps",
                       L"fade='-1'",
                       {L"old.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"TiledOnlyForExactTrue",
                       L"xtiled='TRUE' ytiled='true'",
                       {L"old.png", kNotGiven, kNotGiven, kNoCorner, 255, false, true, -1}},
        DescriptorCase{"PlainPathAppliesNothing",
                       L"../public/img.png",
                       {L"old.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"KeyWithoutEqualsEndsParsing",
                       L"file='a.png' key dest='1,1,1,1'",
                       {L"a.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"UnterminatedValueIsNotApplied",
                       L"fade='9' file='a.png",
                       {L"old.png", kNotGiven, kNotGiven, kNoCorner, 9, false, false, -1}},
        DescriptorCase{"BlanksAroundEquals",
                       L"  file =  'a b.png' ",
                       {L"a b.png", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"SourceCornerAndPlayCount",
                       L"source='1,2,3,4' corner='5;6;7;8' playcount='-3' other='x' fade='7'",
                       {L"old.png", kNotGiven, {1, 2, 3, 4}, {5, 6, 7, 8}, 7, false, false, -3}},
        DescriptorCase{"ShortRectangleFillsZeros",
                       L"dest='5,6'",
                       {L"old.png", {5, 6, 0, 0}, kNotGiven, kNoCorner, 255, false, false, -1}},
        DescriptorCase{"SurrogatePairsStayWhole",
                       L"file='\U0001F600.png' fade='1'",
                       {L"\U0001F600.png", kNotGiven, kNotGiven, kNoCorner, 1, false, false, -1}}),
    [](const ::testing::TestParamInfo<DescriptorCase>& info) {
      return std::string(info.param.name);
    });

TEST(ImageAttribute, InitRestoresDefaults) {
  ImageAttribute attribute;
  attribute.ApplyDescriptor(L"file='a.png' dest='1,1,2,2' xtiled='true' fade='3' playcount='2'");
  attribute.descriptor = L"file='a.png'";
  attribute.Init();
  EXPECT_TRUE(attribute.descriptor.empty());
  ExpectAttribute(attribute, {L"", kNotGiven, kNotGiven, kNoCorner, 255, false, false, -1});
}

TEST(ParseRectValue, ReadsFourNumbersAcrossAnySeparator) {
  struct Case {
    const wchar_t* text;
    RECT rect;
  };
  const Case table[] = {
      {L"1,2,3,4", {1, 2, 3, 4}},   {L"-1 -2 -3 -4", {-1, -2, -3, -4}}, {L"7", {7, 0, 0, 0}},
      {L"1,,3,4", {1, 0, 3, 4}},    {L"x,2,3,4", {0, 0, 2, 3}},         {L"", {0, 0, 0, 0}},
      {L"1,2,3,4,5", {1, 2, 3, 4}}, {L"10,20,30,", {10, 20, 30, 0}},
  };
  for (const Case& entry : table) {
    const RECT rect = ParseRectValue(entry.text);
    EXPECT_TRUE(EqualRect(&rect, &entry.rect)) << "text: " << testing::PrintToString(entry.text);
  }
}

class DpiScaledDescriptorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalManager::dpiAware = true;
    GlobalManager::dpiScalePercent = 150;
  }
  void TearDown() override {
    GlobalManager::dpiAware = false;
    GlobalManager::dpiScalePercent = 100;
  }

  RECT DestOf(const std::wstring& descriptor) {
    ImageAttribute attribute;
    attribute.ApplyDescriptor(descriptor);
    return attribute.dest;
  }
};

TEST_F(DpiScaledDescriptorTest, DestIsScaledUnlessTurnedOffBeforeIt) {
  const RECT scaled = {0, 0, 36, 36};
  const RECT unscaled = {0, 0, 24, 24};
  const RECT dest1 = DestOf(L"file='a.png' dest='0,0,24,24'");
  const RECT dest2 = DestOf(L"destscale='false' dest='0,0,24,24'");
  const RECT dest3 = DestOf(L"dest='0,0,24,24' destscale='false'");
  EXPECT_TRUE(EqualRect(&dest1, &scaled));
  EXPECT_TRUE(EqualRect(&dest2, &unscaled));
  EXPECT_TRUE(EqualRect(&dest3, &scaled));
}

TEST_F(DpiScaledDescriptorTest, ScalingKeepsTheScaledSizeFromTheScaledCorner) {
  const RECT dest = DestOf(L"dest='10,10,34,35'");
  const RECT expected = {15, 15, 15 + 36, 15 + 38};  // MulDiv(25, 150, 100) rounds to 38
  EXPECT_TRUE(EqualRect(&dest, &expected));
}

TEST_F(DpiScaledDescriptorTest, SourceAndCornerAreNeverScaled) {
  ImageAttribute attribute;
  attribute.ApplyDescriptor(L"source='0,0,10,10' corner='4,4,4,4'");
  const RECT source = {0, 0, 10, 10};
  const RECT corner = {4, 4, 4, 4};
  EXPECT_TRUE(EqualRect(&attribute.source, &source));
  EXPECT_TRUE(EqualRect(&attribute.corner, &corner));
}

TEST_F(DpiScaledDescriptorTest, NothingIsScaledWithoutDpiAwareness) {
  GlobalManager::dpiAware = false;
  const RECT dest = DestOf(L"dest='0,0,24,24'");
  const RECT expected = {0, 0, 24, 24};
  EXPECT_TRUE(EqualRect(&dest, &expected));
}

}  // namespace
}  // namespace ui
