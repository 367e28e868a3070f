#include "clipboard/win32/mHookClipboard.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "errors/win32/ApiCall.h"

namespace tarnwick::mHookClipboard {

namespace {

// The hooked windows and their hooks, for ClipboardWndProc, which every
// message of such a window passes: looking the hook up here costs nothing,
// where a window property would cost Wine a server call per message.
std::vector<std::pair<HWND, const ClipboardHook*>>& HookedWindows() {
  static std::vector<std::pair<HWND, const ClipboardHook*>> hooked;
  return hooked;
}

const ClipboardHook* HookOf(HWND hWnd) {
  for (const auto& [window, hook] : HookedWindows()) {
    if (window == hWnd) return hook;
  }
  return nullptr;
}

void Forget(HWND hWnd) {
  auto& hooked = HookedWindows();
  hooked.erase(std::remove_if(hooked.begin(), hooked.end(),
                              [hWnd](const auto& entry) { return entry.first == hWnd; }),
               hooked.end());
}

}  // namespace

void HookForm(ClipboardHook& hook, const win32::FormRef& frm) {
  Forget(frm.hwnd);
  HookedWindows().emplace_back(frm.hwnd, &hook);
  hook.lpPrevWndProc = reinterpret_cast<WNDPROC>(win32::ApiCall([&] {
    return ::SetWindowLongPtrW(frm.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClipboardWndProc));
  }));
}

void UnhookForm(ClipboardHook& hook, const win32::FormRef& frm) {
  win32::ApiCall([&] {
    return ::SetWindowLongPtrW(frm.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hook.lpPrevWndProc));
  });
  Forget(frm.hwnd);
}

// 1. Every message goes to the window's own procedure, the clipboard
// messages included. 2, 3. That procedure hands the clipboard's messages to
// the window's ClipboardHook (ClipboardHook::OnMessage): a change is passed
// on along the chain and refreshes the field, a change of the chain is
// followed. 4. The own procedure's result is the answer.
LRESULT CALLBACK ClipboardWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const ClipboardHook* hook = HookOf(hWnd);
  if (hook == nullptr || hook->lpPrevWndProc == nullptr) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  return ::CallWindowProcW(hook->lpPrevWndProc, hWnd, uMsg, wParam, lParam);
}

}  // namespace tarnwick::mHookClipboard
