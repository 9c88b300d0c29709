#include "ui/control/check_box.h"

#include <map>
#include <type_traits>

#include "ui/core/window.h"
#include "ui/render/render_context.h"
#include "ui/resources/global_manager.h"

namespace ui {

template <typename InheritType>
CheckBoxTemplate<InheritType>::CheckBoxTemplate() {
  selected_colors_.SetControl(this);
}

template <typename InheritType>
std::wstring CheckBoxTemplate<InheritType>::GetClass() const {
  return std::is_base_of_v<Box, InheritType> ? L"CheckBoxBox" : L"CheckBox";
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::Selected(bool selected, bool trigger) {
  if (selected_ == selected) return;
  selected_ = selected;
  if (this->window_ && trigger) {
    this->SendEvent(selected_ ? kEventSelect : kEventUnSelect, 0, 0, 0,
                    this->window_->GetLastMousePos());
  }
  this->Invalidate();
}

template <typename InheritType>
Image* CheckBoxTemplate<InheritType>::GetEstimateImage() {
  if (Image* image = InheritType::GetEstimateImage()) return image;
  for (ControlStateType state :
       {kControlStateNormal, kControlStateHot, kControlStatePushed, kControlStateDisabled}) {
    Image* image = this->GetStateImages()[kImageTypeSelectedBackground].Find(state);
    if (image && !image->attribute.file_name.empty()) return image;
  }
  return nullptr;
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::Activate() {
  if (this->IsActivatable()) Selected(!selected_, true);
}

template <typename InheritType>
bool CheckBoxTemplate<InheritType>::HasHotState() {
  if (!selected_colors_[kControlStateHot].empty()) return true;
  return LabelTemplate<InheritType>::HasHotState();
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::SetAttribute(const std::wstring& name,
                                                 const std::wstring& value) {
  static const std::map<std::wstring, ControlStateType> kSelectedImages = {
      {L"selectednormalimage", kControlStateNormal},
      {L"selectedhotimage", kControlStateHot},
      {L"selectedpushedimage", kControlStatePushed},
      {L"selecteddisabledimage", kControlStateDisabled},
  };
  static const std::map<std::wstring, ControlStateType> kSelectedForeImages = {
      {L"selectedforenormalimage", kControlStateNormal},
      {L"selectedforehotimage", kControlStateHot},
      {L"selectedforepushedimage", kControlStatePushed},
      {L"selectedforedisabledimage", kControlStateDisabled},
  };
  static const std::map<std::wstring, ControlStateType> kSelectedColors = {
      {L"selectednormalcolor", kControlStateNormal},
      {L"selectedhotcolor", kControlStateHot},
      {L"selectedpushedcolor", kControlStatePushed},
      {L"selecteddisabledcolor", kControlStateDisabled},
  };
  if (name == L"selected") {
    Selected(value == L"true", true);
  } else if (kSelectedImages.count(name)) {
    SetSelectedImage(kSelectedImages.at(name), value);
  } else if (kSelectedForeImages.count(name)) {
    SetSelectedForeImage(kSelectedForeImages.at(name), value);
  } else if (name == L"selectedtextcolor") {
    SetSelectedTextColor(value);
  } else if (kSelectedColors.count(name)) {
    SetSelectedStateColor(kSelectedColors.at(name), value);
  } else {
    ButtonTemplate<InheritType>::SetAttribute(name, value);
  }
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::SetSelectedTextColor(const std::wstring& color) {
  selected_text_color_ = color;
  this->Invalidate();
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::SetSelectedStateColor(ControlStateType state,
                                                          const std::wstring& color) {
  selected_colors_[state] = color;
  this->Invalidate();
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::SetSelectedImage(ControlStateType state,
                                                     const std::wstring& descriptor) {
  this->GetStateImages().SetImageString(kImageTypeSelectedBackground, state, descriptor);
  this->ArrangeOrInvalidate();
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::SetSelectedForeImage(ControlStateType state,
                                                         const std::wstring& descriptor) {
  this->GetStateImages().SetImageString(kImageTypeSelectedForeground, state, descriptor);
  this->ArrangeOrInvalidate();
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::PaintStatusColor(IRenderContext* context) {
  if (!selected_) {
    InheritType::PaintStatusColor(context);
    return;
  }
  selected_colors_.PaintStateColor(context, this->GetPaintRect(), this->GetState());
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::PaintStatusImage(IRenderContext* context) {
  if (!selected_) {
    InheritType::PaintStatusImage(context);
    return;
  }
  StateImageMap& images = this->GetStateImages();
  images[kImageTypeSelectedBackground].PaintStateImage(context, this->GetState(), L"");
  images[kImageTypeSelectedForeground].PaintStateImage(context, this->GetState(), L"");
}

template <typename InheritType>
void CheckBoxTemplate<InheritType>::PaintText(IRenderContext* context) {
  if (!selected_) {
    LabelTemplate<InheritType>::PaintText(context);
    return;
  }
  const std::wstring text = this->GetText();
  if (text.empty()) return;
  std::wstring color = selected_text_color_;
  if (color.empty()) color = this->text_colors_[kControlStateNormal];
  if (!this->IsEnabled()) color = this->text_colors_[kControlStateDisabled];
  context->DrawText(this->TextRect(), text, GlobalManager::GetTextColor(color), this->font_id_,
                    this->text_style_, 255, false);
}

template class CheckBoxTemplate<Control>;
template class CheckBoxTemplate<Box>;

}  // namespace ui
