#include "ui/core/control.h"

#include <shlwapi.h>

#include <algorithm>
#include <map>
#include <utility>

#include "base/file_path.h"
#include "base/string_util.h"
#include "ui/core/attribute_list.h"
#include "ui/core/dpi_manager.h"
#include "ui/core/window.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image_cache.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/zip_archive.h"

namespace ui {

namespace {

bool IsAnimated(const Image& image) {
  return image.image_info && image.image_info->frames.size() >= 2;
}

// A path as the image cache knows it: taken under the resource root and the
// window's skin folder when relative, then normalised.
std::wstring ResolveImagePath(const std::wstring& file_name, const Window* window) {
  std::wstring path = file_name;
  if (PathIsRelativeW(path.c_str())) {
    path = GlobalManager::resourcePath + (window ? window->GetResourcePath() : L"") + path;
  }
  return qbase::NormalizeFilePath(path);
}

bool ResourceExists(const std::wstring& path) {
  if (GlobalManager::resourceZip) {
    return FindZipEntry(GlobalManager::GetZipEntryPath(path), nullptr, nullptr) == ZipResult::Ok;
  }
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

Control::Control() : animation_manager_(this) {}

Control::~Control() {
  if (window_) window_->ReapObjects(this);
}

Image* Control::GetEstimateImage() {
  if (!bk_image_.attribute.file_name.empty()) return &bk_image_;
  return state_images_.GetFirstImage(kImageTypeBackground);
}

std::wstring Control::GetToolTipText() const {
  if (tooltip_text_.empty() && !tooltip_text_id_.empty()) {
    return LanguageStringTable::GetInstance()->GetStringById(tooltip_text_id_);
  }
  return tooltip_text_;
}

std::string Control::GetUTF8ToolTipText() const { return qbase::WideToUtf8(GetToolTipText()); }

void Control::SetToolTipText(const std::wstring& text) {
  std::wstring converted = text;
  qbase::ReplaceAllWide(L"<n>", L"\r\n", &converted);
  tooltip_text_ = converted;
  Invalidate();
}

void Control::SetUTF8ToolTipText(const std::string& text) {
  const std::wstring wide = qbase::Utf8ToWide(text);
  if (wide.empty()) {
    tooltip_text_.clear();
    Invalidate();
    return;
  }
  if (wide == tooltip_text_) return;
  SetToolTipText(wide);
}

void Control::SetToolTipTextId(const std::wstring& id) {
  if (id == tooltip_text_id_) return;
  tooltip_text_id_ = id;
  Invalidate();
}

void Control::SetUTF8ToolTipTextId(const std::string& id) {
  SetToolTipTextId(qbase::Utf8ToWide(id));
}

void Control::SetToolTipWidth(int32_t width) {
  tooltip_width_ = DpiManager::GetInstance()->ScaleInt(width);
}

std::string Control::GetUTF8DataID() const { return qbase::WideToUtf8(data_id_); }

void Control::SetUTF8DataID(const std::string& id) { data_id_ = qbase::Utf8ToWide(id); }

void Control::SetUserData(std::unique_ptr<ControlUserData> data) { user_data_ = std::move(data); }

void Control::SetFadeVisible(bool visible) {
  if (visible) {
    animation_manager_.Appear();
  } else {
    animation_manager_.Disappear();
  }
}

void Control::StopAnimatedBackground() {
  if (!IsAnimated(bk_image_)) return;
  bk_image_.playing = false;
  gif_timer_flag_.Cancel();
  Invalidate();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  const bool was_visible = IsVisible();
  visible_ = visible;
  focused_ = false;
  if (!visible && window_ && window_->GetFocus() == this) window_->SetFocus(nullptr);
  if (IsVisible() != was_visible) ArrangeAncestor();
  if (!IsVisible()) StopAnimatedBackground();
}

void Control::SetInternVisible(bool visible) {
  intern_visible_ = visible;
  if (!visible && window_ && window_->GetFocus() == this) window_->SetFocus(nullptr);
  if (!IsVisible()) StopAnimatedBackground();
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (enabled) {
    state_ = kControlStateNormal;
    hot_alpha_ = 0;
  } else {
    state_ = kControlStateDisabled;
  }
  Invalidate();
}

void Control::SetFocus() {
  if (no_focus_) return;
  if (window_) window_->SetFocus(this);
}

Control* Control::FindControl(const FindControlCallback& test, void* data, uint32_t flags,
                              POINT /*scroll_offset*/) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if ((flags & kFindHitTest) &&
      (!mouse_enabled_ || !PtInRect(&pos_, *static_cast<const POINT*>(data)))) {
    return nullptr;
  }
  return test(this, data);
}

void Control::SetMargin(RECT margin, bool scale) {
  if (scale) DpiManager::GetInstance()->ScaleRect(&margin);
  if (EqualRect(&margin, &margin_)) return;
  margin_ = margin;
  ArrangeAncestor();
}

SIZE Control::EstimateText(SIZE /*available*/, bool* /*re_estimate*/) { return {0, 0}; }

bool Control::IsPointInWithScrollOffset(POINT point) const {
  const POINT offset = GetScrollOffset();
  const POINT moved = {point.x + offset.x, point.y + offset.y};
  return PtInRect(&pos_, moved) != FALSE;
}

SIZE Control::EstimateSize(SIZE available) {
  if (fixed_size_.cx != kSizeAuto && fixed_size_.cy != kSizeAuto) return fixed_size_;
  if (!re_estimate_) return estimated_size_;

  Image* image = GetEstimateImage();
  SIZE size = fixed_size_;
  if (image) {
    const RECT& dest = image->attribute.dest;
    if (dest.left != -1 && dest.top != -1 && dest.right != -1 && dest.bottom != -1) {
      SetFixedWidth(dest.right - dest.left, true, true);
      SetFixedHeight(dest.bottom - dest.top, true);
      return fixed_size_;
    }
    LoadImageData(*image);
    if (image->image_info) {
      const DpiManager* dpi = DpiManager::GetInstance();
      if (size.cx == kSizeAuto) size.cx = dpi->ScaleInt(image->image_info->width);
      if (size.cy == kSizeAuto) size.cy = dpi->ScaleInt(image->image_info->height);
    }
  }

  re_estimate_ = false;
  const SIZE text = EstimateText(available, &re_estimate_);
  if (fixed_size_.cx == kSizeAuto) size.cx = std::max(size.cx, text.cx);
  if (fixed_size_.cy == kSizeAuto) size.cy = std::max(size.cy, text.cy);
  estimated_size_ = size;
  return size;
}

void Control::SetPos(RECT rect) {
  if (rect.right < rect.left) rect.right = rect.left;
  if (rect.bottom < rect.top) rect.bottom = rect.top;
  if (EqualRect(&rect, &pos_)) {
    arrange_pending_ = false;
    return;
  }
  RECT old = pos_;
  if (IsRectEmpty(&old)) old = rect;
  pos_ = rect;
  if (!window_) return;

  if (!resize_guard_) {
    const auto alive = GetWeakFlag();
    resize_guard_ = true;
    SendEvent(kEventResize, 0, 0, 0, window_->GetLastMousePos());
    if (alive.expired()) return;
    resize_guard_ = false;
  }
  arrange_pending_ = false;

  RECT dirty;
  UnionRect(&dirty, &old, &pos_);
  const POINT offset = GetScrollOffset();
  OffsetRect(&dirty, -offset.x, -offset.y);
  for (const Control* ancestor = parent_; ancestor; ancestor = ancestor->GetParent()) {
    const RECT ancestor_rect = ancestor->GetPos(true);
    if (!IntersectRect(&dirty, &dirty, &ancestor_rect)) return;
  }
  InvalidateWindowRect(dirty);
}

void Control::DispatchEvent(EventArgs* msg) {
  if (msg->Type <= kEventInternalKillFocus || msg->pSender != this) {
    HandleEvent(msg);
    return;
  }
  const auto alive = GetWeakFlag();
  bool result = true;
  if (!RunOwnHandlers(msg, alive, &result)) return;
  if (result) HandleEvent(msg);
}

bool Control::RunOwnHandlers(EventArgs* msg, const std::weak_ptr<qbase::WeakFlag>& alive,
                             bool* result) {
  if (!RunHandlers(code_handlers_, msg->Type, msg, alive, result)) return false;
  if (!RunHandlers(code_handlers_, kEventAll, msg, alive, result)) return false;
  if (!*result) return true;
  if (!RunHandlers(markup_handlers_, msg->Type, msg, alive, result)) return false;
  return RunHandlers(markup_handlers_, kEventAll, msg, alive, result);
}

bool Control::HasHotState() {
  if (!state_colors_[kControlStateHot].empty()) return true;
  for (ImageType type : {kImageTypeBackground, kImageTypeForeground, kImageTypeSelectedBackground,
                         kImageTypeSelectedForeground}) {
    const Image* hot = state_images_[type].Find(kControlStateHot);
    if (hot && !hot->attribute.descriptor.empty()) return true;
  }
  return false;
}

void Control::PassToParent(EventArgs* msg) {
  if (parent_) parent_->DispatchEvent(msg);
}

bool Control::IsSelfOrAncestorOf(const Control* control) const {
  for (; control; control = control->GetParent()) {
    if (control == this) return true;
  }
  return false;
}

void Control::HandleEvent(EventArgs* msg) {
  const EventType type = msg->Type;
  if (!mouse_enabled_ && IsMouseEvent(type)) {
    PassToParent(msg);
    return;
  }
  switch (type) {
    case kEventSetCursor: {
      const wchar_t* cursor = nullptr;
      if (cursor_type_ == kCursorArrow) cursor = IDC_ARROW;
      if (cursor_type_ == kCursorHand) cursor = IsEnabled() ? IDC_HAND : IDC_ARROW;
      if (cursor_type_ == kCursorIBeam) cursor = IDC_IBEAM;
      if (!cursor) break;
      ::SetCursor(LoadCursorW(nullptr, cursor));
      return;
    }
    case kEventInternalSetFocus:
      if (IsEnabled()) {
        state_ = kControlStateHot;
        hot_alpha_ = 255;
        focused_ = true;
        Invalidate();
      }
      return;
    case kEventInternalKillFocus:
      if (IsEnabled()) {
        state_ = kControlStateNormal;
        hot_alpha_ = 0;
        focused_ = false;
        Invalidate();
      }
      return;
    case kEventInternalMenu:
      if (IsEnabled() && context_menu_used_) {
        EventArgs menu;
        menu.Type = kEventMenu;
        menu.pSender = this;
        menu.dwTimestamp = GetTickCount();
        menu.wParam = msg->wParam;
        menu.lParam = msg->lParam;
        if (window_) menu.ptMouse = window_->GetLastMousePos();
        DispatchEvent(&menu);
        return;
      }
      break;
    case kEventMouseEnter: {
      const Control* hover = window_ ? window_->GetNewHover() : nullptr;
      if (msg->pSender != this && !IsSelfOrAncestorOf(hover)) return;
      const auto alive = GetWeakFlag();
      MouseEnter(msg);
      if (alive.expired()) return;
      break;
    }
    case kEventMouseLeave: {
      const Control* hover = window_ ? window_->GetNewHover() : nullptr;
      if (msg->pSender != this && IsSelfOrAncestorOf(hover)) return;
      const auto alive = GetWeakFlag();
      MouseLeave(msg);
      if (alive.expired()) return;
      break;
    }
    case kEventInternalDoubleClick:
    case kEventButtonDown:
      ButtonDown(msg);
      return;
    case kEventPointerDown:
      if (!receive_pointer_) break;
      ButtonDown(msg);
      return;
    case kEventButtonUp:
      ButtonUp(msg);
      return;
    case kEventPointerUp:
      if (!receive_pointer_) break;
      ButtonUp(msg);
      return;
    default:
      break;
  }
  PassToParent(msg);
}

bool Control::MouseEnter(EventArgs* /*msg*/) {
  if (!IsEnabled() || state_ != kControlStateNormal) return false;
  state_ = kControlStateHot;
  if (HasHotState()) {
    if (AnimationPlayer* hot = animation_manager_.GetAnimationPlayer(kAnimationHot)) {
      hot->Continue();
    }
    Invalidate();
  }
  return true;
}

bool Control::MouseLeave(EventArgs* /*msg*/) {
  if (!IsEnabled() || state_ != kControlStateHot) return false;
  state_ = kControlStateNormal;
  if (HasHotState()) {
    if (AnimationPlayer* hot = animation_manager_.GetAnimationPlayer(kAnimationHot)) {
      hot->Reverse();
    }
    Invalidate();
  }
  return true;
}

bool Control::ButtonDown(EventArgs* /*msg*/) {
  if (!IsEnabled()) return false;
  state_ = kControlStatePushed;
  mouse_focused_ = true;
  Invalidate();
  return true;
}

bool Control::ButtonUp(EventArgs* msg) {
  if (!mouse_focused_) return false;
  mouse_focused_ = false;
  if (AnimationPlayer* hot = animation_manager_.GetAnimationPlayer(kAnimationHot)) hot->Cancel();
  if (!IsPointInWithScrollOffset(msg->ptMouse)) {
    state_ = kControlStateNormal;
    hot_alpha_ = 0;
    Invalidate();
    return true;
  }
  if (msg->Type == kEventPointerUp) {
    state_ = kControlStateNormal;
    hot_alpha_ = 0;
  } else {
    state_ = kControlStateHot;
    hot_alpha_ = 255;
  }
  Invalidate();
  Activate();
  return true;
}

void Control::SendEvent(EventType type, uint64_t wparam, int64_t lparam, wchar_t key, POINT point,
                        float pressure) {
  EventArgs msg;
  msg.Type = type;
  msg.pSender = this;
  msg.dwTimestamp = GetTickCount();
  msg.ptMouse = point;
  msg.chKey = key;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.pressure = pressure;
  DispatchEvent(&msg);
}

void Control::AddEventHandler(EventType type, const EventCallback& callback) {
  AddToEventMap(&code_handlers_, type, callback);
}

void Control::AddMarkupEventHandler(EventType type, const EventCallback& callback) {
  AddToEventMap(&markup_handlers_, type, callback);
}

void Control::ApplyAttributeList(const std::wstring& text) {
  for (const auto& [name, value] : ParseAttributeList(text)) SetAttribute(name, value);
}

void Control::SetClass(const std::wstring& class_names) {
  for (const std::wstring& name : qbase::SplitWide(class_names, L" ")) {
    std::wstring attributes;
    const auto global = GlobalManager::classes.find(name);
    if (global != GlobalManager::classes.end()) attributes = global->second;
    if (attributes.empty() && window_) attributes = window_->GetClassAttributes(name);
    if (!attributes.empty()) ApplyAttributeList(attributes);
  }
}

void Control::SetBkImage(const std::wstring& descriptor) {
  StopAnimatedBackground();
  bk_image_.ClearCache();
  bk_image_.attribute.Init();
  bk_image_.attribute.descriptor = descriptor;
  bk_image_.attribute.file_name = descriptor;
  bk_image_.attribute.ApplyDescriptor(descriptor);
  gif_auto_play_ = bk_image_.attribute.play_count != 0;
  if (fixed_size_.cx == kSizeAuto || fixed_size_.cy == kSizeAuto) {
    ArrangeAncestor();
  } else {
    Invalidate();
  }
}

void Control::SetStateColor(ControlStateType state, const std::wstring& color) {
  if (state_colors_[state] == color) return;
  if (state == kControlStateHot) animation_manager_.SetFadeHot(true);
  state_colors_[state] = color;
  Invalidate();
}

void Control::SetChannel(const std::wstring& channels) {
  channel_ = channels;
  const std::vector<std::wstring> names = qbase::SplitWide(channels, L" ");
  if (std::find(names.begin(), names.end(), GlobalManager::channel) == names.end()) {
    SetFadeVisible(false);
  }
  Invalidate();
}

void Control::LoadImageData(Image& image) {
  if (image.image_info) return;
  std::wstring path = ResolveImagePath(image.attribute.file_name, window_);
  if (language_adapted_background_ && !GlobalManager::language.empty()) {
    const size_t dot = path.rfind(L'.');
    if (dot != std::wstring::npos) {
      const std::wstring candidate =
          path.substr(0, dot) + L"_" + GlobalManager::language + path.substr(dot);
      if (ResourceExists(candidate)) path = candidate;
    }
  }
  image.image_info = ImageCache::GetImage(path);
}

void Control::SetAttribute(const std::wstring& name, const std::wstring& value) {
  static const std::map<std::wstring, ControlStateType> kStates = {
      {L"normal", kControlStateNormal},
      {L"hot", kControlStateHot},
      {L"pushed", kControlStatePushed},
      {L"disabled", kControlStateDisabled},
  };
  static const std::map<std::wstring, ControlStateType> kStateColors = {
      {L"normalcolor", kControlStateNormal},
      {L"hotcolor", kControlStateHot},
      {L"pushedcolor", kControlStatePushed},
      {L"disabledcolor", kControlStateDisabled},
  };
  static const std::map<std::wstring, ControlStateType> kBackgroundImages = {
      {L"normalimage", kControlStateNormal},
      {L"hotimage", kControlStateHot},
      {L"pushedimage", kControlStatePushed},
      {L"disabledimage", kControlStateDisabled},
  };
  static const std::map<std::wstring, ControlStateType> kForegroundImages = {
      {L"forenormalimage", kControlStateNormal},
      {L"forehotimage", kControlStateHot},
      {L"forepushedimage", kControlStatePushed},
      {L"foredisabledimage", kControlStateDisabled},
  };
  const DpiManager* dpi = DpiManager::GetInstance();
  const bool flag = value == L"true";

  if (name == L"class") {
    SetClass(value);
  } else if (name == L"halign") {
    if (value == L"left") horizontal_alignment_ = kHorAlignLeft;
    if (value == L"center") horizontal_alignment_ = kHorAlignCenter;
    if (value == L"right") horizontal_alignment_ = kHorAlignRight;
  } else if (name == L"valign") {
    if (value == L"top") vertical_alignment_ = kVerAlignTop;
    if (value == L"center") vertical_alignment_ = kVerAlignCenter;
    if (value == L"bottom") vertical_alignment_ = kVerAlignBottom;
  } else if (name == L"margin") {
    SetMargin(ParseRectValue(value), true);
  } else if (name == L"bkcolor" || name == L"bkcolor1") {
    // Leading blanks and control characters are not part of the name.
    size_t skipped = 0;
    while (skipped < value.size() && value[skipped] <= L' ') ++skipped;
    const std::wstring color = value.substr(skipped);
    if (color != bk_color_) {
      bk_color_ = color;
      Invalidate();
    }
  } else if (name == L"bordersize") {
    if (value.find(L',') == std::wstring::npos) {
      const int32_t size = dpi->ScaleInt(ParseIntegerValue(value));
      if (size != border_size_) {
        border_size_ = size;
        Invalidate();
      }
      side_border_sizes_ = {0, 0, 0, 0};
    } else {
      side_border_sizes_ = ParseRectValue(value);
      dpi->ScaleRect(&side_border_sizes_);
      Invalidate();
    }
  } else if (name == L"leftbordersize") {
    side_border_sizes_.left = dpi->ScaleInt(ParseIntegerValue(value));
    Invalidate();
  } else if (name == L"topbordersize") {
    side_border_sizes_.top = dpi->ScaleInt(ParseIntegerValue(value));
    Invalidate();
  } else if (name == L"rightbordersize") {
    side_border_sizes_.right = dpi->ScaleInt(ParseIntegerValue(value));
    Invalidate();
  } else if (name == L"bottombordersize") {
    side_border_sizes_.bottom = dpi->ScaleInt(ParseIntegerValue(value));
    Invalidate();
  } else if (name == L"borderround") {
    const RECT numbers = ParseRectValue(value);
    SetBorderRound({numbers.left, numbers.top});
  } else if (name == L"bordercolor") {
    if (value != border_color_) {
      border_color_ = value;
      Invalidate();
    }
  } else if (name == L"width") {
    SetFixedWidth(ParseSizeValue(value), true, true);
  } else if (name == L"height") {
    SetFixedHeight(ParseSizeValue(value), true);
  } else if (name == L"minwidth") {
    SetMinWidth(ParseIntegerValue(value));
  } else if (name == L"minheight") {
    SetMinHeight(ParseIntegerValue(value));
  } else if (name == L"maxwidth") {
    const int32_t size = ParseSizeValue(value);
    SetMaxWidth(size, value != L"stretch" && value != L"auto");
  } else if (name == L"maxheight") {
    const int32_t size = ParseSizeValue(value);
    SetMaxHeight(size, value != L"stretch" && value != L"auto");
  } else if (name == L"float") {
    SetFloat(flag);
  } else if (name == L"name") {
    SetName(value);
  } else if (name == L"state") {
    const auto state = kStates.find(value);
    if (state == kStates.end()) return;
    state_ = state->second;
    if (state_ == kControlStateNormal) hot_alpha_ = 0;
    if (state_ == kControlStateHot) hot_alpha_ = 255;
    Invalidate();
  } else if (name == L"cursortype") {
    if (value == L"arrow") cursor_type_ = kCursorArrow;
    if (value == L"hand") cursor_type_ = kCursorHand;
    if (value == L"ibeam") cursor_type_ = kCursorIBeam;
  } else if (name == L"renderoffset") {
    const RECT numbers = ParseRectValue(value);
    render_offset_ = {dpi->ScaleInt(numbers.left), dpi->ScaleInt(numbers.top)};
    Invalidate();
  } else if (kStateColors.count(name)) {
    SetStateColor(kStateColors.at(name), value);
  } else if (name == L"bkimage") {
    SetBkImage(value);
  } else if (name == L"bkimageadaptlanguage") {
    language_adapted_background_ = flag;
  } else if (kBackgroundImages.count(name)) {
    const ControlStateType state = kBackgroundImages.at(name);
    if (state == kControlStateHot) animation_manager_.SetFadeHot(true);
    state_images_.SetImageString(kImageTypeBackground, state, value);
    if (fixed_size_.cx == kSizeAuto || fixed_size_.cy == kSizeAuto) {
      ArrangeAncestor();
    } else {
      Invalidate();
    }
  } else if (kForegroundImages.count(name)) {
    const ControlStateType state = kForegroundImages.at(name);
    if (state == kControlStateHot) animation_manager_.SetFadeHot(true);
    state_images_.SetImageString(kImageTypeForeground, state, value);
    Invalidate();
  } else if (name == L"alpha") {
    SetAlpha(ParseIntegerValue(value));
  } else if (name == L"tooltiptext") {
    SetToolTipText(value);
  } else if (name == L"tooltiptextid") {
    SetToolTipTextId(value);
  } else if (name == L"dataid") {
    SetDataID(value);
  } else if (name == L"enabled") {
    SetEnabled(flag);
  } else if (name == L"mouse") {
    SetMouseEnabled(flag);
  } else if (name == L"keyboard") {
    SetKeyboardEnabled(flag);
  } else if (name == L"visible") {
    SetVisible(flag);
  } else if (name == L"fadevisible") {
    SetFadeVisible(flag);
  } else if (name == L"menu") {
    SetContextMenuUsed(flag);
  } else if (name == L"cache") {
    use_cache_ = flag;
  } else if (name == L"nofocus") {
    no_focus_ = true;
  } else if (name == L"receivepointer") {
    receive_pointer_ = flag;
  } else if (name == L"fadealpha") {
    animation_manager_.SetFadeAlpha(flag);
  } else if (name == L"fadehot") {
    animation_manager_.SetFadeHot(flag);
  } else if (name == L"fadewidth") {
    animation_manager_.SetFadeWidth(flag);
  } else if (name == L"fadeheight") {
    animation_manager_.SetFadeHeight(flag);
  } else if (name == L"fadeinoutxfromleft") {
    animation_manager_.SetFadeInOutX(flag, false);
  } else if (name == L"fadeinoutxfromright") {
    animation_manager_.SetFadeInOutX(flag, true);
  } else if (name == L"fadeinoutyfromtop") {
    animation_manager_.SetFadeInOutY(flag, false);
  } else if (name == L"fadeinoutyfrombottom") {
    animation_manager_.SetFadeInOutY(flag, true);
  } else if (name == L"channel") {
    SetChannel(value);
  }
}

void Control::LoadImageCache() {
  if (bk_image_.attribute.file_name.empty()) return;
  const std::wstring path = ResolveImagePath(bk_image_.attribute.file_name, window_);
  if (bk_image_.image_info && bk_image_.image_info->path == path) return;
  bk_image_.image_info = ImageCache::GetCachedImage(path);
}

void Control::UnloadImageCache() { bk_image_.ClearCache(); }

void Control::ClearImageCache() {
  for (ImageType type : {kImageTypeBackground, kImageTypeForeground, kImageTypeSelectedBackground,
                         kImageTypeSelectedForeground}) {
    state_images_[type].ClearCache();
  }
  bk_image_.ClearCache();
}

void Control::SetAlpha(int32_t alpha) {
  alpha_ = alpha;
  Invalidate();
}

void Control::SetHotAlpha(int32_t alpha) {
  hot_alpha_ = alpha;
  Invalidate();
}

void Control::SetRenderOffsetX(int32_t x) {
  render_offset_.x = x;
  Invalidate();
}

void Control::SetRenderOffsetY(int32_t y) {
  render_offset_.y = y;
  Invalidate();
}

void Control::SetBorderRound(SIZE size) {
  const DpiManager* dpi = DpiManager::GetInstance();
  border_round_ = {dpi->ScaleInt(size.cx), dpi->ScaleInt(size.cy)};
  Invalidate();
}

}  // namespace ui
