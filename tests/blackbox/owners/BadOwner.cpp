// tarnwick-bad-owner: a clipboard owner that misbehaves, for the black-box
// tests. One subcommand per run; it prints one line once the clipboard is in
// the promised state, then keeps it for the given time.
//   hang MS             promises text (delayed rendering) and hangs: its
//                       thread sleeps, no message is ever answered
//   no-render MS        promises text and answers each render request with
//                       nothing
//   raw FORMAT HEX MS   puts exactly the bytes HEX ("-" for none) as a block
//                       of FORMAT (1 CF_TEXT, 13 CF_UNICODETEXT)
//   clear               times one clear: "<ms to open>\t<ms to empty>"
//   read                times one read of the text as another program does:
//                       "<ms>\t<bytes or -1>\t<hex of the block>"
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../driver/DriverText.h"

namespace {

void WriteLine(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

DWORD Ms(const wchar_t* text) { return static_cast<DWORD>(_wtoi(text)); }

std::string Hex(const unsigned char* data, std::size_t bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < bytes; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
  return out;
}

std::string Bytes(const std::wstring& hex) {
  std::string out;
  if (hex == L"-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  return out;
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // WM_RENDERFORMAT and WM_RENDERALLFORMATS fall through to the default
  // procedure, which renders nothing.
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND OwnerWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &OwnerProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Tarnwick.BadOwner";
  ::RegisterClassW(&wc);
  return ::CreateWindowW(wc.lpszClassName, L"bad owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         wc.hInstance, nullptr);
}

bool OpenRetrying(HWND owner) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (::OpenClipboard(owner)) return true;
    ::Sleep(20);
  }
  return false;
}

// Puts data (a block of exactly its bytes), or a promise when data is null.
bool Own(HWND owner, UINT format, const std::string* data) {
  if (!OpenRetrying(owner)) return false;
  ::EmptyClipboard();
  HANDLE block = nullptr;
  if (data != nullptr) {
    block = ::GlobalAlloc(GMEM_MOVEABLE, data->size());
    if (block != nullptr && !data->empty()) {
      void* p = ::GlobalLock(block);
      std::memcpy(p, data->data(), data->size());
      ::GlobalUnlock(block);
    }
  }
  const bool placed = ::SetClipboardData(format, block) != nullptr || data == nullptr;
  ::CloseClipboard();
  return placed;
}

void PumpFor(DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= ms) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

int TimedRead() {
  const DWORD start = ::GetTickCount();
  if (!OpenRetrying(nullptr)) return 1;
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  std::string line = std::to_string(::GetTickCount() - start) + "\t";
  if (data == nullptr) {
    line += "-1\t";
  } else {
    const SIZE_T bytes = ::GlobalSize(data);
    const auto* p = static_cast<const unsigned char*>(::GlobalLock(data));
    line += std::to_string(bytes) + "\t" + (p ? Hex(p, bytes) : "");
    if (p) ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  WriteLine(line);
  return 0;
}

// Times one clear of the clipboard: "<ms to open>\t<ms to empty>".
int TimedClear() {
  const DWORD start = ::GetTickCount();
  if (!OpenRetrying(nullptr)) return 1;
  const DWORD opened = ::GetTickCount();
  ::EmptyClipboard();
  const DWORD emptied = ::GetTickCount();
  ::CloseClipboard();
  WriteLine(std::to_string(opened - start) + "\t" + std::to_string(emptied - opened));
  return 0;
}

int Run(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  if (command == L"read") return TimedRead();
  if (command == L"clear") return TimedClear();
  HWND owner = OwnerWindow();
  if (command == L"hang" && argc > 2) {
    if (!Own(owner, CF_UNICODETEXT, nullptr)) return 1;
    WriteLine("owned");
    ::Sleep(Ms(argv[2]));  // no message loop: every request to render waits
    return 0;
  }
  if (command == L"no-render" && argc > 2) {
    if (!Own(owner, CF_UNICODETEXT, nullptr)) return 1;
    WriteLine("owned");
    PumpFor(Ms(argv[2]));
    return 0;
  }
  if (command == L"raw" && argc > 4) {
    const std::string bytes = Bytes(argv[3]);
    if (!Own(owner, Ms(argv[2]), &bytes)) return 1;
    WriteLine("owned");
    PumpFor(Ms(argv[4]));
    return 0;
  }
  return 2;
}

}  // namespace

int main() { return tarnwick::driver::RunWithWideArguments(Run); }
