// The system's clipboard-format listener (Windows Vista and later), whose
// two functions are looked up at run time: a program that imported them
// would not start on Windows 2000 or XP.
#pragma once

#include <windows.h>

namespace tarnwick::clipboard {

class FormatListener {
 public:
  static const FormatListener& Instance();
  bool Offered() const { return add_ != nullptr && remove_ != nullptr; }
  bool Add(HWND window) const { return Offered() && add_(window) != FALSE; }
  void Remove(HWND window) const {
    if (Offered()) remove_(window);
  }

 private:
  using Function = BOOL(WINAPI*)(HWND);
  FormatListener();
  Function add_, remove_;
};

}  // namespace tarnwick::clipboard
