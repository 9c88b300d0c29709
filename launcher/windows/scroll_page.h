#pragma once

#include <string>

#include "ui/control/list_container_element.h"
#include "ui/core/control.h"
#include "ui/core/events.h"

namespace MainComponents {

// A dot of the carousel's dot list, one per poster ("main/scroll_dot.xml").
// Its "btn_dot" shows the filled dot while disabled, which marks the poster
// shown.
class ScrollDot : public ui::ListContainerElement {
 public:
  // Finds "btn_dot" among the dot's children; without it the dot has no look.
  void Bind();
  ui::Control* dot_control() const { return dot_control_; }

 private:
  ui::Control* dot_control_ = nullptr;  // a child of the dot
};

// A page of the carousel ("main/scroll_page.xml"): the poster image
// "bk_image", which opens the poster's link when pressed.
class ScrollPage : public ui::ListContainerElement {
 public:
  // Shows `image` (a skin image descriptor, UTF-8) and keeps `link`, a key of
  // the context's links.
  void SetContent(const std::string& image, const std::string& link);
  // Forgets the link and the image control before the page is removed.
  void ClearContent();
  bool OnClick(ui::EventArgs* args);

  ui::Control* image_control() const { return image_control_; }
  const std::string& link() const { return link_; }

 private:
  ui::Control* image_control_ = nullptr;  // a child of the page
  std::string link_;
};

}  // namespace MainComponents
