#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/box/box.h"
#include "ui/core/control.h"
#include "ui/render/text_effect.h"
#include "ui/resources/image.h"

namespace ui {

// DrawText flags the text controls use.
constexpr UINT kTextCenter = DT_CENTER;
constexpr UINT kTextRight = DT_RIGHT;
constexpr UINT kTextVCenter = DT_VCENTER;
constexpr UINT kTextBottom = DT_BOTTOM;
constexpr UINT kTextSingleLine = DT_SINGLELINE;
constexpr UINT kTextNoClip = DT_NOCLIP;
constexpr UINT kTextEndEllipsis = DT_END_ELLIPSIS;

// The text style an "align" value makes of `style`: each of its words, in a
// fixed order, edits the flags ("vcenter" also centres horizontally).
UINT ApplyAlignWords(UINT style, const std::wstring& value);

// A control with a text: literal or a language key, a font, alignment and
// wrapping, padding, one colour name per state, auto size from the measured
// text and an optional text effect (gradient fill, layered outline). Over
// Control it is the "Label", over Box the "LabelBox".
template <typename InheritType>
class LabelTemplate : public InheritType {
 public:
  LabelTemplate();
  ~LabelTemplate() override;

  // The markup class name the builder creates this control by.
  virtual std::wstring GetClass() const;
  // The text, or the language string of the text id when the text is empty.
  virtual std::wstring GetText() const;
  virtual std::string GetUTF8Text() const;
  virtual void SetText(const std::wstring& text);
  virtual void SetUTF8Text(const std::string& text);
  virtual void SetTextId(const std::wstring& id, bool clear_text);
  virtual std::wstring GetTextId() const { return text_id_; }
  virtual void SetUTF8TextId(const std::string& id, bool clear_text);
  virtual void SetTextOutline(const std::wstring& color1, const std::wstring& color2, int layers,
                              bool gradient);
  virtual void SetGradientText(const std::wstring& color1, const std::wstring& color2,
                               float width_fraction, float height_fraction);
  // Only with a text effect; a plain label keeps its spacing.
  virtual void SetCharacterSpacing(int pixels);

  void Activate() override;
  SIZE EstimateText(SIZE available, bool* re_estimate) override;
  bool HasHotState() override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintText(IRenderContext* context) override;

  const std::wstring& GetFont() const { return font_id_; }
  void SetFont(const std::wstring& font_id);
  UINT GetTextStyle() const { return text_style_; }
  void SetTextStyle(UINT style);
  RECT GetTextPadding() const { return text_padding_; }
  void SetTextPadding(RECT padding);
  bool IsSingleLine() const { return single_line_; }
  void SetSingleLine(bool single_line);
  bool IsLineLimit() const { return line_limit_; }
  void SetLineLimit(bool line_limit);
  std::wstring GetStateTextColor(ControlStateType state);
  // Setting the hot colour installs the hot fade.
  void SetStateTextColor(ControlStateType state, const std::wstring& color);
  ITextEffect* GetTextEffect() const { return text_effect_.get(); }

 protected:
  // Arranges the ancestors when a size is automatic, else repaints.
  void ArrangeOrInvalidate();
  void SyncSingleLine();
  // The colour state after the fallbacks (pushed -> hot -> normal, disabled
  // -> normal).
  ControlStateType TextColorState();
  void DrawTextOnce(IRenderContext* context, const RECT& rect, const std::wstring& text,
                    const std::wstring& color, BYTE fade);
  RECT TextRect() const;

  std::wstring font_id_;
  UINT text_style_ = DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS;
  bool single_line_ = true;
  bool line_limit_ = false;
  RECT text_padding_ = {0, 0, 0, 0};
  std::wstring text_;
  std::wstring text_id_;
  StateColorMap text_colors_;
  std::unique_ptr<ITextEffect> text_effect_;
};

extern template class LabelTemplate<Control>;
extern template class LabelTemplate<Box>;

using Label = LabelTemplate<Control>;
using LabelBox = LabelTemplate<Box>;

}  // namespace ui
