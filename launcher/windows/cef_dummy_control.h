#pragma once

#include "ui/core/control.h"

namespace MainComponents {

// Stands where the layout asks for a web view that cannot be made: a plain
// control of the same size that paints only what its attributes give it.
class CefDummyControl : public ui::Control {};

}  // namespace MainComponents
