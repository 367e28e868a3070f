// tarnwick-stall: other programs that stall, and a session that ends. Each
// prints one line once it is in place.
//
//   owners N      N windows, each of a thread that never takes a message,
//       as N hung programs ("ready" once the system counts them hung, after
//       about 5 s). "own I" makes window I take the clipboard with a promise
//       of text that it never renders ("owned").
//   late MS TEXT  takes the clipboard with a promise of TEXT ("owned") that
//       it renders only when asked MS milliseconds or more later, and
//       renders nothing before: a program slow to produce its text.
//   end-session   sends Tarnwick's main window WM_QUERYENDSESSION and then
//       WM_ENDSESSION (the session ends, by a log-off) as the system does;
//       prints the answer to the first and the milliseconds the second took.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HelperProgram.h"

namespace {

using helper::Say;

// Set once every hung window exists.
HANDLE allMade = nullptr;

// A window whose thread stops taking messages once every hung window
// exists: the system counts it hung 5 s later.
DWORD WINAPI HungWindow(void* made) {
  *static_cast<HWND*>(made) = helper::MakeWindow(&::DefWindowProcW, L"Tarnwick.HungOwner");
  // Making a window may send messages to the windows made before it, so
  // each thread answers until all exist; only then does it stop for good.
  while (::MsgWaitForMultipleObjects(1, &allMade, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  ::Sleep(INFINITE);
  return 0;
}

int Owners(int count) {
  // The class first, once: a thread whose window is made while another
  // thread still registers the class can get no window at all.
  helper::RegisterWindowClass(&::DefWindowProcW, L"Tarnwick.HungOwner");
  allMade = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<HWND> owners(count, nullptr);
  for (HWND& owner : owners) ::CloseHandle(::CreateThread(nullptr, 0, &HungWindow, &owner, 0, nullptr));
  // A loaded machine may take seconds to make a window; each is counted
  // hung 5 s after its thread stops taking messages.
  const auto made = [&] {
    for (HWND& owner : owners)
      if (const_cast<HWND volatile&>(owner) == nullptr) return false;  // set by its thread
    return true;
  };
  for (int waited = 0; !made(); waited += 50) {
    if (waited >= 30000) return 1;
    ::Sleep(50);
  }
  ::SetEvent(allMade);
  ::Sleep(5500);
  Say("ready");
  char line[32];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    const int index = std::atoi(line + 4);
    if (std::strncmp(line, "own ", 4) != 0 || index < 0 || index >= count) continue;
    if (!::OpenClipboard(owners[index])) return 1;
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, nullptr);  // rendered when asked: never
    ::CloseClipboard();
    Say("owned");
  }
  return 0;
}

DWORD lateSince = 0, lateMs = 0;
std::wstring lateText;

LRESULT CALLBACK LateOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RENDERFORMAT && wParam == CF_UNICODETEXT && ::GetTickCount() - lateSince >= lateMs)
    helper::PutBlock(CF_UNICODETEXT, lateText.c_str(), (lateText.size() + 1) * sizeof(wchar_t));
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

int LateOwner(DWORD ms, const std::wstring& text) {
  lateMs = ms;
  lateText = text;
  HWND owner = helper::MakeWindow(&LateOwnerProc, L"Tarnwick.LateOwner");
  if (!helper::OpenClipboardRetrying(owner, 2)) return 1;
  ::EmptyClipboard();
  ::SetClipboardData(CF_UNICODETEXT, nullptr);
  ::CloseClipboard();
  lateSince = ::GetTickCount();
  Say("owned");
  helper::ServeUntilInputEnds([](const std::string&) {});
  return 0;
}

int EndSession() {
  HWND main = ::FindWindowW(L"Tarnwick.Form1", nullptr);
  if (main == nullptr) return 1;
  DWORD_PTR agreed = 0;
  if (!::SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                             &agreed))
    return 1;
  const DWORD start = ::GetTickCount();
  if (!::SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                             nullptr))
    return 1;
  char line[64];
  std::snprintf(line, sizeof line, "%d %lu", agreed ? 1 : 0, ::GetTickCount() - start);
  Say(line);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"owners" && argc > 2) return Owners(_wtoi(argv[2]));
  if (command == L"late" && argc > 3) return LateOwner(_wtoi(argv[2]), argv[3]);
  if (command == L"end-session") return EndSession();
  Say("usage: tarnwick-stall owners N | late MS TEXT | end-session");
  return 2;
}

}  // namespace

int main() { return helper::RunWithArguments(&Run); }
