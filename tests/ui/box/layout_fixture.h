#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/core/control.h"

namespace test_support {

// How a test child asks for room.
struct ChildRequest {
  SIZE fixed = {ui::kSizeStretch, ui::kSizeStretch};
  RECT margin = {0, 0, 0, 0};
  SIZE minimum = {-1, -1};
  SIZE maximum = {9999999, 9999999};
  bool floating = false;
};

// Children built from requests, owned here; `items` is what a layout takes.
struct Children {
  explicit Children(const std::vector<ChildRequest>& requests) {
    for (const ChildRequest& request : requests) {
      auto control = std::make_unique<ui::Control>();
      control->SetFixedWidth(request.fixed.cx, false, false);
      control->SetFixedHeight(request.fixed.cy, false);
      control->SetMargin(request.margin, false);
      if (request.minimum.cx >= 0) control->SetMinWidth(request.minimum.cx);
      if (request.minimum.cy >= 0) control->SetMinHeight(request.minimum.cy);
      control->SetMaxWidth(request.maximum.cx, false);
      control->SetMaxHeight(request.maximum.cy, false);
      control->SetFloat(request.floating);
      items.push_back(control.get());
      owned.push_back(std::move(control));
    }
  }
  std::vector<ui::Control*> items;
  std::vector<std::unique_ptr<ui::Control>> owned;
};

inline std::string RectText(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

}  // namespace test_support
