#include "ui/core/events.h"

namespace ui {

bool IsMouseEvent(EventType type) { return type >= kEventMouseMove && type <= kEventScrollWheel; }

EventType EventTypeFromMarkupName(const std::wstring& name) {
  static const std::map<std::wstring, EventType> kNames = {
      {L"all", kEventAll},
      {L"keydown", kEventKeyDown},
      {L"keyup", kEventKeyUp},
      {L"char", kEventChar},
      {L"syskey", kEventSysKey},
      {L"mousemove", kEventMouseMove},
      {L"mouseenter", kEventMouseEnter},
      {L"mouseleave", kEventMouseLeave},
      {L"mousehover", kEventMouseHover},
      {L"buttondown", kEventButtonDown},
      {L"buttonup", kEventButtonUp},
      {L"rbuttondown", kEventRButtonDown},
      {L"doubleclick", kEventDoubleClick},
      {L"menu", kEventMenu},
      {L"scrollwheel", kEventScrollWheel},
      {L"setfocus", kEventSetFocus},
      {L"killfocus", kEventKillFocus},
      {L"windowclose", kEventWindowClose},
      {L"setcursor", kEventSetCursor},
      {L"select", kEventSelect},
      {L"unselect", kEventUnSelect},
      {L"return", kEventReturn},
      {L"tab", kEventTab},
      {L"scrollchange", kEventScrollChange},
      {L"valuechange", kEventValueChange},
  };
  const auto found = kNames.find(name);
  return found == kNames.end() ? kEventNone : found->second;
}

void AddToEventMap(EventMap* map, EventType type, const EventCallback& callback) {
  (*map)[type].push_back(callback);
}

HandlerListResult RunHandlerList(const EventMap& map, EventType type, EventArgs* args,
                                 const std::weak_ptr<qbase::WeakFlag>& owner) {
  const auto found = map.find(type);
  if (found == map.end()) return HandlerListResult::NoList;
  const std::vector<EventCallback> handlers = found->second;
  for (const EventCallback& handler : handlers) {
    const bool go_on = handler(args);
    if (owner.expired()) return HandlerListResult::OwnerGone;
    if (!go_on) return HandlerListResult::Stopped;
  }
  return HandlerListResult::Continue;
}

bool RunHandlers(const EventMap& map, EventType type, EventArgs* args,
                 const std::weak_ptr<qbase::WeakFlag>& owner, bool* result) {
  switch (RunHandlerList(map, type, args, owner)) {
    case HandlerListResult::NoList:
      return true;
    case HandlerListResult::Continue:
      *result = true;
      return true;
    case HandlerListResult::Stopped:
      *result = false;
      return true;
    case HandlerListResult::OwnerGone:
      return false;
  }
  return false;
}

}  // namespace ui
