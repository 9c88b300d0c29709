#include "ui/core/events.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using ui::EventArgs;
using ui::EventMap;
using ui::HandlerListResult;

TEST(EventsTest, MarkupNamesTable) {
  const struct {
    const wchar_t* name;
    ui::EventType type;
  } cases[] = {
      {L"all", ui::kEventAll},
      {L"buttondown", ui::kEventButtonDown},
      {L"rbuttondown", ui::kEventRButtonDown},
      {L"scrollwheel", ui::kEventScrollWheel},
      {L"windowclose", ui::kEventWindowClose},
      {L"valuechange", ui::kEventValueChange},
      {L"return", ui::kEventReturn},
      // Events without a markup name, and unknown or differently cased names.
      {L"click", ui::kEventNone},
      {L"rbuttonup", ui::kEventNone},
      {L"resize", ui::kEventNone},
      {L"ButtonDown", ui::kEventNone},
      {L"", ui::kEventNone},
  };
  for (const auto& item : cases) {
    EXPECT_EQ(ui::EventTypeFromMarkupName(item.name), item.type)
        << testing::PrintToString(std::wstring(item.name));
  }
}

TEST(EventsTest, MouseEventsAreExactlyMoveToWheel) {
  for (int32_t type = 0; type <= ui::kEventResize; ++type) {
    EXPECT_EQ(ui::IsMouseEvent(static_cast<ui::EventType>(type)), type >= 14 && type <= 24) << type;
  }
}

TEST(EventsTest, HandlerListsRunInOrderAndStopAtTheFirstFalse) {
  auto owner = std::make_shared<qbase::WeakFlag>();
  EventMap map;
  std::string trace;
  ui::AddToEventMap(&map, ui::kEventClick, [&](EventArgs*) {
    trace += "a";
    return true;
  });
  ui::AddToEventMap(&map, ui::kEventClick, [&](EventArgs*) {
    trace += "b";
    return false;
  });
  ui::AddToEventMap(&map, ui::kEventClick, [&](EventArgs*) {
    trace += "c";
    return true;
  });
  EventArgs args;
  EXPECT_EQ(ui::RunHandlerList(map, ui::kEventSelect, &args, owner), HandlerListResult::NoList);
  EXPECT_EQ(ui::RunHandlerList(map, ui::kEventClick, &args, owner), HandlerListResult::Stopped);
  EXPECT_EQ(trace, "ab");

  bool result = true;
  EXPECT_TRUE(ui::RunHandlers(map, ui::kEventSelect, &args, owner, &result));
  EXPECT_TRUE(result);
  EXPECT_TRUE(ui::RunHandlers(map, ui::kEventClick, &args, owner, &result));
  EXPECT_FALSE(result);
}

// A handler may add handlers or destroy the map's owner (and the map).
TEST(EventsTest, ListRunsOnACopyAndStopsWhenItsOwnerDies) {
  auto owner = std::make_shared<qbase::WeakFlag>();
  auto map = std::make_unique<EventMap>();
  int added_runs = 0;
  int after_death = 0;
  ui::AddToEventMap(map.get(), ui::kEventClick, [&](EventArgs*) {
    ui::AddToEventMap(map.get(), ui::kEventClick, [&](EventArgs*) {
      ++added_runs;
      return true;
    });
    return true;
  });
  EventArgs args;
  EXPECT_EQ(ui::RunHandlerList(*map, ui::kEventClick, &args, owner), HandlerListResult::Continue);
  EXPECT_EQ(added_runs, 0);

  EventMap dying;
  ui::AddToEventMap(&dying, ui::kEventClick, [&](EventArgs*) {
    owner.reset();
    return true;
  });
  ui::AddToEventMap(&dying, ui::kEventClick, [&](EventArgs*) {
    ++after_death;
    return true;
  });
  const std::weak_ptr<qbase::WeakFlag> weak = owner;
  EXPECT_EQ(ui::RunHandlerList(dying, ui::kEventClick, &args, weak), HandlerListResult::OwnerGone);
  EXPECT_EQ(after_death, 0);
}

}  // namespace
