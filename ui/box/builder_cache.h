#pragma once

#include <string>

#include "ui/resources/global_manager.h"

namespace ui {

class Box;

// The layout documents behind the global manager's cached layout forms: one
// markup builder per path as given, parsed on first use and built again on
// every later one, until a skin reload forgets them. UI thread only.
class BuilderCache {
 public:
  BuilderCache() = delete;

  // Sets the global manager's layout hooks to Build and Clear; the
  // composition root does it once, beside the global-resource loader.
  static void Install();
  // The `GlobalManager::LayoutBuilder` behind CreateBoxWithCache, FillBox and
  // FillBoxWithCache; a filled box is built on its own window.
  static Box* Build(const std::wstring& path, const CreateControlCallback& callback, Box* box,
                    bool cached);
  static void Clear();
};

}  // namespace ui
