#pragma once

#include <string>

#include "ui/box/box.h"
#include "ui/core/control.h"

// The first control named `name` inside `box` (the box itself excluded), or
// null. List items repeat their children's names, so the window's name map
// cannot tell one item's control from another's.
ui::Control* FindNamedChild(ui::Box* box, const std::wstring& name);
