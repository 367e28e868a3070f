// bench-minimal-viewer: the least a Win32 clipboard viewer under Wine can
// do for a copy made by another program - join the viewer chain, read the
// text on each notification, upper-case its ASCII letters and write it
// back. The time an X11 copy takes to come back converted through this
// program is the floor that Wine's X11 bridge sets for Tarnwick's Auto mode.
//
//   bench-minimal-viewer          run until closed
//   bench-minimal-viewer --close  close the running viewer
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"Tarnwick.BenchMinimalViewer";

class ClipboardOpen {
 public:
  explicit ClipboardOpen(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  ~ClipboardOpen() {
    if (open_) ::CloseClipboard();
  }
  ClipboardOpen(const ClipboardOpen&) = delete;
  ClipboardOpen& operator=(const ClipboardOpen&) = delete;
  bool ok() const { return open_; }

 private:
  bool open_;
};

class GlobalMemory {
 public:
  explicit GlobalMemory(std::size_t bytes) : handle_(::GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
  ~GlobalMemory() {
    if (handle_ != nullptr) ::GlobalFree(handle_);
  }
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  HGLOBAL get() const { return handle_; }
  HGLOBAL release() {
    HGLOBAL handed = handle_;
    handle_ = nullptr;
    return handed;
  }

 private:
  HGLOBAL handle_;
};

class LockedMemory {
 public:
  explicit LockedMemory(HGLOBAL memory) : memory_(memory), data_(::GlobalLock(memory)) {}
  ~LockedMemory() {
    if (data_ != nullptr) ::GlobalUnlock(memory_);
  }
  LockedMemory(const LockedMemory&) = delete;
  LockedMemory& operator=(const LockedMemory&) = delete;
  void* data() const { return data_; }

 private:
  HGLOBAL memory_;
  void* data_;
};

struct ViewerState {
  HWND next = nullptr;
  bool busy = false;        // inside our own read or write: nested notices are ours
  DWORD writtenSeq = 0;     // sequence number right after our last write
};

ViewerState g_state;

// The clipboard text, bounded by the memory block's size; false when the
// clipboard holds no text or cannot be read.
bool ReadText(HWND hwnd, std::wstring& text) {
  ClipboardOpen clipboard(hwnd);
  if (!clipboard.ok()) return false;
  HGLOBAL memory = ::GetClipboardData(CF_UNICODETEXT);
  if (memory == nullptr) return false;
  LockedMemory lock(memory);
  if (lock.data() == nullptr) return false;
  const auto* units = static_cast<const wchar_t*>(lock.data());
  const std::size_t capacity = ::GlobalSize(memory) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < capacity && units[length] != L'\0') ++length;
  text.assign(units, length);
  return true;
}

bool WriteText(HWND hwnd, const std::wstring& text) {
  GlobalMemory memory((text.size() + 1) * sizeof(wchar_t));
  if (memory.get() == nullptr) return false;
  {
    LockedMemory lock(memory.get());
    if (lock.data() == nullptr) return false;
    std::memcpy(lock.data(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  }
  ClipboardOpen clipboard(hwnd);
  if (!clipboard.ok() || !::EmptyClipboard()) return false;
  if (::SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) return false;
  memory.release();  // the clipboard owns it now
  return true;
}

// True when some letter changed.
bool UpperCaseAscii(std::wstring& text) {
  bool changed = false;
  for (wchar_t& unit : text) {
    if (unit >= L'a' && unit <= L'z') {
      unit = static_cast<wchar_t>(unit - (L'a' - L'A'));
      changed = true;
    }
  }
  return changed;
}

bool IsOwnContent(HWND hwnd) {
  return g_state.busy || ::GetClipboardOwner() == hwnd ||
         (g_state.writtenSeq != 0 && ::GetClipboardSequenceNumber() == g_state.writtenSeq);
}

void ConvertClipboard(HWND hwnd) {
  g_state.busy = true;
  std::wstring text;
  if (ReadText(hwnd, text) && UpperCaseAscii(text) && WriteText(hwnd, text))
    g_state.writtenSeq = ::GetClipboardSequenceNumber();
  g_state.busy = false;
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      if (!IsOwnContent(hwnd)) ConvertClipboard(hwnd);
      if (g_state.next != nullptr) ::SendMessageW(g_state.next, message, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == g_state.next)
        g_state.next = reinterpret_cast<HWND>(lParam);
      else if (g_state.next != nullptr)
        ::SendMessageW(g_state.next, message, wParam, lParam);
      return 0;
    case WM_DESTROY:
      ::ChangeClipboardChain(hwnd, g_state.next);
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

int CloseRunningViewer() {
  HWND viewer = ::FindWindowW(kClassName, nullptr);
  if (viewer == nullptr) return 1;
  ::PostMessageW(viewer, WM_CLOSE, 0, 0);
  return 0;
}

int RunViewer() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &ViewerProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  if (::RegisterClassW(&wc) == 0) return 1;
  HWND hwnd = ::CreateWindowW(kClassName, L"bench viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, nullptr);
  if (hwnd == nullptr) return 1;
  // The first notice arrives inside this call, before `next` is known; it
  // converts what is already there, which is what a new viewer should do.
  g_state.next = ::SetClipboardViewer(hwnd);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--close") == 0) return CloseRunningViewer();
  return RunViewer();
}
