// tarnwick-peer: the other clipboard programs around Tarnwick, most of them
// misbehaving. Each prints one line once it is in place, then obeys one
// command a line on stdin; the end of stdin ends it.
//
//   viewer [mute|late|lower]  joins the clipboard-viewer chain ("joined");
//       "count" prints the notifications seen since, "writes" the texts it
//       wrote, "next" the next viewer's handle, "rejoin" joins again at the
//       head, "leave" leaves. mute passes no notification on, late passes
//       each on after its own handler has returned, lower puts back in
//       lower case every text that is not (a competing converter). Killing
//       the process leaves the chain without a word.
//   owner promise|hang|raw FORMAT HEX|formats TEXT   takes the clipboard
//       ("owned"): a promise of text that renders nothing when asked, the
//       same promise by a thread that then answers no message, exactly the
//       bytes HEX as a block of FORMAT, or TEXT beside promises of "HTML
//       Format" and "Rich Text Format" that render nothing.
//   flood N PREFIX PAUSE_MS   copies "PREFIX i" N times; prints the
//       milliseconds taken and how often the clipboard was busy.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr UINT kCommand = WM_APP + 1;  // lParam: one line read from stdin
constexpr UINT kPassOn = WM_APP + 2;   // a late notification to pass on now
constexpr UINT kLower = WM_APP + 3;    // look at the clipboard once the notice is done

struct {
  HWND self = nullptr, next = nullptr;
  std::wstring mode;
  bool joined = false;
  long notifications = 0, writes = 0;
} viewer;

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

bool OpenRetrying(HWND owner, long* busy = nullptr) {
  for (int i = 0; i < 500; ++i, ::Sleep(2)) {
    if (::OpenClipboard(owner)) return true;
    if (busy != nullptr) ++*busy;
  }
  return false;
}

// Empties the open clipboard and puts the block (null: a promise).
bool Put(UINT format, const void* data, std::size_t bytes) {
  ::EmptyClipboard();
  HGLOBAL block = data ? ::GlobalAlloc(GMEM_MOVEABLE, bytes) : nullptr;
  if (block != nullptr) {
    std::memcpy(::GlobalLock(block), data, bytes);
    ::GlobalUnlock(block);
  }
  if (::SetClipboardData(format, block) != nullptr || data == nullptr) return true;
  ::GlobalFree(block);
  return false;
}

void LowerTheClipboard() {
  if (!OpenRetrying(viewer.self)) return;
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

void Obey(const std::string& line) {
  if (line == "count") Say(std::to_string(viewer.notifications));
  if (line == "writes") Say(std::to_string(viewer.writes));
  if (line == "next") Say(std::to_string(reinterpret_cast<std::uintptr_t>(viewer.next)));
  if ((line == "leave" || line == "rejoin" || line.empty()) && viewer.joined) {
    ::ChangeClipboardChain(viewer.self, viewer.next);
    viewer.next = nullptr;
    viewer.joined = false;
  }
  if (line == "rejoin") viewer.next = ::SetClipboardViewer(viewer.self), viewer.joined = true;
  if (line == "leave" || line == "rejoin") Say("done");
  if (line.empty()) ::PostQuitMessage(0);  // the end of stdin
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      ++viewer.notifications;
      if (viewer.mode == L"late") ::PostMessageW(hwnd, kPassOn, wParam, lParam);
      if (viewer.mode != L"late" && viewer.mode != L"mute") PassOn(message, wParam, lParam);
      if (viewer.mode == L"lower") ::PostMessageW(hwnd, kLower, 0, 0);
      return 0;
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
    case kCommand: {
      auto* line = reinterpret_cast<std::string*>(lParam);
      Obey(*line);
      delete line;
      return 0;
    }
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// Hands each stdin line to the window, and an empty one at the end.
DWORD WINAPI ReadCommands(void* window) {
  std::string pending;
  char buffer[256];
  DWORD read = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
    pending.append(buffer, read);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
         pending.erase(0, end + 1))
      ::PostMessageW(static_cast<HWND>(window), kCommand, 0,
                     reinterpret_cast<LPARAM>(new std::string(pending.substr(0, end))));
  }
  ::PostMessageW(static_cast<HWND>(window), kCommand, 0, reinterpret_cast<LPARAM>(new std::string));
  return 0;
}

HWND MakeWindow(WNDPROC proc) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Tarnwick.Peer";
  ::RegisterClassW(&wc);
  return ::CreateWindowW(wc.lpszClassName, L"peer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

int RunUntilInputEnds(HWND window) {
  ::CloseHandle(::CreateThread(nullptr, 0, &ReadCommands, window, 0, nullptr));
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  return 0;
}

int Viewer(const wchar_t* mode) {
  viewer.mode = mode ? mode : L"";
  viewer.self = MakeWindow(&ViewerProc);
  viewer.next = ::SetClipboardViewer(viewer.self);
  viewer.joined = true;
  viewer.notifications = 0;  // the one that joining delivers does not count
  Say("joined");
  return RunUntilInputEnds(viewer.self);
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCommand) {
    const bool end = reinterpret_cast<std::string*>(lParam)->empty();
    delete reinterpret_cast<std::string*>(lParam);
    if (end) ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);  // renders nothing
}

int Owner(int argc, wchar_t** argv) {
  const std::wstring how = argc > 2 ? argv[2] : L"";
  std::string bytes;
  for (std::size_t i = 0; argc > 4 && i + 1 < wcslen(argv[4]); i += 2)
    bytes.push_back(
        static_cast<char>(std::wcstoul(std::wstring(argv[4] + i, 2).c_str(), nullptr, 16)));
  HWND owner = MakeWindow(&OwnerProc);
  const bool raw = how == L"raw" && argc > 4;
  if (!OpenRetrying(owner)) return 1;
  const std::wstring text = how == L"formats" && argc > 3 ? argv[3] : L"";
  const bool put = text.empty() ? Put(raw ? _wtoi(argv[3]) : CF_UNICODETEXT,
                                      raw ? bytes.data() : nullptr, bytes.size())
                                : Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
  for (const wchar_t* name : {L"HTML Format", L"Rich Text Format"})
    if (!text.empty()) ::SetClipboardData(::RegisterClipboardFormatW(name), nullptr);
  ::CloseClipboard();
  if (!put) return 1;
  Say("owned");
  if (how != L"hang") return RunUntilInputEnds(owner);
  char buffer[64];  // no message loop: every request to render waits
  DWORD read = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
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
      if (!OpenRetrying(nullptr, &busy)) continue;
      put = Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * 2);
      ::CloseClipboard();
      busy += put ? 0 : 1;
    }
    failures += put ? 0 : 1;
  }
  Say(std::to_string(::GetTickCount() - start) + " " + std::to_string(busy));
  return failures == 0 ? 0 : 1;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"viewer") return Viewer(argc > 2 ? argv[2] : nullptr);
  if (command == L"owner") return Owner(argc, argv);
  if (command == L"flood" && argc > 4) return Flood(_wtol(argv[2]), argv[3], _wtol(argv[4]));
  Say("usage: tarnwick-peer viewer [mute|late|lower] | owner promise|hang|raw FORMAT HEX|formats TEXT"
      " | flood N PREFIX PAUSE_MS");
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  const int status = argv ? Run(argc, argv) : 2;
  ::LocalFree(argv);
  return status;
}
