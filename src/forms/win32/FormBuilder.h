// One builder for the controls of every form: it creates them from the
// form's design table, in table order (containers first, and each
// container's tab order), at the screen's DPI.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "forms/FormDesign.h"

namespace tarnwick::forms {

struct ControlFonts {
  HFONT normal = nullptr;  // null: the system's default font
  HFONT bold = nullptr;
  HFONT title = nullptr;
  // The font the form's captions will end up in: check boxes and option
  // buttons are made wide enough for their caption in it.
  HFONT fitting = nullptr;
};

// The controls of one form, by design.
class FormControls {
 public:
  // Creates every control of `design` in `window`. Raises run-time error 7
  // when the system refuses one; the ones made so far stay.
  void Build(HWND window, std::span<const ControlDesign> design, int dpi, const ControlFonts& fonts);
  // The control of this id; null when it does not exist (yet).
  HWND Find(int id) const;
  // The same; raises error 340 when it does not exist.
  HWND Get(int id) const;
  const ControlDesign* DesignOf(HWND control) const;

 private:
  std::span<const ControlDesign> design_;
  std::vector<HWND> handles_;  // parallel to design_
};

// A caption that a table names for a control (not the window's caption).
Text CaptionFor(const ControlDesign& control);

}  // namespace tarnwick::forms
