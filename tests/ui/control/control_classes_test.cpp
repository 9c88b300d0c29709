#include "ui/control/control_classes.h"

#include <gtest/gtest.h>

#include <memory>

#include "ui/box/markup_builder.h"
#include "ui/control/button.h"
#include "ui/control/check_box.h"
#include "ui/control/circle_progress.h"
#include "ui/control/label.h"
#include "ui/control/list_box.h"
#include "ui/control/list_container_element.h"
#include "ui/control/option.h"
#include "ui/control/progress.h"
#include "ui/control/slider.h"

namespace {

template <typename ControlType>
bool MakesA(const wchar_t* class_name) {
  std::unique_ptr<ui::Control> control(ui::MarkupBuilder::CreateControlByClass(class_name));
  return dynamic_cast<ControlType*>(control.get()) != nullptr;
}

// Layouts name this library's controls by these class names.
TEST(ControlClassesTest, EveryClassNameMakesItsControl) {
  ui::RegisterControlClasses();
  EXPECT_TRUE(MakesA<ui::Label>(L"Label"));
  EXPECT_TRUE(MakesA<ui::Button>(L"Button"));
  EXPECT_TRUE(MakesA<ui::CheckBox>(L"CheckBox"));
  EXPECT_TRUE(MakesA<ui::Option>(L"Option"));
  EXPECT_TRUE(MakesA<ui::ListBox>(L"VListBox"));
  EXPECT_TRUE(MakesA<ui::ListContainerElement>(L"ListContainerElement"));
  EXPECT_TRUE(MakesA<ui::Progress>(L"Progress"));
  EXPECT_TRUE(MakesA<ui::Slider>(L"Slider"));
  EXPECT_FALSE(MakesA<ui::Slider>(L"Progress"));
  EXPECT_TRUE(MakesA<ui::CircleProgress>(L"CircleProgress"));
}

}  // namespace
