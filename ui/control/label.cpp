#include "ui/control/label.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/string_util.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image_attribute.h"
#include "ui/resources/language_string_table.h"

namespace ui {

namespace {

std::vector<std::wstring> SplitAtCommas(const std::wstring& value) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (true) {
    const size_t comma = value.find(L',', start);
    parts.push_back(value.substr(start, comma - start));
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return parts;
}

template <typename T>
constexpr bool kIsBox = std::is_base_of_v<Box, T>;

}  // namespace

UINT ApplyAlignWords(UINT style, const std::wstring& value) {
  const auto has = [&](const wchar_t* word) { return value.find(word) != std::wstring::npos; };
  if (has(L"left")) style &= ~(DT_CENTER | DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  if (has(L"center")) style = (style & ~DT_RIGHT) | DT_CENTER;
  if (has(L"right")) style = (style & ~(DT_CENTER | DT_VCENTER | DT_SINGLELINE)) | DT_RIGHT;
  if (has(L"top")) style = (style & ~(DT_VCENTER | DT_BOTTOM)) | DT_SINGLELINE;
  if (has(L"vcenter")) style = (style & ~DT_BOTTOM) | DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (has(L"bottom")) style = (style & ~DT_VCENTER) | DT_BOTTOM | DT_SINGLELINE;
  return style;
}

template <typename InheritType>
LabelTemplate<InheritType>::LabelTemplate() {
  text_colors_.SetControl(this);
  text_colors_[kControlStateNormal] = GlobalManager::defaultTextColor;
  text_colors_[kControlStateDisabled] = GlobalManager::defaultDisabledTextColor;
  const int32_t size = kIsBox<InheritType> ? kSizeStretch : kSizeAuto;
  this->fixed_size_ = {size, size};
}

template <typename InheritType>
LabelTemplate<InheritType>::~LabelTemplate() = default;

template <typename InheritType>
std::wstring LabelTemplate<InheritType>::GetClass() const {
  return kIsBox<InheritType> ? L"LabelBox" : L"Label";
}

template <typename InheritType>
std::wstring LabelTemplate<InheritType>::GetText() const {
  if (text_.empty() && !text_id_.empty()) {
    return LanguageStringTable::GetInstance()->GetStringById(text_id_);
  }
  return text_;
}

template <typename InheritType>
std::string LabelTemplate<InheritType>::GetUTF8Text() const {
  return qbase::WideToUtf8(GetText());
}

template <typename InheritType>
void LabelTemplate<InheritType>::ArrangeOrInvalidate() {
  if (this->fixed_size_.cx == kSizeAuto || this->fixed_size_.cy == kSizeAuto) {
    this->ArrangeAncestor();
  } else {
    this->Invalidate();
  }
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetText(const std::wstring& text) {
  if (text == text_) return;
  text_ = text;
  ArrangeOrInvalidate();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetUTF8Text(const std::string& text) {
  SetText(qbase::Utf8ToWide(text));
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetTextId(const std::wstring& id, bool clear_text) {
  if (id == text_id_ && !clear_text) return;
  text_id_ = id;
  if (clear_text) text_.clear();
  ArrangeOrInvalidate();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetUTF8TextId(const std::string& id, bool clear_text) {
  SetTextId(qbase::Utf8ToWide(id), clear_text);
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetTextOutline(const std::wstring& color1,
                                                const std::wstring& color2, int layers,
                                                bool gradient) {
  if (!text_effect_) text_effect_ = GlobalManager::renderFactory->CreateTextEffect();
  text_effect_->SetOutline(GlobalManager::GetTextColor(color1), GlobalManager::GetTextColor(color2),
                           layers, gradient);
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetGradientText(const std::wstring& color1,
                                                 const std::wstring& color2, float width_fraction,
                                                 float height_fraction) {
  if (!text_effect_) text_effect_ = GlobalManager::renderFactory->CreateTextEffect();
  text_effect_->SetGradient(GlobalManager::GetTextColor(color1),
                            GlobalManager::GetTextColor(color2), width_fraction, height_fraction);
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetCharacterSpacing(int pixels) {
  if (text_effect_) text_effect_->SetCharacterSpacing(pixels);
}

template <typename InheritType>
void LabelTemplate<InheritType>::Activate() {
  if (!this->IsActivatable() || !this->window_) return;
  this->SendEvent(kEventClick, 0, 0, 0, this->window_->GetLastMousePos());
}

template <typename InheritType>
void LabelTemplate<InheritType>::SyncSingleLine() {
  if (single_line_) {
    text_style_ |= DT_SINGLELINE;
  } else {
    text_style_ &= ~DT_SINGLELINE;
  }
}

template <typename InheritType>
SIZE LabelTemplate<InheritType>::EstimateText(SIZE available, bool* re_estimate) {
  SyncSingleLine();
  SIZE result = {0, 0};
  const std::wstring text = GetText();
  if (text.empty() || !this->window_ || !this->window_->GetRenderContext()) return result;
  IRenderContext* context = this->window_->GetRenderContext();
  const SIZE fixed = this->fixed_size_;
  const RECT& padding = text_padding_;
  RECT measured = context->MeasureText(text, font_id_, text_style_, fixed.cx < 0 ? 0 : fixed.cx);
  LONG width = measured.right - measured.left;
  LONG height = measured.bottom - measured.top;
  if (fixed.cx == kSizeAuto) result.cx = padding.left + padding.right + width;
  if (fixed.cy == kSizeAuto) {
    if (!single_line_ && fixed.cx == kSizeAuto && this->max_size_.cx == kSizeStretch) {
      // The wrap width follows what the parent offers, so measure at every layout.
      if (re_estimate) *re_estimate = true;
      const LONG room = available.cx - padding.left - padding.right;
      if (width > room) {
        measured = context->MeasureText(text, font_id_, text_style_, room);
        height = measured.bottom - measured.top;
        width = room;
      }
    }
    result.cx = padding.left + padding.right + width;
    result.cy = padding.top + padding.bottom + height;
  }
  if (text_effect_) {
    const int spacing = text_effect_->GetCharacterSpacing();
    size_t characters = text.size();
    if (!single_line_) {
      characters = 0;
      size_t start = 0;
      while (true) {
        const size_t end = text.find(L'\n', start);
        const size_t length = (end == std::wstring::npos ? text.size() : end) - start;
        characters = std::max(characters, length);
        if (end == std::wstring::npos) break;
        start = end + 1;
      }
    }
    result.cx += static_cast<LONG>(spacing * static_cast<int>(characters));
  }
  return result;
}

template <typename InheritType>
bool LabelTemplate<InheritType>::HasHotState() {
  if (!text_colors_[kControlStateHot].empty()) return true;
  return InheritType::HasHotState();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetAttribute(const std::wstring& name, const std::wstring& value) {
  const bool flag = value == L"true";
  if (name == L"align") {
    text_style_ = ApplyAlignWords(text_style_, value);
  } else if (name == L"endellipsis") {
    text_style_ = flag ? (text_style_ | DT_END_ELLIPSIS) : (text_style_ & ~DT_END_ELLIPSIS);
  } else if (name == L"linelimit") {
    SetLineLimit(flag);
  } else if (name == L"singleline") {
    SetSingleLine(flag);
  } else if (name == L"text") {
    SetText(value);
  } else if (name == L"textid") {
    SetTextId(value, false);
  } else if (name == L"font") {
    SetFont(value);
  } else if (name == L"normaltextcolor") {
    SetStateTextColor(kControlStateNormal, value);
  } else if (name == L"hottextcolor") {
    SetStateTextColor(kControlStateHot, value);
  } else if (name == L"pushedtextcolor") {
    SetStateTextColor(kControlStatePushed, value);
  } else if (name == L"disabledtextcolor") {
    SetStateTextColor(kControlStateDisabled, value);
  } else if (name == L"textpadding") {
    RECT padding = ParseRectValue(value);
    DpiManager::GetInstance()->ScaleRect(&padding);
    SetTextPadding(padding);
  } else if (name == L"gradient_text") {
    // Skin input: fewer parts than the two colours and two fractions are ignored.
    const std::vector<std::wstring> parts = SplitAtCommas(value);
    if (parts.size() < 4) return;
    SetGradientText(parts[0], parts[1], static_cast<float>(_wtof(parts[2].c_str())),
                    static_cast<float>(_wtof(parts[3].c_str())));
    if (parts.size() == 5) SetCharacterSpacing(_wtoi(parts[4].c_str()));
  } else if (name == L"gradient_outline") {
    const std::vector<std::wstring> parts = SplitAtCommas(value);
    if (parts.size() < 3) return;
    const bool gradient = parts.size() == 3 || (parts[3] != L"false" && parts[3] != L"0");
    SetTextOutline(parts[0], parts[1], _wtoi(parts[2].c_str()), gradient);
  } else {
    InheritType::SetAttribute(name, value);
  }
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetFont(const std::wstring& font_id) {
  font_id_ = font_id;
  this->Invalidate();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetTextStyle(UINT style) {
  text_style_ = style;
  this->Invalidate();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetTextPadding(RECT padding) {
  text_padding_ = padding;
  ArrangeOrInvalidate();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetSingleLine(bool single_line) {
  if (single_line_ == single_line) return;
  single_line_ = single_line;
  this->Invalidate();
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetLineLimit(bool line_limit) {
  if (line_limit_ == line_limit) return;
  line_limit_ = line_limit;
  this->Invalidate();
}

template <typename InheritType>
std::wstring LabelTemplate<InheritType>::GetStateTextColor(ControlStateType state) {
  return text_colors_[state];
}

template <typename InheritType>
void LabelTemplate<InheritType>::SetStateTextColor(ControlStateType state,
                                                   const std::wstring& color) {
  if (state == kControlStateHot) this->GetAnimationManager().SetFadeHot(true);
  text_colors_[state] = color;
  this->Invalidate();
}

template <typename InheritType>
ControlStateType LabelTemplate<InheritType>::TextColorState() {
  ControlStateType state = this->GetState();
  if (state == kControlStatePushed && text_colors_[kControlStatePushed].empty()) {
    state = kControlStateHot;
  }
  if (state == kControlStateHot && text_colors_[kControlStateHot].empty()) {
    state = kControlStateNormal;
  }
  if (state == kControlStateDisabled && text_colors_[kControlStateDisabled].empty()) {
    state = kControlStateNormal;
  }
  return state;
}

template <typename InheritType>
RECT LabelTemplate<InheritType>::TextRect() const {
  const RECT& pos = this->pos_;
  return {pos.left + text_padding_.left, pos.top + text_padding_.top,
          pos.right - text_padding_.right, pos.bottom - text_padding_.bottom};
}

template <typename InheritType>
void LabelTemplate<InheritType>::DrawTextOnce(IRenderContext* context, const RECT& rect,
                                              const std::wstring& text, const std::wstring& color,
                                              BYTE fade) {
  const DWORD argb = GlobalManager::GetTextColor(color);
  if (text_effect_) {
    context->DrawTextWithEffect(rect, text, argb, font_id_, text_style_, text_effect_.get(),
                                line_limit_);
  } else {
    context->DrawText(rect, text, argb, font_id_, text_style_, fade, line_limit_);
  }
}

template <typename InheritType>
void LabelTemplate<InheritType>::PaintText(IRenderContext* context) {
  const std::wstring text = GetText();
  if (text.empty()) return;
  const RECT rect = TextRect();
  const ControlStateType state = TextColorState();
  SyncSingleLine();
  const std::wstring& hot = text_colors_[kControlStateHot];
  if (this->GetAnimationManager().GetAnimationPlayer(kAnimationHot) && !hot.empty() &&
      (state == kControlStateNormal || state == kControlStateHot)) {
    // The hot colour fades in over the normal one as the hot player runs.
    const std::wstring& normal = text_colors_[kControlStateNormal];
    if (!normal.empty()) DrawTextOnce(context, rect, text, normal, 255);
    if (this->GetHotAlpha() > 0) {
      DrawTextOnce(context, rect, text, hot, static_cast<BYTE>(this->GetHotAlpha()));
    }
    return;
  }
  DrawTextOnce(context, rect, text, text_colors_[state], 255);
}

template class LabelTemplate<Control>;
template class LabelTemplate<Box>;

}  // namespace ui
