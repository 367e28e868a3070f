// What the About dialog and the error dialog share: a window built from its
// design table, captions set by the load steps of that table, links drawn
// in blue with a hand cursor whose clicks go to the form, Enter for OK and
// Esc or the close box for closing.
#pragma once

#include <windows.h>

#include <optional>

#include "common/win32/Handles.h"
#include "common/win32/Window.h"
#include "errors/ErrTrap.h"
#include "forms/FormDesign.h"
#include "forms/win32/FormBuilder.h"

namespace tarnwick::forms {

inline constexpr wchar_t kDialogClass[] = L"Tarnwick.Dialog";
inline constexpr COLORREF kLinkBlue = RGB(0, 0, 255);  // the text of every link

class Dialog : public win32::Window {
 protected:
  explicit Dialog(const FormDesign& design) : Window(design.name), design_(design) {}

  // Creates the window, hidden, with its controls: client area as designed,
  // centred on `centreOn` (or, with none, on the screen). Raises when the
  // system refuses; a window that could not be built whole is destroyed
  // at once, so it is never shown.
  void CreateWindowAndControls(HWND owner, HWND centreOn, const ControlFonts& fonts);
  // The table's caption steps, each under `trap` with its step number.
  void SetLoadCaptions(mErrTrap::TrapBase& trap);
  void SetCaption(int id, const Text& text);
  HWND Control(int id) const { return controls_.Get(id); }
  HWND FindControl(int id) const { return controls_.Find(id); }
  int dpi() const { return dpi_; }

  // A link or the OK button was clicked.
  virtual void OnClick(int id) = 0;
  // Esc or the close box.
  virtual void OnCancel() = 0;
  // The form's own colours and messages, asked first.
  virtual std::optional<LRESULT> OnFormMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  bool IsLink(HWND control) const;

 private:
  void SizeAndCentre(HWND centreOn);

  const FormDesign& design_;
  FormControls controls_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
};

}  // namespace tarnwick::forms
