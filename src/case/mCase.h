// The two case rules of the case module as the conversion commands call
// them, each under its error trap: SCase converts a text, ToggleCase
// converts the main window's text field in place.
#pragma once

#include "common/Text.h"

namespace tarnwick::mCase {

// The main window's clipboard text field, as ToggleCase reads and writes it.
class TextField {
 public:
  virtual ~TextField() = default;
  virtual Text GetText() const = 0;
  virtual void SetText(const Text& text) = 0;
};

// The field that ToggleCase works on (not owned); nullptr when the main
// window is gone.
void BindMainTextField(TextField* field);

// Sentence case of str (SentenceCase, CaseRules.h). On a failure the trap
// records "mCase.SCase(str)" with str as far as it had been converted, and
// raises the error again.
Text SCase(Text str);

// Replaces the bound field's text by its toggled case (ToggledCase). The
// field is written only once the whole result is built, so a failure leaves
// it unchanged; the trap records "mCase.ToggleCase" and raises the error
// again. With no field bound: error 91.
void ToggleCase();

}  // namespace tarnwick::mCase
