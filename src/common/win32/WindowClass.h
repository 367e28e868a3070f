// Registers one of the program's window classes in the executable's module.
// A class that an earlier window already registered counts as registered.
#pragma once

#include <windows.h>

namespace tarnwick::win32 {

inline bool RegisterWindowClass(const wchar_t* name, WNDPROC proc,
                                HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace tarnwick::win32
