// How traps record the program's Win32 values: a window by its design name,
// as "{Form1}" ("{Nothing}" for none).
#pragma once

#include "common/win32/FormRef.h"
#include "errors/ErrValue.h"

namespace tarnwick::win32 {

inline mErrTrap::Value ErrValueOf(const FormRef& form) {
  return mErrTrap::Value(mErrTrap::ObjectRef{form.name.empty() ? Text(u"Nothing") : form.name});
}

}  // namespace tarnwick::win32
