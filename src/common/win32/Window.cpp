#include "common/win32/Window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/win32/Handles.h"
#include "common/win32/WindowClass.h"

namespace tarnwick::win32 {
namespace {

// The loaded windows, in the order they were created.
std::vector<Window*>& LoadedWindows() {
  static std::vector<Window*> windows;
  return windows;
}

// Modeless windows that own themselves until they are destroyed.
std::vector<std::unique_ptr<Window>>& SelfOwnedWindows() {
  static std::vector<std::unique_ptr<Window>> windows;
  return windows;
}

int g_modalDepth = 0;

bool IsProgramWindow(HWND hwnd) {
  const auto& windows = LoadedWindows();
  return std::any_of(windows.begin(), windows.end(),
                     [hwnd](const Window* w) { return w->hwnd() == hwnd; });
}

// True while the system's own move/size loop or menu loop runs on this
// thread (Alt+Space, the system menu, the keyboard move): the keys are
// that loop's, and the arrows, Enter and Esc must reach it untouched.
bool InSystemLoop() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(::GetCurrentThreadId(), &info) &&
         (info.flags & (GUI_INMOVESIZE | GUI_INMENUMODE)) != 0;
}

// Tab, Enter and Esc for every window of the program, under whatever loop
// takes the message from the queue (ours, a message box's): a key for a
// control of one of our windows goes to the dialog manager of that window
// first, except while a system loop of its own takes the keys.
LRESULT CALLBACK DialogKeysHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && msg->hwnd != nullptr &&
        !InSystemLoop()) {
      HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
      if (root != nullptr && IsProgramWindow(root) && ::IsDialogMessageW(root, msg)) {
        msg->message = WM_NULL;
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void InstallDialogKeys() {
  static const HookHandle hook(
      ::SetWindowsHookExW(WH_GETMESSAGE, &DialogKeysHook, nullptr, ::GetCurrentThreadId()));
}

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM list) {
  if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
  }
  return TRUE;
}

// Disables every visible, enabled top-level window of this thread but
// `keep`; the list of those it disabled.
std::vector<HWND> DisableOthers(HWND keep) {
  std::vector<HWND> windows;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&windows));
  windows.erase(std::remove(windows.begin(), windows.end(), keep), windows.end());
  for (HWND hwnd : windows) ::EnableWindow(hwnd, FALSE);
  return windows;
}

void EnableAgain(const std::vector<HWND>& windows) {
  for (HWND hwnd : windows) {
    if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
  }
}

// Dispatches one message; false once the loop must end (WM_QUIT, which
// is posted again for the loop around this one).
bool PumpOne() {
  MSG msg;
  const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0) {
    ::PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  if (got < 0) return false;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
  return true;
}

}  // namespace

Window::~Window() {
  if (hwnd_ != nullptr) {
    HWND hwnd = hwnd_;
    Detach();
    ::DestroyWindow(hwnd);
  }
}

bool Window::Create(const CreateParams& params) {
  InstallDialogKeys();
  if (!RegisterWindowClass(params.className, &Procedure, params.background)) return false;
  const HWND created = ::CreateWindowExW(
      params.exStyle, params.className, params.caption, params.style, params.frame.left, params.frame.top,
      params.frame.right - params.frame.left, params.frame.bottom - params.frame.top, params.owner, nullptr,
      ::GetModuleHandleW(nullptr), this);
  return created != nullptr;
}

void Window::ShowModal() {
  if (hwnd_ == nullptr) return;
  const HWND self = hwnd_;
  const std::vector<HWND> disabled = DisableOthers(self);
  ++g_modalDepth;
  inModalLoop_ = true;
  modalEnded_ = false;
  ::ShowWindow(self, SW_SHOWNORMAL);
  while (!modalEnded_ && hwnd_ == self && PumpOne()) {
  }
  inModalLoop_ = false;
  --g_modalDepth;
  EnableAgain(disabled);
  if (hwnd_ == self) ::DestroyWindow(self);
}

void Window::ShowModeless(std::unique_ptr<Window> window) {
  if (!window || window->hwnd_ == nullptr) return;
  Window* shown = window.get();
  SelfOwnedWindows().push_back(std::move(window));
  ::ShowWindow(shown->hwnd_, SW_SHOWNORMAL);
}

void Window::Close() {
  if (hwnd_ == nullptr) return;
  if (inModalLoop_) {
    modalEnded_ = true;
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the loop if it waits
    return;
  }
  ::DestroyWindow(hwnd_);
}

int Window::ModalDepth() { return g_modalDepth; }

Window* Window::FindLoaded(TextView name) {
  for (Window* window : LoadedWindows()) {
    if (TextView(window->name_) == name) return window;
  }
  return nullptr;
}

bool Window::AnyLoaded() { return !LoadedWindows().empty(); }

void Window::FocusFirstControl() {
  if (HWND first = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE)) ::SetFocus(first);
}

void Window::Attach(HWND hwnd) {
  LoadedWindows().push_back(this);  // may throw: the creation then fails
  hwnd_ = hwnd;
  ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Window::Detach() {
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  auto& windows = LoadedWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
  hwnd_ = nullptr;
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      static_cast<Window*>(create->lpCreateParams)->Attach(hwnd);
    }
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) return self->Destroyed(wParam, lParam);
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    // The windows' event handlers trap and report their own failures;
    // nothing else may leave a window procedure. A window whose creation
    // could not be recorded is refused.
    return message == WM_NCCREATE ? FALSE : 0;
  }
}

LRESULT Window::Destroyed(WPARAM wParam, LPARAM lParam) noexcept {
  const HWND hwnd = hwnd_;
  try {
    OnMessage(WM_NCDESTROY, wParam, lParam);
  } catch (...) {
  }
  Detach();
  // A self-owned window goes with its window; nothing may touch it after.
  auto& owned = SelfOwnedWindows();
  const auto it =
      std::find_if(owned.begin(), owned.end(), [this](const auto& w) { return w.get() == this; });
  if (it != owned.end()) owned.erase(it);
  return ::DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

LRESULT Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (const std::optional<LRESULT> handled = OnMessage(message, wParam, lParam)) return *handled;
  switch (message) {
    case WM_ACTIVATE:
      // The focus goes back to the control that had it, as in a dialog.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && ::IsWindow(lastFocus_) && ::IsChild(hwnd_, lastFocus_)) {
        ::SetFocus(lastFocus_);
      } else {
        FocusFirstControl();
      }
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      return ::DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

int RunMessageLoop() {
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void RunWhileAnyWindowIsLoaded() {
  while (Window::AnyLoaded() && PumpOne()) {
  }
}

}  // namespace tarnwick::win32
