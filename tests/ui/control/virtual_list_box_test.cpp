// A virtual list of many rows in a real window: a few elements stand for
// all rows, scrolling moves and refills them instead of creating controls,
// and a shrinking data set drops elements from the front.

#include "ui/control/virtual_list_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/control/control_input.h"
#include "tests/ui/core/render_setup.h"
#include "ui/box/markup_builder.h"
#include "ui/control/control_classes.h"
#include "ui/control/list_container_element.h"
#include "ui/control/virtual_list_data_provider.h"

namespace {

using test_support::InputHost;
using test_support::PumpUntil;
using ui::VirtualListBox;

class CountedElement : public ui::ListContainerElement {
 public:
  CountedElement() { ++live; }
  ~CountedElement() override { --live; }
  static int live;
};
int CountedElement::live = 0;

// Rows named "row <n>"; remembers the row each element shows.
class RowProvider : public ui::VirtualListDataProvider {
 public:
  explicit RowProvider(int32_t rows) : rows(rows) {}
  ui::Control* CreateElement() override {
    ++created;
    return new CountedElement;
  }
  void FillElement(ui::Control* element, int32_t row) override {
    shown[element] = row;
    static_cast<ui::ListContainerElement*>(element)->SetText(L"row " + std::to_wstring(row));
  }
  int32_t GetElementCount() override { return rows; }

  int32_t rows;
  int created = 0;
  std::map<ui::Control*, int32_t> shown;
};

// A list 200 x 300 in a window of that size.
class VirtualListBoxTest : public testing::Test {
 protected:
  VirtualListBoxTest() : host_(std::make_unique<InputHost>(POINT{1000, 620}, SIZE{200, 300})) {
    start_ = CountedElement::live;
    NewList();
  }
  ~VirtualListBoxTest() override {
    host_.reset();
    EXPECT_EQ(CountedElement::live, start_);
  }

  // The window takes the list over when it is shown.
  void NewList() {
    list_ = new VirtualListBox;
    list_->SetAttribute(L"vscrollbar", L"true");
    list_->SetDataProvider(&provider_);
  }
  void Show(int32_t height, int32_t maximum) {
    list_->SetElementHeight(height);
    list_->InitElement(maximum);
    host_->Attach(list_);
  }
  void ScrollTo(int32_t y) { list_->SetScrollPos({0, y}); }
  void Relayout() {
    InvalidateRect(host_->hwnd(), nullptr, FALSE);
    UpdateWindow(host_->hwnd());
  }
  void Key(WPARAM key, ui::EventType type = ui::kEventKeyDown) {
    ui::EventArgs msg;
    msg.Type = type;
    msg.pSender = list_;
    msg.chKey = static_cast<wchar_t>(key);
    list_->HandleEvent(&msg);
  }
  int32_t RowOf(int32_t element) { return provider_.shown[list_->GetItemAt(element)]; }
  // The rows elements first..last show, in element order.
  std::vector<int32_t> Rows(int32_t first, int32_t last) {
    std::vector<int32_t> rows;
    for (int32_t i = first; i <= last; ++i) rows.push_back(RowOf(i));
    return rows;
  }
  static std::vector<int32_t> Range(int32_t from, int32_t to) {
    std::vector<int32_t> rows;
    for (int32_t row = from; row != to + (from <= to ? 1 : -1); row += from <= to ? 1 : -1) {
      rows.push_back(row);
    }
    return rows;
  }
  // The element the window finds at a client point.
  ui::Control* ElementAt(int x, int y) { return host_->window().FindControlAt({x, y}); }

  std::unique_ptr<InputHost> host_;
  int start_ = 0;
  RowProvider provider_{1000};
  VirtualListBox* list_ = nullptr;  // owned by the window once shown
};

TEST_F(VirtualListBoxTest, AThousandRowsScrollThroughTwentyElements) {
  Show(30, 20);
  EXPECT_EQ(list_->GetCount(), 20);
  EXPECT_EQ(provider_.created, 20);
  // The content covers every row: 30000 high in a view of 300.
  EXPECT_EQ(list_->GetScrollRange().cy, 29700);

  ScrollTo(3000);
  EXPECT_EQ(Rows(0, 19), Range(100, 119));
  for (int32_t i = 0; i < 20; ++i) {
    EXPECT_EQ(list_->GetItemAt(i)->GetPos(true).top, 3000 + 30 * i) << i;
  }
  EXPECT_EQ(ElementAt(100, 5), list_->GetItemAt(0));
  EXPECT_EQ(ElementAt(100, 295), list_->GetItemAt(9));

  // Back up: the elements keep a reserve above the view.
  ScrollTo(2400);
  EXPECT_EQ(Rows(9, 19), Range(80, 90));
  EXPECT_EQ(Rows(0, 8), Range(71, 79));
  EXPECT_EQ(list_->GetItemAt(9)->GetPos(true).top, 2400);
  EXPECT_EQ(ElementAt(100, 5), list_->GetItemAt(9));

  // All the way down and back in small steps: no element is ever created.
  for (int32_t y = 0; y <= 29700; y += 170) ScrollTo(y);
  for (int32_t y = 29700; y >= 0; y -= 230) ScrollTo(y);
  EXPECT_EQ(provider_.created, 20);
  EXPECT_EQ(list_->GetCount(), 20);

  // End jumps to the last rows; the arrow keys neither scroll nor select.
  Key(VK_END);
  EXPECT_EQ(list_->GetScrollPos().cy, 29700);
  EXPECT_EQ(RowOf(9), 999);
  Key(VK_DOWN);
  Key(VK_DOWN, ui::kEventKeyUp);
  EXPECT_EQ(list_->GetScrollPos().cy, 29700);
  EXPECT_EQ(list_->GetCurSel(), -1);
  Key(VK_HOME);
  EXPECT_EQ(list_->GetScrollPos().cy, 0);
  EXPECT_EQ(ElementAt(100, 5), list_->GetItemAt(9));
  EXPECT_EQ(RowOf(9), 0);
}

TEST_F(VirtualListBoxTest, RefreshAfterTheRowsShrankDropsElementsFromTheFront) {
  Show(30, 20);
  ScrollTo(2400);
  std::vector<ui::Control*> kept;
  for (int32_t i = 15; i < 20; ++i) kept.push_back(list_->GetItemAt(i));
  provider_.rows = 5;
  list_->Refresh();
  ASSERT_EQ(list_->GetCount(), 5);
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(list_->GetItemAt(i), kept[i]) << i;
    EXPECT_EQ(RowOf(i), i);
  }
  // The removed elements go after the current message.
  ASSERT_TRUE(PumpUntil([this] { return CountedElement::live == start_ + 5; }));

  // Grown again: new elements up to the maximum, the rest recycled.
  provider_.rows = 500;
  list_->Refresh();
  EXPECT_EQ(list_->GetCount(), 20);
  EXPECT_EQ(provider_.created, 35);
  Relayout();
  EXPECT_EQ(list_->GetScrollRange().cy, 15000 - 300);
}

TEST_F(VirtualListBoxTest, DegenerateSizesPlaceNothingOutOfRange) {
  const struct {
    const char* label;
    int32_t height;
    int32_t maximum;
  } cases[] = {
      // Rows of height 0 are not recycled: a plain list of 20 elements.
      {"height 0", 0, 20},
      // Fewer elements than the view holds: no negative element index.
      {"maximum below the view", 30, 5},
  };
  bool first = true;
  for (const auto& item : cases) {
    SCOPED_TRACE(item.label);
    if (!first) {
      host_ = std::make_unique<InputHost>(POINT{1000, 620}, SIZE{200, 300});
      NewList();
      provider_.shown.clear();
    }
    first = false;
    Show(item.height, item.maximum);
    ScrollTo(3000);
    ScrollTo(2400);
    list_->Refresh();
    EXPECT_EQ(list_->GetCount(), item.maximum);
    for (int32_t i = 0; i < list_->GetCount(); ++i) {
      const int32_t row = RowOf(i);
      EXPECT_GE(row, 0);
      EXPECT_LT(row, 1000);
    }
  }
  // Five elements after scrolling back to 2400 show rows 80 to 84.
  EXPECT_EQ(Rows(0, 4), Range(80, 84));
}

TEST(VirtualListBoxMarkupTest, TheClassNameBuildsAVirtualList) {
  ui::RegisterControlClasses();
  std::unique_ptr<ui::Control> built(ui::MarkupBuilder::CreateControlByClass(L"VirtualListBox"));
  EXPECT_NE(dynamic_cast<VirtualListBox*>(built.get()), nullptr);
}

}  // namespace
