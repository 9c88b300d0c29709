#pragma once

#include <string>

#include "ui/core/events.h"

namespace ui {

class Control;

// The handler of one receiver of a markup "Event" element on `carrier`: it
// applies the attribute list to the receiver and never stops the event. A
// receiver written ".\name" or "./name" is a descendant of the carrier (or the
// carrier itself), found by name without regard to case; any other name is
// looked up in the window's name map. A name that finds nothing applies
// nothing. The handler lives in the carrier's handler map, so the carrier
// outlives it.
EventCallback MakeMarkupEventHandler(Control* carrier, const std::wstring& receiver,
                                     const std::wstring& attributes);

}  // namespace ui
