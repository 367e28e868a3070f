// frmShowError, the error details form of development mode: the full report
// text in a sizable window that the text box always fills. One shared
// instance, created on first use; closing it unloads it, and the next report
// shows it again.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "common/win32/Handles.h"
#include "common/win32/Window.h"

namespace tarnwick::forms {

class frmShowError final : public win32::Window {
 public:
  static frmShowError& Instance();

  // Puts the text into txtError and shows the form if it is not visible:
  // modeless, or modally while a modal window is open; then gives it the
  // focus.
  void ErrorReport(const Text& text);

  HWND txtError() const { return txtError_; }

 private:
  frmShowError() : Window(u"frmShowError") {}
  void Load();
  void Form_Resize();
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  HWND txtError_ = nullptr;
  win32::FontHandle font_;
};

}  // namespace tarnwick::forms
