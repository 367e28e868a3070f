#include "clipboard/win32/ViewerChain.h"

#include <memory>
#include <utility>

#include "common/win32/Handles.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

namespace {

constexpr UINT kFirstViewerAnswerMs = 250;

// One leave on a thread of its own; the thread holds it too, so that a
// leave it never finishes frees nothing under it.
struct LeaveOnThread {
  HWND window, next;
  win32::KernelHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};

  static DWORD WINAPI Run(void* shared) {
    const std::shared_ptr<LeaveOnThread> leave =
        std::move(*static_cast<std::shared_ptr<LeaveOnThread>*>(shared));
    delete static_cast<std::shared_ptr<LeaveOnThread>*>(shared);
    ::ChangeClipboardChain(leave->window, leave->next);
    ::SetEvent(leave->done.get());
    return 0;
  }
};

// Waits up to `ms` for `event`, handling the messages sent to this thread
// meanwhile (a viewer that passes WM_CHANGECBCHAIN on to us).
bool WaitHandlingSentMessages(HANDLE event, DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= ms) return false;
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &event, FALSE, ms - elapsed, QS_SENDMESSAGE);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void LeaveHere(HWND window, HWND next) {
  win32::ApiCall([&] { return ::ChangeClipboardChain(window, next); });
}

// Leaves from a thread of its own (here when the system gives none); true
// once the leave is done.
bool LeaveWithoutHanging(HWND window, HWND next) {
  auto leave = std::make_shared<LeaveOnThread>();
  leave->window = window;
  leave->next = next;
  auto* shared = leave->done ? new std::shared_ptr<LeaveOnThread>(leave) : nullptr;
  const win32::KernelHandle thread(
      shared ? ::CreateThread(nullptr, 0, &LeaveOnThread::Run, shared, 0, nullptr) : nullptr);
  if (!thread) {
    delete shared;
    LeaveHere(window, next);
    return true;
  }
  return WaitHandlingSentMessages(leave->done.get(), kLeaveWaitMs);
}

}  // namespace

void ViewerChain::Join(HWND window) {
  hNextViewer = win32::ApiCall([&] { return ::SetClipboardViewer(window); });
}

bool ViewerChain::Leave(HWND window) {
  const HWND next = std::exchange(hNextViewer, nullptr);
  // The first viewer leaves without a message: nothing to wait for.
  if (::GetClipboardViewer() == window) {
    LeaveHere(window, next);
    return true;
  }
  return LeaveWithoutHanging(window, next);
}

bool ViewerChain::Rejoin(HWND window) {
  if (!FirstViewerAnswers(window)) return false;
  const HWND next = hNextViewer;
  const bool left = Leave(window);
  hNextViewer = next;
  if (!left) return false;
  // The notification that joining delivers passes on to the next viewer we
  // knew, which has missed the same changes, and refreshes only when the
  // content is one the field does not show yet. The platform returns the
  // viewer that was first until now; when that is none, a dead window or
  // ourselves, the next viewer we knew stays next.
  const HWND first = ::SetClipboardViewer(window);
  if (first != nullptr && first != window && ::IsWindow(first)) hNextViewer = first;
  DropDeadNextViewer();
  return true;
}

void ViewerChain::PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
  DropDeadNextViewer();
  DWORD_PTR ignored = 0;
  if (hNextViewer != nullptr)
    ::SendMessageTimeoutW(hNextViewer, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kPassOnMs, &ignored);
}

void ViewerChain::OnChainChanged(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) == hNextViewer) {
    hNextViewer = reinterpret_cast<HWND>(lParam);
  } else {
    PassOn(WM_CHANGECBCHAIN, wParam, lParam);
  }
}

void ViewerChain::DropDeadNextViewer() {
  if (hNextViewer != nullptr && !::IsWindow(hNextViewer)) hNextViewer = nullptr;
}

// Leaving and joining message the chain's first viewer and wait for it; a
// first viewer that does not answer (hung, not ended) would hang us too.
bool ViewerChain::FirstViewerAnswers(HWND window) const {
  const HWND first = ::GetClipboardViewer();
  if (first == nullptr || first == window || !::IsWindow(first)) return true;
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(first, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               kFirstViewerAnswerMs, &ignored) != 0;
}

}  // namespace tarnwick::clipboard
