#pragma once

#include <windows.h>

#include "ui/render/render_context.h"

namespace ui {

// Sets a clip (rectangle or rounded rectangle) on a render context for the
// length of a scope, when clipping is wanted.
class AutoClip {
 public:
  AutoClip(IRenderContext* context, const RECT& rect, bool clip = true)
      : context_(clip ? context : nullptr) {
    if (context_) context_->SetClip(rect);
  }
  AutoClip(IRenderContext* context, const RECT& rect, int corner_width, int corner_height,
           bool clip = true)
      : context_(clip ? context : nullptr) {
    if (context_) context_->SetRoundClip(rect, corner_width, corner_height);
  }
  ~AutoClip() {
    if (context_) context_->ClearClip();
  }
  AutoClip(const AutoClip&) = delete;
  AutoClip& operator=(const AutoClip&) = delete;

 private:
  IRenderContext* context_;  // not owned
};

}  // namespace ui
