// The window skin, as the main window and the About dialog call it. This
// build draws the platform's plain look: the calls keep their order and
// values, and none of them can fail.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/Text.h"

namespace tarnwick::app {

class SkinFramework {
 public:
  // Operation 3: the window to draw.
  void ApplyWindow(HWND hwnd) { window_ = hwnd; }
  // Property 1: the option flags.
  std::int32_t Options() const { return options_; }
  void SetOptions(std::int32_t options) { options_ = options; }
  // Operation 2: a skin file and a scheme inside it.
  void LoadSkin(TextView skinFile, TextView schemeName);

  HWND Window() const { return window_; }
  const Text& SkinFile() const { return skinFile_; }
  const Text& SchemeName() const { return schemeName_; }

 private:
  HWND window_ = nullptr;
  std::int32_t options_ = 1;
  Text skinFile_;
  Text schemeName_;
};

}  // namespace tarnwick::app
