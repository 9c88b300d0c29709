#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/weak_callback.h"

namespace ui {

class Control;

// The event numbers; the gaps are unassigned. Mouse events are exactly
// kEventMouseMove to kEventScrollWheel.
enum EventType : int32_t {
  kEventInternalDoubleClick = 0,
  kEventInternalMenu = 1,
  kEventInternalSetFocus = 2,
  kEventInternalKillFocus = 3,
  kEventNone = 4,
  kEventAll = 6,
  kEventKeyDown = 8,
  kEventKeyUp = 9,
  kEventChar = 10,
  kEventSysKey = 11,
  kEventMouseMove = 14,
  kEventMouseEnter = 15,
  kEventMouseLeave = 16,
  kEventMouseHover = 17,
  kEventButtonDown = 18,
  kEventButtonUp = 19,
  kEventRButtonDown = 20,
  kEventRButtonUp = 21,
  kEventDoubleClick = 22,
  kEventMenu = 23,
  kEventScrollWheel = 24,
  kEventTouchDown = 27,
  kEventTouchMove = 28,
  kEventTouchUp = 29,
  kEventPointerDown = 32,
  kEventPointerMove = 33,
  kEventPointerUp = 34,
  kEventSetFocus = 36,
  kEventKillFocus = 37,
  kEventWindowSize = 38,
  kEventWindowClose = 39,
  kEventSetCursor = 40,
  kEventClick = 41,
  kEventSelect = 42,
  kEventUnSelect = 43,
  kEventTextChange = 44,
  kEventReturn = 45,
  kEventTab = 46,
  kEventImeStartComposition = 48,
  kEventImeEndComposition = 49,
  kEventScrollChange = 50,
  kEventValueChange = 51,
  kEventResize = 52,
};

bool IsMouseEvent(EventType type);
// The type a markup "Event" or "BubbledEvent" name stands for; kEventNone for
// a name that is not in the vocabulary.
EventType EventTypeFromMarkupName(const std::wstring& name);

// One event, built on the stack by its sender and passed by pointer; never kept.
struct EventArgs {
  EventType Type = kEventNone;
  Control* pSender = nullptr;  // for bubbled events: the control it started at
  uint32_t dwTimestamp = 0;
  POINT ptMouse = {0, 0};  // window client coordinates
  wchar_t chKey = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  float pressure = 0;
};

// Returns false to stop the handlers after it (and, when its list is the last
// to run, the control's own handling).
using EventCallback = std::function<bool(EventArgs*)>;
using EventMap = std::map<EventType, std::vector<EventCallback>>;

void AddToEventMap(EventMap* map, EventType type, const EventCallback& callback);

enum class HandlerListResult {
  NoList,     // the map has no list for the type
  Continue,   // every handler returned true
  Stopped,    // a handler returned false; the ones after it did not run
  OwnerGone,  // a handler destroyed the object whose event it was
};

// Runs the type's handlers in order. It runs a copy of the list and tests
// `owner` after every handler, so a handler may destroy the map's owner (and
// with it the map) without anything touching freed memory afterwards.
HandlerListResult RunHandlerList(const EventMap& map, EventType type, EventArgs* args,
                                 const std::weak_ptr<qbase::WeakFlag>& owner);

// RunHandlerList folded into a running result: a list that ran replaces
// `result` (true unless a handler stopped it). False when the owner died.
bool RunHandlers(const EventMap& map, EventType type, EventArgs* args,
                 const std::weak_ptr<qbase::WeakFlag>& owner, bool* result);

}  // namespace ui
