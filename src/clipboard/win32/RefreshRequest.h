// How anything that learns of content the field may not show yet (a read
// that finished late, a replacement that met newer content) asks the hooked
// window to look at the clipboard again: a message posted to that window,
// handled once the message it is busy with is done. Posting is safe from
// any thread, and does nothing once the window is gone.
#pragma once

#include <windows.h>

namespace tarnwick::clipboard {

class RefreshRequest {
 public:
  static constexpr UINT kMessage = WM_APP + 0x308;

  RefreshRequest() = default;
  explicit RefreshRequest(HWND window) : window_(window) {}
  void Post() const {
    if (window_ != nullptr) ::PostMessageW(window_, kMessage, 0, 0);
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace tarnwick::clipboard
