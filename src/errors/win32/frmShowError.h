// frmShowError, the error details form of development mode: the full report
// text in a sizable window that the text box always fills. One shared
// instance, created on first use; closing it unloads it, the next report
// shows it again.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "common/win32/Handles.h"

namespace tarnwick::win32 {

class frmShowError {
 public:
  static frmShowError& Instance();

  // Puts the text into txtError, shows the form if it is not visible and
  // gives it the focus.
  void ErrorReport(const Text& text);

  HWND hwnd() const { return hwnd_; }
  HWND txtError() const { return txtError_; }

 private:
  frmShowError() = default;
  void Load();
  void Form_Resize();
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  HWND txtError_ = nullptr;
  FontHandle font_;
};

}  // namespace tarnwick::win32
