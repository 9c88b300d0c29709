#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/box/layout.h"
#include "ui/core/control.h"

namespace ui {

// The container control: an ordered list of children and the layout that
// places them. The list order is the layout, paint and search order. The
// box owns its layout always and its children while auto destroy is set;
// removed children then go to the window's deletion queue (delayed destroy)
// or are destroyed at once. Bubbled handlers run for events that started
// at a descendant.
class Box : public Control {
 public:
  explicit Box(std::unique_ptr<Layout> layout = std::make_unique<Layout>());
  ~Box() override;

  void SetWindow(Window* window, Control* parent, bool init) override;
  using PlaceHolder::SetWindow;
  SIZE EstimateSize(SIZE available) override;
  void SetPos(RECT rect) override;
  void SetInternVisible(bool visible) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  bool IsAllowTabStop() const override { return false; }
  Control* FindControl(const FindControlCallback& test, void* data, uint32_t flags,
                       POINT scroll_offset) override;
  void DispatchEvent(EventArgs* msg) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  // Each visible child paints itself (AlphaPaint) over the ones before it.
  void PaintChild(IRenderContext* context, const RECT& paint) override;
  void LoadImageCache() override;
  void UnloadImageCache() override;
  void ClearImageCache() override;

  // The index of a child a list may select, searching from `index` in the
  // direction given; a failed backward search searches forward from 0.
  virtual int32_t FindSelectable(int32_t index, bool forward);
  virtual Control* GetItemAt(int32_t index) const;
  virtual int32_t GetItemIndex(Control* control) const;
  virtual bool SetItemIndex(Control* control, int32_t index);
  virtual int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }
  // Takes the control over (with auto destroy) and attaches it to the window.
  virtual bool Add(Control* control);
  virtual bool AddAt(Control* control, int32_t index);
  virtual bool Remove(Control* control);
  virtual bool RemoveAt(int32_t index);
  virtual void RemoveAll();
  virtual bool IsAutoDestroy() const { return auto_destroy_; }
  virtual void SetAutoDestroy(bool value) { auto_destroy_ = value; }
  virtual bool IsDelayedDestroy() const { return delayed_destroy_; }
  virtual void SetDelayedDestroy(bool value) { delayed_destroy_ = value; }
  virtual bool IsMouseChildEnabled() const { return mouse_child_; }
  virtual void SetMouseChildEnabled(bool value) { mouse_child_ = value; }
  virtual Layout* GetLayout() const { return layout_.get(); }
  virtual void ReplaceLayout(std::unique_ptr<Layout> layout);
  // The box's rectangle inside its padding.
  RECT GetPaddingPos() const override;

  // Exchanges the two children's places, without a new layout.
  void SwapChild(Control* a, Control* b);
  void AddBubbledEventHandler(EventType type, const EventCallback& callback);
  // The markup builder's "BubbledEvent" handlers.
  void AddMarkupBubbledEventHandler(EventType type, const EventCallback& callback);

 protected:
  // Shared by Remove, RemoveAt and RemoveAll: detaches and queues, or
  // destroys, a child that leaves the box (only with auto destroy).
  void ReleaseChild(Control* control);
  bool RemoveChild(Control* control);
  // Attaches a new child to the window and the tree before it is listed.
  void AdoptChild(Control* control);

  std::vector<Control*> items_;

 private:
  EventMap markup_bubbled_handlers_;
  std::unique_ptr<Layout> layout_;
  bool auto_destroy_ = true;
  bool delayed_destroy_ = true;
  bool mouse_child_ = true;
  EventMap code_bubbled_handlers_;
};

// Children stacked top to bottom.
class VBox : public Box {
 public:
  VBox();
};

// Children side by side, left to right.
class HBox : public Box {
 public:
  HBox();
};

// Children in a grid of equal cells.
class TileBox : public Box {
 public:
  TileBox();
};

}  // namespace ui
