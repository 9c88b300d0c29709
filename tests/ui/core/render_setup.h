#pragma once

// Painting for framework tests: GDI+ started around the run (by the render
// test support) and the process's render factory over the global font and
// colour tables, as the framework's start-up makes it; a hand-made animated
// GIF; pixel reads come from the render test support.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui/render/render_test_support.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/resources/global_manager.h"
#include "ui/resources/skin_render_environment.h"

namespace test_support {

class RenderFactoryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ui::GlobalManager::renderFactory = std::make_unique<ui::RenderFactory_GdiPlus>(&environment_);
  }
  void TearDown() override { ui::GlobalManager::renderFactory.reset(); }

 private:
  ui::SkinRenderEnvironment environment_;
};

inline ::testing::Environment* const kRenderFactoryEnvironment =
    ::testing::AddGlobalTestEnvironment(new RenderFactoryEnvironment);

// A cleared top-down context of the size.
inline std::unique_ptr<ui::IRenderContext> MakeSurface(int width, int height) {
  auto context = ui::GlobalManager::renderFactory->CreateRenderContext();
  context->Resize(width, height, true);
  context->Clear();
  return context;
}

// A 1 by 1 GIF with one frame per colour (RGB), each shown for `delay`
// hundredths of a second, looping for ever.
inline std::string MakeGif(const std::vector<DWORD>& colours, uint16_t delay) {
  std::string gif = "GIF89a";
  gif += std::string("\x01\x00\x01\x00\x81\x00\x00", 7);  // 1x1, 4-entry colour table
  for (size_t i = 0; i < 4; ++i) {
    const DWORD rgb = i < colours.size() ? colours[i] : 0;
    gif += static_cast<char>((rgb >> 16) & 0xFF);
    gif += static_cast<char>((rgb >> 8) & 0xFF);
    gif += static_cast<char>(rgb & 0xFF);
  }
  gif += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (size_t i = 0; i < colours.size(); ++i) {
    gif += std::string("\x21\xF9\x04\x00", 4);
    gif += static_cast<char>(delay & 0xFF);
    gif += static_cast<char>(delay >> 8);
    gif += std::string("\x00\x00", 2);
    gif += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    // LZW, code size 2: clear, the colour's index, end.
    gif += std::string("\x02\x02", 2);
    gif += static_cast<char>(0x44 | (i << 3));
    gif += std::string("\x01\x00", 2);
  }
  gif += '\x3B';
  return gif;
}

}  // namespace test_support
