// A window of the program as other layers see it: its handle and its design
// name ("Form1", "Form10", "Form11", "frmShowError"). Traps record it by name.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "errors/ErrValue.h"

namespace tarnwick::win32 {

struct FormRef {
  HWND hwnd = nullptr;
  Text name;
};

inline mErrTrap::Value ErrValueOf(const FormRef& form) {
  return mErrTrap::Value(mErrTrap::ObjectRef{form.name.empty() ? Text(u"Nothing") : form.name});
}

}  // namespace tarnwick::win32
