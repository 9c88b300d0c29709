#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "ui/resources/image_attribute.h"
#include "ui/resources/image_info.h"

namespace ui {

class IRenderContext;

enum ControlStateType {
  kControlStateNormal = 0,
  kControlStateHot = 1,
  kControlStatePushed = 2,
  kControlStateDisabled = 3,
};

enum ImageType {
  kImageTypeBackground = 0,
  kImageTypeForeground = 1,
  kImageTypeSelectedBackground = 2,
  kImageTypeSelectedForeground = 3,
};

// One image slot of a control: its attributes, the shared decoded image
// (loaded on first use) and the frame player's position.
class Image {
 public:
  Image() = default;

  // Drops the decoded image and rewinds the frame player.
  void ClearCache();

  ImageAttribute attribute;
  std::shared_ptr<ImageInfo> image_info;
  int current_frame = 0;
  bool playing = false;
  int cycles_played = 0;
};

// What the state painters need of the control that owns the images: its
// image drawing (fade -1: the image's own fade), whether its hot-state
// animation is installed, and the hot alpha (0 to 255) that animation sets.
class StateImageOwner {
 public:
  virtual bool DrawImage(IRenderContext* context, Image& image, const std::wstring& modifier,
                         int fade) = 0;
  virtual bool HasHotStatePlayer() const = 0;
  virtual int GetHotAlpha() const = 0;

 protected:
  ~StateImageOwner() = default;
};

// A control's images of one image type by control state.
class StateImage {
 public:
  void SetControl(StateImageOwner* owner) { owner_ = owner; }
  // The image of a state, entered empty when the state has none yet.
  Image& operator[](ControlStateType state) { return images_[state]; }
  // The image of a state without entering one; null when there is none.
  Image* Find(ControlStateType state);

  // Paints the state's image (cross-fading normal and hot while the hot
  // animation is installed; pushed falls back to hot, hot and disabled to
  // normal). True when something was drawn.
  bool PaintStateImage(IRenderContext* context, ControlStateType state,
                       const std::wstring& modifier);
  void ClearCache();

 private:
  StateImageOwner* owner_ = nullptr;  // not owned
  std::map<ControlStateType, Image> images_;
};

// A control's images by image type.
class StateImageMap {
 public:
  // Makes the entries of the four image types and gives them their owner.
  void SetControl(StateImageOwner* owner);
  StateImage& operator[](ImageType type) { return state_images_[type]; }
  // Resets the image of the type and state to the descriptor (also its file
  // name when it has no "file" pair) and drops its decoded image.
  void SetImageString(ImageType type, ControlStateType state, const std::wstring& descriptor);
  // The first of the normal, hot, pushed and disabled images that has a file
  // name; null when there is none.
  Image* GetFirstImage(ImageType type);

 private:
  std::map<ImageType, StateImage> state_images_;
};

// A control's colour names by control state.
class StateColorMap {
 public:
  void SetControl(StateImageOwner* owner) { owner_ = owner; }
  // The colour name of a state, entered empty when the state has none yet.
  std::wstring& operator[](ControlStateType state) { return colors_[state]; }
  // Fills the rectangle with the state's colour, with the same fallbacks and
  // hot cross-fade as the images.
  void PaintStateColor(IRenderContext* context, const RECT& rect, ControlStateType state);

 private:
  StateImageOwner* owner_ = nullptr;  // not owned
  std::map<ControlStateType, std::wstring> colors_;
};

}  // namespace ui
