// A system-wide CBT hook that refuses to create one kind of window in every
// program it reaches: Tarnwick's main window, unless the program's variable
// TARNWICK_DENY_WINDOW names a window class or, as "caption:TEXT", a window
// caption. The dialog driver installs it ("deny-main-window").
#include <windows.h>

#include <string>

namespace {

bool Denied(const CREATESTRUCTW& create) {
  wchar_t rule[256] = L"Tarnwick.Form1";
  ::GetEnvironmentVariableW(L"TARNWICK_DENY_WINDOW", rule, 256);
  const std::wstring wanted = rule;
  if (wanted.rfind(L"caption:", 0) == 0) {
    return create.lpszName != nullptr && wanted.substr(8) == create.lpszName;
  }
  return !IS_INTRESOURCE(create.lpszClass) && ::lstrcmpiW(create.lpszClass, wanted.c_str()) == 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK DenyMainWindow(int code, WPARAM wParam,
                                                                  LPARAM lParam) {
  if (code == HCBT_CREATEWND && Denied(*reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs)) {
    return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
