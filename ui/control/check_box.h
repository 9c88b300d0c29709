#pragma once

#include <string>

#include "ui/control/button.h"

namespace ui {

// A button with a selected flag, toggled by activation, and its own images,
// state colours and text colour while selected.
template <typename InheritType>
class CheckBoxTemplate : public ButtonTemplate<InheritType> {
 public:
  CheckBoxTemplate();

  std::wstring GetClass() const override;
  // Sends select or unselect (with trigger and a window) when the flag changes.
  virtual void Selected(bool selected, bool trigger);

  Image* GetEstimateImage() override;
  void Activate() override;
  bool HasHotState() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintStatusColor(IRenderContext* context) override;
  void PaintStatusImage(IRenderContext* context) override;
  void PaintText(IRenderContext* context) override;

  bool IsSelected() const { return selected_; }
  const std::wstring& GetSelectedTextColor() const { return selected_text_color_; }
  void SetSelectedTextColor(const std::wstring& color);
  void SetSelectedStateColor(ControlStateType state, const std::wstring& color);
  void SetSelectedImage(ControlStateType state, const std::wstring& descriptor);
  void SetSelectedForeImage(ControlStateType state, const std::wstring& descriptor);

 protected:
  bool selected_ = false;
  std::wstring selected_text_color_;
  StateColorMap selected_colors_;
};

extern template class CheckBoxTemplate<Control>;
extern template class CheckBoxTemplate<Box>;

using CheckBox = CheckBoxTemplate<Control>;
using CheckBoxBox = CheckBoxTemplate<Box>;

}  // namespace ui
