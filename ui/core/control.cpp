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
#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/image_cache.h"
#include "ui/resources/language_string_table.h"
#include "ui/resources/timer_manager.h"
#include "ui/resources/zip_archive.h"

namespace ui {

namespace {

bool IsAnimated(const Image& image) {
  return image.image_info && image.image_info->bitmaps.size() >= 2;
}

bool IsCompleteRect(const RECT& rect) {
  return rect.left != -1 && rect.top != -1 && rect.right != -1 && rect.bottom != -1;
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

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

Control::Control() : animation_manager_(this) {
  state_images_.SetControl(this);
  state_colors_.SetControl(this);
}

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

RECT Control::GetPos(bool contain_shadow) const {
  RECT pos = pos_;
  if (!contain_shadow && window_ && window_->GetShadow().attached) {
    const RECT& corner = window_->GetShadow().corner;
    OffsetRect(&pos, -corner.left, -corner.top);
  }
  return pos;
}

void Control::AlphaPaint(IRenderContext* context, const RECT& paint) {
  if (alpha_ == 0) return;
  RECT visible;
  if (!IntersectRect(&visible, &paint, &pos_)) return;
  const bool round = border_round_.cx > 0 || border_round_.cy > 0;

  if (alpha_ != 255 || use_cache_) {
    const bool translucent = alpha_ != 255;
    if (!render_context_) {
      if (!GlobalManager::renderFactory) return;
      render_context_ = GlobalManager::renderFactory->CreateRenderContext();
    }
    IRenderContext* cache = render_context_.get();
    const RECT own = {0, 0, Width(pos_), Height(pos_)};
    if (cache->Resize(own.right, own.bottom, true)) cache_dirty_ = true;
    if (cache_dirty_) {
      cache->Clear();
      AutoClip rect_clip(cache, own, clip_);
      AutoClip round_clip(cache, own, border_round_.cx, border_round_.cy, round);
      const POINT origin =
          cache->OffsetWindowOrg({pos_.left + render_offset_.x, pos_.top + render_offset_.y});
      Paint(cache, pos_);
      if (translucent) PaintChild(cache, paint);
      cache->SetWindowOrg(origin);
      cache_dirty_ = false;
    }
    context->AlphaBlend(visible.left, visible.top, Width(visible), Height(visible), cache->GetDC(),
                        visible.left - pos_.left, visible.top - pos_.top, Width(visible),
                        Height(visible), static_cast<BYTE>(translucent ? alpha_ : 255));
    if (translucent) {
      // Translucent content is composed anew on every paint.
      render_context_.reset();
    } else {
      PaintChild(context, paint);
    }
    return;
  }

  AutoClip rect_clip(context, pos_, clip_);
  AutoClip round_clip(context, pos_, border_round_.cx, border_round_.cy, round);
  const POINT origin = context->OffsetWindowOrg(render_offset_);
  Paint(context, paint);
  PaintChild(context, paint);
  context->SetWindowOrg(origin);
}

void Control::Paint(IRenderContext* context, const RECT& paint) {
  if (!IntersectRect(&paint_rect_, &paint, &pos_)) return;
  PaintBkColor(context);
  PaintBkImage(context);
  PaintStatusColor(context);
  PaintStatusImage(context);
  PaintText(context);
  PaintBorder(context);
}

void Control::PaintBkColor(IRenderContext* context) {
  if (bk_color_.empty()) return;
  const DWORD color = GlobalManager::GetTextColor(bk_color_);
  if (color == 0) return;
  // A translucent colour must cover the whole control at once, or repainted
  // parts would darken where they overlap.
  context->DrawColor((color >> 24) < 255 ? pos_ : paint_rect_, color, 255);
}

void Control::PaintBkImage(IRenderContext* context) { DrawImage(context, bk_image_, L"", -1); }

void Control::PaintStatusColor(IRenderContext* context) {
  state_colors_.PaintStateColor(context, paint_rect_, state_);
}

void Control::PaintStatusImage(IRenderContext* context) {
  state_images_[kImageTypeBackground].PaintStateImage(context, state_, L"");
  state_images_[kImageTypeForeground].PaintStateImage(context, state_, L"");
}

void Control::PaintBorder(IRenderContext* context) {
  if (border_color_.empty()) return;
  const DWORD color = GlobalManager::GetTextColor(border_color_);
  if (color == 0) return;
  const RECT& sides = side_border_sizes_;
  if (sides.left > 0 || sides.top > 0 || sides.right > 0 || sides.bottom > 0) {
    if (sides.left > 0) {
      const LONG x = pos_.left + sides.left / 2;
      context->DrawLineRect({x, pos_.top, x, pos_.bottom - (sides.left == 1 ? 1 : 0)}, sides.left,
                            color);
    }
    if (sides.top > 0) {
      const LONG y = pos_.top + sides.top / 2;
      context->DrawLineRect({pos_.left, y, pos_.right - (sides.top == 1 ? 1 : 0), y}, sides.top,
                            color);
    }
    if (sides.right > 0) {
      const LONG x = pos_.right - (sides.right + 1) / 2;
      context->DrawLineRect({x, pos_.top, x, pos_.bottom - (sides.right == 1 ? 1 : 0)}, sides.right,
                            color);
    }
    if (sides.bottom > 0) {
      const LONG y = pos_.bottom - (sides.bottom + 1) / 2;
      context->DrawLineRect({pos_.left, y, pos_.right - (sides.bottom == 1 ? 1 : 0), y},
                            sides.bottom, color);
    }
    return;
  }
  if (border_size_ < 1) return;
  const int half = border_size_ / 2;
  const int odd = border_size_ % 2;
  const RECT rect = {pos_.left + half, pos_.top + half, pos_.right - half - odd,
                     pos_.bottom - half - odd};
  if (border_round_.cx > 0 || border_round_.cy > 0) {
    context->DrawRoundRect(rect, border_round_, border_size_, color);
  } else {
    context->DrawRect(rect, border_size_, color);
  }
}

bool Control::HasHotStatePlayer() const {
  return animation_manager_.GetAnimationPlayer(kAnimationHot) != nullptr;
}

bool Control::DrawImage(IRenderContext* context, Image& image, const std::wstring& modifier,
                        int fade) {
  if (image.attribute.file_name.empty()) return false;
  LoadImageData(image);
  if (!image.image_info) {
    image.attribute.Init();
    return false;
  }
  ImageAttribute attribute = image.attribute;
  if (!modifier.empty()) attribute.ApplyDescriptor(modifier);
  RECT dest = pos_;
  if (IsCompleteRect(attribute.dest)) {
    dest = attribute.dest;
    OffsetRect(&dest, pos_.left, pos_.top);
  }
  // Held here: a finished animation may run handlers that drop the image.
  const std::shared_ptr<ImageInfo> info = image.image_info;
  RECT source = attribute.source;
  if (!IsCompleteRect(source)) source = {0, 0, info->width, info->height};
  // Only the background plays, and only with frame delays to time it; its
  // current frame is drawn all the same.
  if (&image == &bk_image_ && info->bitmaps.size() >= 2 && !info->frame_delays.empty() &&
      gif_auto_play_ && !image.playing) {
    PlayGif();
  }
  if (info->bitmaps.empty()) return false;
  const size_t frame =
      static_cast<size_t>(image.current_frame) < info->bitmaps.size() ? image.current_frame : 0;
  const BYTE shown_fade = static_cast<BYTE>(fade < 0 ? attribute.fade : std::min(fade, 255));
  context->DrawImageGdiPlus(paint_rect_, info->bitmaps[frame].get(), dest, source, attribute.corner,
                            shown_fade, attribute.xtiled, attribute.ytiled);
  return true;
}

uint32_t Control::GetFrameInterval(const ImageInfo& image, size_t frame) {
  if (frame >= image.frame_delays.size()) return 0;
  const uint32_t millis = image.frame_delays[frame] * 10;
  if (millis < 30) return 100;
  if (millis < 50) return 50;
  return millis;
}

void Control::PlayGif() {
  const auto stop = [this] {
    bk_image_.playing = false;
    gif_timer_flag_.Cancel();
  };
  if (!IsAnimated(bk_image_)) {
    stop();
    return;
  }
  Image& image = bk_image_;
  const auto go_on = [&image] {
    const int count = image.attribute.play_count;
    return count < 0 || (count > 0 && image.cycles_played < count) || (count == 0 && image.playing);
  };
  if (!go_on()) {
    stop();
    return;
  }
  const ImageInfo& info = *image.image_info;
  const auto start_timer = [this](uint32_t interval) {
    TimerManager::GetInstance()->AddCancelableTimer(gif_timer_flag_.GetWeakFlag(),
                                                    ToWeakCallback([this] { PlayGif(); }), interval,
                                                    TimerManager::kRepeatForever);
  };
  if (!image.playing) {
    image.current_frame = 0;
    gif_timer_flag_.Cancel();
    // Without delays there is nothing to time; the first frame stays.
    if (info.frame_delays.empty()) return;
    image.playing = true;
    start_timer(GetFrameInterval(info, 0));
    Invalidate();
    return;
  }
  const uint32_t old_interval = GetFrameInterval(info, image.current_frame);
  ++image.current_frame;
  if (static_cast<size_t>(image.current_frame) >= info.bitmaps.size()) {
    image.current_frame = 0;
    ++image.cycles_played;
  }
  const uint32_t new_interval = GetFrameInterval(info, image.current_frame);
  if (!go_on()) {
    const auto alive = GetWeakFlag();
    FinishGif();
    if (!alive.expired()) Invalidate();
    return;
  }
  if (old_interval != 0 && new_interval != 0 && old_interval != new_interval) {
    gif_timer_flag_.Cancel();
    start_timer(new_interval);
  }
  Invalidate();
}

void Control::StopGif(int32_t frame) {
  if (!IsAnimated(bk_image_)) return;
  bk_image_.playing = false;
  gif_timer_flag_.Cancel();
  const int32_t count = static_cast<int32_t>(bk_image_.image_info->bitmaps.size());
  if (frame == kGifFrameFirst) {
    bk_image_.current_frame = 0;
  } else if (frame == kGifFrameLast) {
    bk_image_.current_frame = count - 1;
  } else if (frame != kGifFrameCurrent && frame >= 0 && frame < count) {
    bk_image_.current_frame = frame;
  }
  Invalidate();
}

void Control::FinishGif() {
  gif_auto_play_ = false;
  StopGif(kGifFrameLast);
  EventArgs args;
  args.Type = kEventNone;
  args.pSender = this;
  args.dwTimestamp = GetTickCount();
  const auto alive = GetWeakFlag();
  const std::vector<EventCallback> handlers = gif_stop_handlers_;
  for (const EventCallback& handler : handlers) {
    const bool go_on = handler(&args);
    if (alive.expired() || !go_on) return;
  }
}

void Control::AttachGifPlayStop(const EventCallback& callback) {
  gif_stop_handlers_.push_back(callback);
}

}  // namespace ui
