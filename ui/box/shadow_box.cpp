#include "ui/box/shadow_box.h"

namespace ui {

namespace {

constexpr SIZE kContentRound = {3, 3};

// A fixed size grows by the shadow on both sides; stretch and auto stay.
int32_t WithShadow(int32_t size, LONG before, LONG after) {
  return size > 0 ? size + before + after : size;
}

}  // namespace

ShadowBox::ShadowBox() : Box(std::make_unique<Layout>()) {}

ShadowBox::~ShadowBox() {
  if (shadow_ && shadow_->shadowBox == this) shadow_->shadowBox = nullptr;
}

void ShadowBox::Paint(IRenderContext* context, const RECT& paint) {
  const RECT inner = GetPaddingPos();
  if (paint.left < inner.left || paint.top < inner.top || paint.right > inner.right ||
      paint.bottom > inner.bottom) {
    Box::Paint(context, paint);
  }
}

Control* ShadowBox::AttachShadow(Shadow* shadow, Control* root) {
  if (!shadow->attached) return root;
  auto* box = new ShadowBox;
  shadow->shadowBox = box;
  box->shadow_ = shadow;
  const RECT& corner = shadow->corner;
  box->GetLayout()->SetPadding(corner, false);
  box->SetFixedWidth(WithShadow(root->GetFixedWidth(), corner.left, corner.right), true, false);
  box->SetFixedHeight(WithShadow(root->GetFixedHeight(), corner.top, corner.bottom), false);
  if (shadow->roundCorners) root->SetBorderRound(kContentRound);
  box->Add(root);
  box->SetBkImage(shadow->image);
  return box;
}

}  // namespace ui
