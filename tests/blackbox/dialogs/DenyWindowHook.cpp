// A system-wide CBT hook that refuses to create one kind of window in every
// program it reaches: Tarnwick's main window, unless the variable
// TARNWICK_DENY_WINDOW of the process the hook runs in names a window class
// or, as "caption:TEXT", a window caption. The dialog driver installs it
// ("deny-main-window"); the tests give the program under test that variable
// (and the driver too, where Wine runs the hook in the driver's process).
#include <windows.h>

#include <string>

namespace {

// The class is asked of the window being made: the name the program passed
// may be an atom, or redirected to the visual-styles library's class.
bool Denied(HWND window, const CREATESTRUCTW& create) {
  wchar_t rule[256] = L"Tarnwick.Form1";
  ::GetEnvironmentVariableW(L"TARNWICK_DENY_WINDOW", rule, 256);
  const std::wstring wanted = rule;
  if (wanted.rfind(L"caption:", 0) == 0) {
    return create.lpszName != nullptr && wanted.substr(8) == create.lpszName;
  }
  wchar_t cls[256] = {};
  return ::GetClassNameW(window, cls, 256) > 0 && ::lstrcmpiW(cls, wanted.c_str()) == 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK DenyMainWindow(int code, WPARAM wParam,
                                                                  LPARAM lParam) {
  if (code == HCBT_CREATEWND &&
      Denied(reinterpret_cast<HWND>(wParam), *reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs)) {
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
