#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/weak_callback.h"
#include "ui/core/animation_manager.h"
#include "ui/core/events.h"
#include "ui/core/placeholder.h"
#include "ui/resources/image.h"

namespace ui {

class IRenderContext;

enum CursorType : int32_t { kCursorArrow = 0, kCursorHand = 1, kCursorIBeam = 2 };

// Flags of FindControl.
constexpr uint32_t kFindVisible = 1;
constexpr uint32_t kFindEnabled = 2;
constexpr uint32_t kFindHitTest = 4;  // the data points to a POINT in client coordinates
constexpr uint32_t kFindTopFirst = 8;
constexpr uint32_t kFindMeFirst = 0x80000000;

// Frames StopGif can stop on; any other value is a frame index.
constexpr int32_t kGifFrameFirst = 0;
constexpr int32_t kGifFrameLast = 65535;
constexpr int32_t kGifFrameCurrent = -1;

// The test of a tree search: returns the control to stop at, or null to go on.
using FindControlCallback = std::function<Control*(Control* control, void* data)>;

// Whatever the owner of a control keeps on it; the framework never looks inside.
class ControlUserData {
 public:
  virtual ~ControlUserData() = default;
};

// The base of every visible element: event handlers and default input
// handling, the interaction state (normal, hot, pushed, disabled) with focus
// and mouse bookkeeping, visibility with its fade animations, tooltip, data
// id and user data, the shared markup attributes, the channel filter and the
// look (colours, images, borders, alpha). Colours are names in the global
// text-colour table. Painting goes through a render context in window
// client coordinates. UI thread only.
class Control : public PlaceHolder, public StateImageOwner {
 public:
  Control();
  ~Control() override;

  // Geometry of the tree node.
  SIZE EstimateSize(SIZE available) override;
  void SetPos(RECT rect) override;
  // Without the shadow: relative to the window body inside its shadow.
  RECT GetPos(bool contain_shadow = true) const override;
  // The rectangle children are laid out in; a plain control has no padding.
  virtual RECT GetPaddingPos() const { return GetPos(true); }

  // How a box paints each child: alpha, clipping, render offset and the
  // control's own render cache, then Paint and PaintChild.
  virtual void AlphaPaint(IRenderContext* context, const RECT& paint);
  // The control's layers within the paint rectangle.
  virtual void Paint(IRenderContext* context, const RECT& paint);
  virtual void PaintChild(IRenderContext* /*context*/, const RECT& /*paint*/) {}
  virtual void PaintBkColor(IRenderContext* context);
  virtual void PaintBkImage(IRenderContext* context);
  virtual void PaintStatusColor(IRenderContext* context);
  virtual void PaintStatusImage(IRenderContext* context);
  virtual void PaintText(IRenderContext* /*context*/) {}
  virtual void PaintBorder(IRenderContext* context);
  // Draws one of the control's images (the modifier's descriptor pairs on
  // top of its own; fade -1: the image's fade). False when it has no file or
  // cannot be loaded; such an image is forgotten, so it is tried only once.
  bool DrawImage(IRenderContext* context, Image& image, const std::wstring& modifier,
                 int fade) override;
  bool HasHotStatePlayer() const override;
  // A rich edit that takes Tab as text keeps the window from moving focus.
  virtual bool IsWantTab() const { return false; }

  // The animated background: start or step it, stop it on a frame, and
  // finish it (stops on the last frame and runs the stop handlers).
  void PlayGif();
  void StopGif(int32_t frame);
  void FinishGif();
  // Runs when the animated background stops by itself; the record's sender
  // is the control.
  void AttachGifPlayStop(const EventCallback& callback);
  // The time a frame stays, in ms: hundredths from the image's delays, with
  // short delays raised (below 30 ms to 100, below 50 to 50); 0 when the
  // frame has no delay.
  static uint32_t GetFrameInterval(const ImageInfo& image, size_t frame);

  // The image an auto-sized control measures: the background image, else
  // the first background state image with a file name; null when none.
  virtual Image* GetEstimateImage();
  virtual CursorType GetCursorType() const { return cursor_type_; }
  // The text, or the language string of the text id when the text is empty.
  virtual std::wstring GetToolTipText() const;
  virtual std::string GetUTF8ToolTipText() const;
  // "<n>" in the text becomes a line break.
  virtual void SetToolTipText(const std::wstring& text);
  virtual void SetUTF8ToolTipText(const std::string& text);
  virtual void SetToolTipTextId(const std::wstring& id);
  virtual void SetUTF8ToolTipTextId(const std::string& id);
  virtual void SetToolTipWidth(int32_t width);
  virtual int32_t GetToolTipWidth() const { return tooltip_width_; }
  virtual bool IsContextMenuUsed() const { return context_menu_used_; }
  virtual void SetContextMenuUsed(bool used) { context_menu_used_ = used; }
  virtual std::wstring GetDataID() const { return data_id_; }
  virtual std::string GetUTF8DataID() const;
  virtual void SetDataID(const std::wstring& id) { data_id_ = id; }
  virtual void SetUTF8DataID(const std::string& id);
  virtual ControlUserData* GetUserData() const { return user_data_.get(); }
  // Deletes the previous object.
  virtual void SetUserData(std::unique_ptr<ControlUserData> data);
  // Shows or hides through the installed animations.
  virtual void SetFadeVisible(bool visible);
  // The visibility that a hidden ancestor imposes.
  virtual void SetInternVisible(bool visible);
  virtual void SetVisible(bool visible);
  virtual bool IsEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  virtual bool IsMouseEnabled() const { return mouse_enabled_; }
  virtual void SetMouseEnabled(bool enabled) { mouse_enabled_ = enabled; }
  virtual bool IsKeyboardEnabled() const { return keyboard_enabled_; }
  virtual void SetKeyboardEnabled(bool enabled) { keyboard_enabled_ = enabled; }
  virtual bool IsFocused() const { return focused_; }
  // Asks the window for keyboard focus, unless the control refuses focus.
  virtual void SetFocus();
  virtual bool IsAllowTabStop() const { return true; }
  virtual bool IsMouseFocused() const { return mouse_focused_; }
  virtual void SetMouseFocused(bool focused) { mouse_focused_ = focused; }
  virtual bool IsActivatable() const { return IsVisible() && IsEnabled(); }
  // What a completed press does; text and button controls send a click.
  virtual void Activate() {}
  virtual void Deactivate() {}
  // Searches the control (a box: its tree) for what the test accepts; the
  // scroll offset is a scrolling box's view position for its children.
  virtual Control* FindControl(const FindControlCallback& test, void* data, uint32_t flags,
                               POINT scroll_offset);
  virtual RECT GetMargin() const { return margin_; }
  virtual void SetMargin(RECT margin, bool scale);
  // The size of the control's text; text controls measure theirs and may set
  // the re-estimate flag again.
  virtual SIZE EstimateText(SIZE available, bool* re_estimate);
  // Whether the point, moved by the scroll offset, lies in the control.
  virtual bool IsPointInWithScrollOffset(POINT point) const;
  // Code handlers, markup handlers and then the control's own handling.
  virtual void DispatchEvent(EventArgs* msg);
  virtual bool HasHotState();
  virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
  virtual void LoadImageCache();
  virtual void UnloadImageCache();
  virtual void ClearImageCache();
  // The default handling: acts on focus, cursor, press and hover, and hands
  // everything else to the parent.
  virtual void HandleEvent(EventArgs* msg);
  virtual bool MouseEnter(EventArgs* msg);
  virtual bool MouseLeave(EventArgs* msg);
  virtual bool ButtonDown(EventArgs* msg);
  virtual bool ButtonUp(EventArgs* msg);

  // A scrolling container's view of its bars: the position and the range of
  // each bar (0 for a missing bar); plain controls never scroll.
  virtual SIZE GetScrollPos() const { return {0, 0}; }
  virtual SIZE GetScrollRange() const { return {0, 0}; }
  // Whether a list may select this control as one of its elements.
  virtual bool IsListContainerElement() const { return false; }

  // Builds a record from this control and dispatches it.
  void SendEvent(EventType type, uint64_t wparam = 0, int64_t lparam = 0, wchar_t key = 0,
                 POINT point = {0, 0}, float pressure = 0);
  void AddEventHandler(EventType type, const EventCallback& callback);
  // The markup builder's "Event" handlers.
  void AddMarkupEventHandler(EventType type, const EventCallback& callback);
  void ApplyAttributeList(const std::wstring& text);
  // Applies the attribute lists of the named classes, global ones first.
  void SetClass(const std::wstring& class_names);
  void SetBkImage(const std::wstring& descriptor);
  void SetStateColor(ControlStateType state, const std::wstring& color);
  const std::wstring& GetStateColor(ControlStateType state) { return state_colors_[state]; }
  // Hides the control unless the global channel is in the blank-separated list.
  void SetChannel(const std::wstring& channels);
  // Makes sure the image's decoded data is loaded: the path is taken under
  // the resource root and the window's skin folder when relative, and a
  // language variant ("name_xx.png") is preferred when the control adapts
  // its images to the language and the variant exists.
  void LoadImageData(Image& image);

  ControlStateType GetState() const { return state_; }
  void SetState(ControlStateType state) { state_ = state; }
  int32_t GetAlpha() const { return alpha_; }
  void SetAlpha(int32_t alpha);
  int32_t GetHotAlpha() const override { return hot_alpha_; }
  void SetHotAlpha(int32_t alpha);
  POINT GetRenderOffset() const { return render_offset_; }
  void SetRenderOffsetX(int32_t x);
  void SetRenderOffsetY(int32_t y);
  SIZE GetBorderRound() const { return border_round_; }
  void SetBorderRound(SIZE size);
  int32_t GetBorderSize() const { return border_size_; }
  RECT GetSideBorderSizes() const { return side_border_sizes_; }
  const std::wstring& GetBorderColor() const { return border_color_; }
  const std::wstring& GetBkColor() const { return bk_color_; }
  Image& GetBkImage() { return bk_image_; }
  StateImageMap& GetStateImages() { return state_images_; }
  bool IsNoFocus() const { return no_focus_; }
  bool IsReceivePointer() const { return receive_pointer_; }
  // Painting is clipped to the control's rectangle (the default).
  bool IsClip() const { return clip_; }
  void SetClip(bool clip) { clip_ = clip; }
  // The window sends a button-up when it loses focus while the control holds
  // the mouse (scroll bars ask for it).
  bool IsNeedButtonUpWhenKillFocus() const { return need_button_up_on_kill_focus_; }
  void SetNeedButtonUpWhenKillFocus(bool need) { need_button_up_on_kill_focus_ = need; }
  // The part of the control inside the rectangle being painted.
  const RECT& GetPaintRect() const { return paint_rect_; }
  bool IsGifAutoPlay() const { return gif_auto_play_; }
  bool IsBkImageAdaptLanguage() const { return language_adapted_background_; }
  const std::wstring& GetChannel() const { return channel_; }
  SIZE GetEstimatedSize() const { return estimated_size_; }
  AnimationManager& GetAnimationManager() { return animation_manager_; }

 protected:
  void SetEstimatedSize(SIZE size) { estimated_size_ = size; }
  // Passes the event on to the parent's dispatch.
  void PassToParent(EventArgs* msg);
  // Stops a running animated background image.
  void StopAnimatedBackground();
  // Runs the code handlers (the type's, then "all") and, while they leave
  // `result` true, the markup handlers likewise. False when the control died.
  bool RunOwnHandlers(EventArgs* msg, const std::weak_ptr<qbase::WeakFlag>& alive, bool* result);

 private:
  bool IsSelfOrAncestorOf(const Control* control) const;

  EventMap markup_handlers_;
  EventMap code_handlers_;
  std::unique_ptr<ControlUserData> user_data_;
  bool context_menu_used_ = false;
  bool enabled_ = true;
  bool mouse_enabled_ = true;
  bool keyboard_enabled_ = true;
  bool focused_ = false;
  bool mouse_focused_ = false;
  bool resize_guard_ = false;
  bool no_focus_ = false;
  bool gif_auto_play_ = true;
  bool receive_pointer_ = true;
  bool language_adapted_background_ = false;
  bool clip_ = true;
  bool need_button_up_on_kill_focus_ = false;
  RECT paint_rect_ = {0, 0, 0, 0};
  // The control's own bitmap while it paints translucent or cached.
  std::unique_ptr<IRenderContext> render_context_;
  std::vector<EventCallback> gif_stop_handlers_;
  int32_t border_size_ = 0;
  int32_t tooltip_width_ = 300;
  int32_t alpha_ = 255;
  int32_t hot_alpha_ = 0;
  SIZE estimated_size_ = {0, 0};
  POINT render_offset_ = {0, 0};
  SIZE border_round_ = {0, 0};
  RECT margin_ = {0, 0, 0, 0};
  RECT side_border_sizes_ = {0, 0, 0, 0};
  CursorType cursor_type_ = kCursorArrow;
  ControlStateType state_ = kControlStateNormal;
  std::wstring tooltip_text_;
  std::wstring tooltip_text_id_;
  std::wstring data_id_;
  std::wstring bk_color_;
  StateColorMap state_colors_;
  Image bk_image_;
  StateImageMap state_images_;
  std::wstring border_color_;
  // Voids the pending frame steps of an animated background.
  qbase::WeakCallbackFlag gif_timer_flag_;
  AnimationManager animation_manager_;
  std::wstring channel_ = L"AppStore";
};

}  // namespace ui
