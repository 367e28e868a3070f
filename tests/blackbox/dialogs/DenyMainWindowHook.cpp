// A system-wide CBT hook that refuses to create Tarnwick's main window, so
// that a failure happens during start-up before any window of the program
// exists. The dialog driver installs it ("deny-main-window").
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK DenyMainWindow(int code, WPARAM wParam,
                                                                  LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    const wchar_t* cls = create->lpcs->lpszClass;
    if (!IS_INTRESOURCE(cls) && ::lstrcmpiW(cls, L"Tarnwick.Form1") == 0) return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
