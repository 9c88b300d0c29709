#include "ui/resources/image.h"

#include "ui/render/render_context.h"

namespace ui {

void Image::ClearCache() {
  image_info.reset();
  current_frame = 0;
  playing = false;
  cycles_played = 0;
}

Image* StateImage::Find(ControlStateType state) {
  const auto found = images_.find(state);
  return found == images_.end() ? nullptr : &found->second;
}

bool StateImage::PaintStateImage(IRenderContext* context, ControlStateType state,
                                 const std::wstring& modifier) {
  if (owner_ && owner_->HasHotStatePlayer() &&
      (state == kControlStateNormal || state == kControlStateHot)) {
    Image& normal = images_[kControlStateNormal];
    Image& hot = images_[kControlStateHot];
    const double hot_share = owner_->GetHotAlpha() / 255.0;
    if (!normal.attribute.file_name.empty() &&
        normal.attribute.file_name == hot.attribute.file_name &&
        EqualRect(&normal.attribute.source, &hot.attribute.source)) {
      const int fade = static_cast<int>((1 - hot_share) * normal.attribute.fade +
                                        hot_share * hot.attribute.fade);
      return owner_->DrawImage(context, hot, modifier, fade);
    }
    owner_->DrawImage(context, normal, modifier, -1);
    return owner_->DrawImage(context, hot, modifier,
                             static_cast<int>(hot.attribute.fade * hot_share));
  }
  if (!owner_) return false;
  if (state == kControlStatePushed && images_[kControlStatePushed].attribute.descriptor.empty()) {
    state = kControlStateHot;
    images_[kControlStateHot].attribute.fade = 255;
  }
  if (state == kControlStateHot && images_[kControlStateHot].attribute.descriptor.empty()) {
    state = kControlStateNormal;
  }
  if (state == kControlStateDisabled &&
      images_[kControlStateDisabled].attribute.descriptor.empty()) {
    state = kControlStateNormal;
  }
  return owner_->DrawImage(context, images_[state], modifier, -1);
}

void StateImage::ClearCache() {
  for (auto& entry : images_) entry.second.ClearCache();
}

void StateImageMap::SetControl(StateImageOwner* owner) {
  for (ImageType type : {kImageTypeBackground, kImageTypeForeground, kImageTypeSelectedBackground,
                         kImageTypeSelectedForeground}) {
    state_images_[type].SetControl(owner);
  }
}

void StateImageMap::SetImageString(ImageType type, ControlStateType state,
                                   const std::wstring& descriptor) {
  Image& image = state_images_[type][state];
  image.ClearCache();
  image.attribute.Init();
  image.attribute.descriptor = descriptor;
  image.attribute.file_name = descriptor;
  image.attribute.ApplyDescriptor(descriptor);
}

Image* StateImageMap::GetFirstImage(ImageType type) {
  const auto found = state_images_.find(type);
  if (found == state_images_.end()) return nullptr;
  for (ControlStateType state :
       {kControlStateNormal, kControlStateHot, kControlStatePushed, kControlStateDisabled}) {
    Image* image = found->second.Find(state);
    if (image && !image->attribute.file_name.empty()) return image;
  }
  return nullptr;
}

void StateColorMap::PaintStateColor(IRenderContext* context, const RECT& rect,
                                    ControlStateType state) {
  if (owner_ && owner_->HasHotStatePlayer() &&
      (state == kControlStateNormal || state == kControlStateHot) &&
      !colors_[kControlStateHot].empty()) {
    context->DrawColorByName(rect, colors_[kControlStateNormal], 255);
    const int hot_alpha = owner_->GetHotAlpha();
    if (hot_alpha >= 1) {
      context->DrawColorByName(rect, colors_[kControlStateHot], static_cast<BYTE>(hot_alpha));
    }
    return;
  }
  if (state == kControlStatePushed && colors_[kControlStatePushed].empty()) {
    state = kControlStateHot;
  }
  if (state == kControlStateHot && colors_[kControlStateHot].empty()) state = kControlStateNormal;
  if (state == kControlStateDisabled && colors_[kControlStateDisabled].empty()) {
    state = kControlStateNormal;
  }
  context->DrawColorByName(rect, colors_[state], 255);
}

}  // namespace ui
