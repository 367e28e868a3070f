// What the driver and the peer share: opening the clipboard against other
// programs that hold it, putting a block on it, and serving this thread's
// messages until the test closes standard input.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

namespace helper {

// 500 tries, `pause` ms apart; `busy` counts the refusals.
inline bool OpenClipboardRetrying(HWND owner, DWORD pause, long* busy = nullptr) {
  for (int i = 0; i < 500; ++i, ::Sleep(pause)) {
    if (::OpenClipboard(owner)) return true;
    if (busy != nullptr) ++*busy;
  }
  return false;
}

// Puts a copy of the bytes as a block of `format` on the clipboard that this
// program has open; no data (null) puts a promise to render it when asked.
inline bool PutBlock(UINT format, const void* data, std::size_t bytes) {
  if (data == nullptr) {
    ::SetClipboardData(format, nullptr);
    return true;
  }
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (block == nullptr) return false;
  std::memcpy(::GlobalLock(block), data, bytes);
  ::GlobalUnlock(block);
  if (::SetClipboardData(format, block) != nullptr) return true;
  ::GlobalFree(block);
  return false;
}

// A line of standard input for the serving thread (lParam: a new
// std::string, null at the end of the input).
constexpr UINT kInputLine = WM_APP + 100;

// Calls `onLine` with each line of standard input, on the calling thread,
// until the input ends.
template <class OnLine>
void ForEachInputLine(OnLine onLine) {
  std::string pending;
  static char buffer[1 << 16];
  DWORD read = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
    const std::size_t searched = pending.size();  // a long line is searched once
    pending.append(buffer, read);
    for (std::size_t end, from = searched; (end = pending.find('\n', from)) != std::string::npos;
         pending.erase(0, end + 1), from = 0)
      onLine(pending.substr(0, end));
  }
}

inline DWORD WINAPI ReadInputLines(void* serving) {
  const auto thread = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(serving));
  ForEachInputLine([thread](std::string line) {
    ::PostThreadMessageW(thread, kInputLine, 0, reinterpret_cast<LPARAM>(new std::string(std::move(line))));
  });
  ::PostThreadMessageW(thread, kInputLine, 0, 0);
  return 0;
}

// Dispatches this thread's messages, and hands it each line of standard
// input, until the input ends. The windows of this thread answer meanwhile,
// and hooks that cannot run inside another program are called here.
template <class OnLine>
void ServeUntilInputEnds(OnLine onLine) {
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before a line comes
  const auto self = static_cast<std::uintptr_t>(::GetCurrentThreadId());
  ::CloseHandle(::CreateThread(nullptr, 0, &ReadInputLines, reinterpret_cast<void*>(self), 0,
                               nullptr));
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd != nullptr || msg.message != kInputLine) {
      ::DispatchMessageW(&msg);
      continue;
    }
    if (msg.lParam == 0) return;
    const std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(msg.lParam));
    onLine(*line);
  }
}

inline std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  out.resize(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                   out.data(), static_cast<int>(out.size())));
  return out;
}

inline std::string FromHex(const std::wstring& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  return bytes;
}

// One line on standard output, at once: the test waits for it.
inline void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// This program's window class `className`, served by `proc`; registering
// it again changes nothing.
inline void RegisterWindowClass(WNDPROC proc, const wchar_t* className) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  ::RegisterClassW(&wc);
}

// A hidden window of this program's own class, which `proc` serves.
inline HWND MakeWindow(WNDPROC proc, const wchar_t* className) {
  RegisterWindowClass(proc, className);
  return ::CreateWindowW(className, className, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                         ::GetModuleHandleW(nullptr), nullptr);
}

// The program's status from `run` with its arguments as the system splits
// them; 2 when they cannot be read.
template <class Run>
int RunWithArguments(Run run) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  const int status = argv != nullptr ? run(argc, argv) : 2;
  ::LocalFree(argv);
  return status;
}

}  // namespace helper
