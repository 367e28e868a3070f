// tarnwick-details-host: shows the error details form with a given report
// text and runs until the form is closed. The delivered Tarnwick.exe shows
// this form only in development mode, which it never turns on; the host
// lets the tests look at the form itself, built from the program's own
// library, at any DPI.
//
//   tarnwick-details-host <text>
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "common/Text.h"
#include "forms/win32/frmShowError.h"

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 2;
  const std::wstring wide = argv[1];
  ::LocalFree(argv);
  auto& form = tarnwick::forms::frmShowError::Instance();
  try {
    form.ErrorReport(tarnwick::Text(wide.begin(), wide.end()));
  } catch (...) {
    return 1;
  }
  MSG msg;
  while (form.hwnd() != nullptr && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
