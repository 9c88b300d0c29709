#pragma once

#include <windows.h>

#include "ui/box/box.h"
#include "ui/core/shadow.h"

namespace ui {

// The box a window's root is wrapped in when the window has a shadow: its
// padding is the shadow's width, and its background image, the shadow, is
// painted only where the paint reaches outside the root.
class ShadowBox : public Box, public ShadowFrame {
 public:
  ShadowBox();
  ~ShadowBox() override;

  void Paint(IRenderContext* context, const RECT& paint) override;

  Control* GetContent() const override { return GetItemAt(0); }
  RECT GetFramePadding() const override { return GetLayout()->GetPadding(); }
  void SetFramePadding(const RECT& padding) override { GetLayout()->SetPadding(padding, false); }

  // Wraps the root in a new shadow box, which the shadow then names and the
  // caller makes the window's root; the root itself when the shadow is not
  // attached.
  static Control* AttachShadow(Shadow* shadow, Control* root);

 private:
  Shadow* shadow_ = nullptr;  // the window's; forgets this box when it goes
};

}  // namespace ui
