// tarnwick-peer: the other clipboard programs around Tarnwick, most of them
// misbehaving. Each prints one line once it is in place, then obeys one
// command a line on stdin; the end of stdin ends it.
//
//   viewer [mute|late|lower|manager MS]  joins the clipboard-viewer chain
//       ("joined"); "count" prints the notifications seen since, "writes"
//       the texts it wrote, "next" the next viewer's handle, "rejoin" joins
//       again at the head, "leave" leaves, "hang" stops answering any
//       message ("hung") until "wake" or the end of stdin. mute passes no
//       notification on, late passes each on after its own handler has
//       returned, lower puts back in lower case every text that is not (a
//       competing converter), manager holds the clipboard open for MS ms
//       while it passes each change on (as one that reads a large copy).
//       Killing the process leaves the chain without a word.
//   owner promise|hang|raw FORMAT HEX|formats TEXT|late MS TEXT   takes the
//       clipboard ("owned"): a promise of text that renders nothing when
//       asked, the same promise by a thread that then answers no message,
//       exactly the bytes HEX as a block of FORMAT, TEXT beside promises of
//       "HTML Format" and "Rich Text Format" that render nothing, or a
//       promise of TEXT that renders nothing until MS ms have passed (a
//       program slow to produce its text).
//   owners N   N windows, each of a thread that never takes a message, as N
//       hung programs ("ready" once the system counts them hung, after about
//       5 s). "own I" makes window I take the clipboard with a promise of
//       text that it never renders ("owned").
//   flood N PREFIX PAUSE_MS   copies "PREFIX i" N times; prints the
//       milliseconds taken and how often the clipboard was busy.
//   end-session   sends Tarnwick's main window WM_QUERYENDSESSION and then
//       WM_ENDSESSION (the session ends, by a log-off) as the system does;
//       prints the answer to the first and the milliseconds the second took.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "HelperProgram.h"

namespace {

using helper::OpenClipboardRetrying;
using helper::PutBlock;
using helper::Say;

constexpr UINT kPassOn = WM_APP + 2;   // a late notification to pass on now
constexpr UINT kLower = WM_APP + 3;    // look at the clipboard once the notice is done
constexpr UINT kCommand = WM_APP + 4;  // a line of stdin (lParam: a new std::string)

struct {
  HWND self = nullptr, next = nullptr;
  std::wstring mode;
  DWORD holdMs = 0;        // a manager's hold on each change
  HANDLE awake = nullptr;  // set while the viewer answers
  bool joined = false;
  long notifications = 0, writes = 0;
} viewer;


// Empties the open clipboard and puts the block (null: a promise).
bool Put(UINT format, const void* data, std::size_t bytes) {
  ::EmptyClipboard();
  return PutBlock(format, data, bytes);
}

void LowerTheClipboard() {
  if (!OpenClipboardRetrying(viewer.self, 2)) return;
  HANDLE block = ::GetClipboardData(CF_UNICODETEXT);
  const auto* data = block ? static_cast<const wchar_t*>(::GlobalLock(block)) : nullptr;
  std::wstring text = data ? std::wstring(data, wcsnlen(data, ::GlobalSize(block) / 2)) : L"";
  if (data) ::GlobalUnlock(block);
  std::wstring lowered = text;
  if (!text.empty()) ::CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
  if (lowered != text && Put(CF_UNICODETEXT, lowered.c_str(), (lowered.size() + 1) * 2))
    ++viewer.writes;
  ::CloseClipboard();
}

void PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
  if (viewer.next != nullptr) ::SendMessageW(viewer.next, message, wParam, lParam);
}

void Leave() {
  if (!viewer.joined) return;
  ::ChangeClipboardChain(viewer.self, viewer.next);
  viewer.next = nullptr;
  viewer.joined = false;
}

void Obey(const std::string& line) {
  if (line == "count") Say(std::to_string(viewer.notifications));
  if (line == "writes") Say(std::to_string(viewer.writes));
  if (line == "next") Say(std::to_string(reinterpret_cast<std::uintptr_t>(viewer.next)));
  if (line == "leave" || line == "rejoin") Leave();
  if (line == "rejoin") viewer.next = ::SetClipboardViewer(viewer.self), viewer.joined = true;
  if (line == "leave" || line == "rejoin") Say("done");
  if (line == "hang") Say("hung"), ::WaitForSingleObject(viewer.awake, INFINITE);
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD: {
      ++viewer.notifications;
      const bool holds = viewer.holdMs != 0 && ::OpenClipboard(hwnd);
      if (viewer.mode == L"late") ::PostMessageW(hwnd, kPassOn, wParam, lParam);
      if (viewer.mode != L"late" && viewer.mode != L"mute") PassOn(message, wParam, lParam);
      if (holds) ::Sleep(viewer.holdMs), ::CloseClipboard();
      if (viewer.mode == L"lower") ::PostMessageW(hwnd, kLower, 0, 0);
      return 0;
    }
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == viewer.next) {
        viewer.next = reinterpret_cast<HWND>(lParam);
      } else {
        PassOn(message, wParam, lParam);
      }
      return 0;
    case kPassOn:
      PassOn(WM_DRAWCLIPBOARD, wParam, lParam);
      return 0;
    case kLower:
      LowerTheClipboard();
      return 0;
    case kCommand:
      Obey(*std::unique_ptr<std::string>(reinterpret_cast<std::string*>(lParam)));
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

HWND MakeWindow(WNDPROC proc) { return helper::MakeWindow(proc, L"Tarnwick.Peer"); }

// Reads the commands on a thread of its own: "wake" has to reach a viewer
// whose thread hangs.
DWORD WINAPI ReadCommands(void*) {
  helper::ForEachInputLine([](const std::string& line) {
    if (line == "hang") ::ResetEvent(viewer.awake);
    if (line == "wake") ::SetEvent(viewer.awake);
    else ::PostMessageW(viewer.self, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(line)));
  });
  ::SetEvent(viewer.awake);
  ::PostMessageW(viewer.self, WM_QUIT, 0, 0);
  return 0;
}

int Viewer(const wchar_t* mode, DWORD holdMs) {
  viewer.mode = mode ? mode : L"";
  viewer.self = MakeWindow(&ViewerProc);
  viewer.awake = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  viewer.next = ::SetClipboardViewer(viewer.self);  // its notification comes before any hold
  viewer.joined = true;
  viewer.notifications = 0;  // the one that joining delivers does not count
  viewer.holdMs = holdMs;
  Say("joined");
  ::CloseHandle(::CreateThread(nullptr, 0, &ReadCommands, nullptr, 0, nullptr));
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  Leave();
  return 0;
}

DWORD lateSince = 0, lateMs = 0;
std::wstring lateText;

LRESULT CALLBACK LateOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RENDERFORMAT && wParam == CF_UNICODETEXT && ::GetTickCount() - lateSince >= lateMs)
    PutBlock(CF_UNICODETEXT, lateText.c_str(), (lateText.size() + 1) * sizeof(wchar_t));
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

int Owner(int argc, wchar_t** argv) {
  const std::wstring how = argc > 2 ? argv[2] : L"";
  const bool raw = how == L"raw" && argc > 4, late = how == L"late" && argc > 4;
  const std::string bytes = raw ? helper::FromHex(argv[4]) : "";
  if (late) lateMs = _wtoi(argv[3]), lateText = argv[4];
  HWND owner = MakeWindow(late ? &LateOwnerProc : &::DefWindowProcW);  // else renders nothing
  if (!OpenClipboardRetrying(owner, 2)) return 1;
  const std::wstring text = how == L"formats" && argc > 3 ? argv[3] : L"";
  const bool put = text.empty() ? Put(raw ? _wtoi(argv[3]) : CF_UNICODETEXT,
                                      raw ? bytes.data() : nullptr, bytes.size())
                                : Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
  for (const wchar_t* name : {L"HTML Format", L"Rich Text Format"})
    if (!text.empty()) ::SetClipboardData(::RegisterClipboardFormatW(name), nullptr);
  ::CloseClipboard();
  lateSince = ::GetTickCount();
  if (!put) return 1;
  Say("owned");
  const auto ignore = [](const std::string&) {};
  if (how == L"hang")
    helper::ForEachInputLine(ignore);  // no message loop: every request to render waits
  else
    helper::ServeUntilInputEnds(ignore);
  return 0;
}

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

// Copies as a program does; the clipboard may be held by the program that
// converts it, so opening and putting are tried again.
int Flood(long count, const std::wstring& prefix, DWORD pause) {
  long busy = 0, failures = 0;
  const DWORD start = ::GetTickCount();
  for (long i = 0; i < count; ++i, ::Sleep(pause)) {
    const std::wstring text = prefix + L" " + std::to_wstring(i);
    bool put = false;
    for (int attempt = 0; attempt < 20 && !put; ++attempt) {
      if (!OpenClipboardRetrying(nullptr, 2, &busy)) continue;
      put = Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
      ::CloseClipboard();
      busy += put ? 0 : 1;
    }
    failures += put ? 0 : 1;
  }
  Say(std::to_string(::GetTickCount() - start) + " " + std::to_string(busy));
  return failures == 0 ? 0 : 1;
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
  if (command == L"viewer")
    return Viewer(argc > 2 ? argv[2] : nullptr, argc > 3 ? _wtoi(argv[3]) : 0);
  if (command == L"owner") return Owner(argc, argv);
  if (command == L"owners" && argc > 2) return Owners(_wtoi(argv[2]));
  if (command == L"end-session") return EndSession();
  if (command == L"flood" && argc > 4) return Flood(_wtol(argv[2]), argv[3], _wtol(argv[4]));
  Say("usage: tarnwick-peer viewer [mute|late|lower|manager MS] | owner promise|hang|raw FORMAT"
      " HEX|formats TEXT|late MS TEXT | owners N | flood N PREFIX PAUSE_MS | end-session");
  return 2;
}

}  // namespace

int main() { return helper::RunWithArguments(&Run); }
