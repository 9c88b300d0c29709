#pragma once

#include <cstdint>

#include "ui/core/dpi_manager.h"

namespace test_support {

// Sets the process's DPI scale for one test and restores the old one.
class ScopedDpiScale {
 public:
  ScopedDpiScale(bool enabled, int32_t percent)
      : enabled_(ui::DpiManager::GetInstance()->IsEnabled()),
        percent_(ui::DpiManager::GetInstance()->GetScale()) {
    ui::DpiManager::GetInstance()->SetEnabled(enabled);
    ui::DpiManager::GetInstance()->SetScale(percent);
  }
  ~ScopedDpiScale() {
    ui::DpiManager::GetInstance()->SetEnabled(enabled_);
    ui::DpiManager::GetInstance()->SetScale(percent_);
  }
  ScopedDpiScale(const ScopedDpiScale&) = delete;
  ScopedDpiScale& operator=(const ScopedDpiScale&) = delete;

 private:
  bool enabled_;
  int32_t percent_;
};

}  // namespace test_support
