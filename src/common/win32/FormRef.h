// A window of the program as other layers see it: its handle and its design
// name ("Form1", "Form10", "Form11", "frmShowError").
#pragma once

#include <windows.h>

#include "common/Text.h"

namespace tarnwick::win32 {

struct FormRef {
  HWND hwnd = nullptr;
  Text name;
};

}  // namespace tarnwick::win32
