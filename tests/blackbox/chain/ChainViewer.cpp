// tarnwick-chain: the other clipboard programs of the viewer-chain tests.
//
//   viewer [--late|--mute] [--lower]   joins the clipboard-viewer chain and obeys
//       one command a line on stdin: "count" prints the notifications seen
//       since joining, "writes" the texts it wrote, "next" the next viewer
//       (its handle, "alive" or "gone"), "leave" leaves the chain
//       (prints "left"), "rejoin" leaves and joins again at the head
//       (prints "joined"), "quit" leaves and ends. --late passes each
//       notification on through a posted message, after its own handler has
//       returned; --mute passes none on, starving every viewer after it;
//       --lower writes the lower-case form of every text that is not all
//       lower case, as a competing auto-converter would.
//       Killing the process is the test's way to leave without a word.
//   flood N PREFIX PAUSE_MS     puts "PREFIX i" on the clipboard N times
//       and prints the milliseconds taken and the opens that had to wait.
//   resources                   GDI objects, USER objects, handles (as
//       GetProcessHandleCount and the system's process list count them) and
//       memory of the process that owns Tarnwick's main window, "key=value".
#include <windows.h>

#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "../driver/DriverText.h"

namespace {

using namespace tarnwick::driver;

constexpr UINT kStdinLine = WM_APP + 1;   // lParam: the heap copy of one line
constexpr UINT kLatePass = WM_APP + 2;    // a notification to pass on now
constexpr UINT kLowerCheck = WM_APP + 3;  // look at the clipboard once the notice is done

struct ViewerState {
  HWND self = nullptr;
  HWND next = nullptr;
  bool late = false;
  bool mute = false;
  bool lower = false;
  bool inChain = false;
  long notifications = 0;
  long writes = 0;
} viewer;

bool OpenClipboardRetrying(HWND owner, int tries, long* waits = nullptr) {
  for (int i = 0; i < tries; ++i) {
    if (::OpenClipboard(owner)) return true;
    if (waits != nullptr) ++*waits;
    ::Sleep(2);
  }
  return false;
}

bool PutText(const std::wstring& text) {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (block == nullptr) return false;
  std::memcpy(::GlobalLock(block), text.c_str(), bytes);
  ::GlobalUnlock(block);
  ::EmptyClipboard();
  if (::SetClipboardData(CF_UNICODETEXT, block) != nullptr) return true;
  ::GlobalFree(block);
  return false;
}

std::wstring OpenClipboardText() {
  HANDLE block = ::GetClipboardData(CF_UNICODETEXT);
  if (block == nullptr) return {};
  const auto* data = static_cast<const wchar_t*>(::GlobalLock(block));
  if (data == nullptr) return {};
  std::wstring text(data, wcsnlen(data, ::GlobalSize(block) / sizeof(wchar_t)));
  ::GlobalUnlock(block);
  return text;
}

// The competing converter: every text that is not all lower case is put
// back in lower case.
void LowerTheClipboard() {
  if (!OpenClipboardRetrying(viewer.self, 200)) return;
  std::wstring text = OpenClipboardText();
  std::wstring lowered = text;
  if (!lowered.empty()) ::CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
  if (!text.empty() && lowered != text && PutText(lowered)) ++viewer.writes;
  ::CloseClipboard();
}

void PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
  if (viewer.next != nullptr) ::SendMessageW(viewer.next, message, wParam, lParam);
}

void JoinChain() {
  viewer.next = ::SetClipboardViewer(viewer.self);
  viewer.inChain = true;
}

void LeaveChain() {
  if (!viewer.inChain) return;
  ::ChangeClipboardChain(viewer.self, viewer.next);
  viewer.inChain = false;
}

void OnCommand(const std::string& line) {
  if (line == "count") {
    WriteLine(std::to_string(viewer.notifications));
  } else if (line == "writes") {
    WriteLine(std::to_string(viewer.writes));
  } else if (line == "next") {
    WriteLine(std::to_string(reinterpret_cast<std::uintptr_t>(viewer.next)) +
              (::IsWindow(viewer.next) ? " alive" : " gone"));
  } else if (line == "rejoin") {
    LeaveChain();
    JoinChain();
    WriteLine("joined");
  } else if (line == "leave") {
    LeaveChain();
    WriteLine("left");
  } else if (line == "quit") {
    LeaveChain();
    ::PostQuitMessage(0);
  } else {
    WriteLine("?");
  }
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      ++viewer.notifications;
      if (viewer.late) {
        ::PostMessageW(hwnd, kLatePass, wParam, lParam);
      } else if (!viewer.mute) {
        PassOn(message, wParam, lParam);
      }
      if (viewer.lower) ::PostMessageW(hwnd, kLowerCheck, 0, 0);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == viewer.next) {
        viewer.next = reinterpret_cast<HWND>(lParam);
      } else {
        PassOn(message, wParam, lParam);
      }
      return 0;
    case kLatePass:
      PassOn(WM_DRAWCLIPBOARD, wParam, lParam);
      return 0;
    case kLowerCheck:
      LowerTheClipboard();
      return 0;
    case kStdinLine: {
      auto* line = reinterpret_cast<std::string*>(lParam);
      OnCommand(*line);
      delete line;
      return 0;
    }
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// Reads stdin on its own thread and hands each line to the window; the end
// of input ends the viewer as "quit" does.
DWORD WINAPI ReadCommands(void* window) {
  HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buffer[256];
  DWORD read = 0;
  while (::ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    pending.append(buffer, read);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      ::PostMessageW(static_cast<HWND>(window), kStdinLine, 0,
                     reinterpret_cast<LPARAM>(new std::string(line)));
    }
  }
  ::PostMessageW(static_cast<HWND>(window), kStdinLine, 0,
                 reinterpret_cast<LPARAM>(new std::string("quit")));
  return 0;
}

int RunViewer(int argc, wchar_t** argv) {
  for (int i = 2; i < argc; ++i) {
    if (std::wstring(argv[i]) == L"--late") viewer.late = true;
    if (std::wstring(argv[i]) == L"--mute") viewer.mute = true;
    if (std::wstring(argv[i]) == L"--lower") viewer.lower = true;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = &ViewerProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TarnwickChainViewer";
  ::RegisterClassW(&wc);
  viewer.self = ::CreateWindowW(wc.lpszClassName, L"chain viewer", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, wc.hInstance, nullptr);
  JoinChain();
  viewer.notifications = 0;  // the one that joining delivers does not count
  WriteLine("joined " + std::to_string(reinterpret_cast<std::uintptr_t>(viewer.self)));
  HANDLE reader = ::CreateThread(nullptr, 0, &ReadCommands, viewer.self, 0, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  WriteLine(std::to_string(viewer.notifications));
  ::DestroyWindow(viewer.self);
  if (reader != nullptr) ::CloseHandle(reader);
  return 0;
}

// One copy as a program makes it; the clipboard may be held by the program
// that converts it, so opening and putting are tried again.
bool PutTextRetrying(const std::wstring& text, long& waits) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (!OpenClipboardRetrying(nullptr, 500, &waits)) continue;
    const bool put = PutText(text);
    ::CloseClipboard();
    if (put) return true;
    ++waits;
  }
  return false;
}

int RunFlood(int argc, wchar_t** argv) {
  if (argc < 5) return 2;
  const long count = _wtol(argv[2]);
  const std::wstring prefix = argv[3];
  const DWORD pause = static_cast<DWORD>(_wtol(argv[4]));
  long waits = 0, failures = 0;
  const DWORD start = ::GetTickCount();
  for (long i = 0; i < count; ++i) {
    if (!PutTextRetrying(prefix + L" " + std::to_wstring(i), waits)) ++failures;
    if (pause != 0) ::Sleep(pause);
  }
  WriteLine(std::to_string(::GetTickCount() - start) + " " + std::to_string(waits) + " " +
            std::to_string(failures));
  return failures == 0 ? 0 : 1;
}

// The process's entry in the system's process list: the handle count and
// memory figures that the system keeps for every process.
struct ProcessFigures {
  unsigned long handles = 0;
  unsigned long long privateBytes = 0;
  unsigned long long workingSet = 0;
  bool found = false;
};

ProcessFigures FiguresFromProcessList(DWORD pid) {
  using Query = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"),
                                               "NtQuerySystemInformation")));
  ProcessFigures figures;
  if (query == nullptr) return figures;
  std::string buffer(1 << 20, '\0');
  ULONG needed = 0;
  if (query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
            &needed) < 0)
    return figures;
  for (std::size_t offset = 0;;) {
    const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
    if (reinterpret_cast<std::uintptr_t>(entry->UniqueProcessId) == pid) {
      figures = {entry->HandleCount, entry->PrivatePageCount, entry->VirtualMemoryCounters.WorkingSetSize, true};
      return figures;
    }
    if (entry->NextEntryOffset == 0) return figures;
    offset += entry->NextEntryOffset;
  }
}

int RunResources() {
  HWND main = ::FindWindowW(L"Tarnwick.Form1", L"Tarnwick");
  if (main == nullptr) return 1;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(main, &pid);
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) return 1;
  DWORD handles = 0;
  const bool counted = ::GetProcessHandleCount(process, &handles) != FALSE;
  const ProcessFigures listed = FiguresFromProcessList(pid);
  char line[256];
  std::snprintf(line, sizeof line,
                "gdi=%lu user=%lu handles=%ld listed_handles=%ld private=%llu working_set=%llu",
                ::GetGuiResources(process, GR_GDIOBJECTS),
                ::GetGuiResources(process, GR_USEROBJECTS), counted ? long(handles) : -1L,
                listed.found ? long(listed.handles) : -1L, listed.privateBytes, listed.workingSet);
  ::CloseHandle(process);
  WriteLine(line);
  return 0;
}

int Run(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"viewer") return RunViewer(argc, argv);
  if (command == L"flood") return RunFlood(argc, argv);
  if (command == L"resources") return RunResources();
  WriteLine("usage: tarnwick-chain viewer [--late|--mute] [--lower] | flood N PREFIX PAUSE_MS | resources");
  return 2;
}

}  // namespace

int main() { return tarnwick::driver::RunWithWideArguments(Run); }
