#include "clipboard/win32/ViewerChain.h"

#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

namespace {

constexpr UINT kFirstViewerAnswerMs = 250;

}  // namespace

void ViewerChain::Join(HWND window) {
  hNextViewer = win32::ApiCall([&] { return ::SetClipboardViewer(window); });
}

void ViewerChain::Leave(HWND window) {
  win32::ApiCall([&] { return ::ChangeClipboardChain(window, hNextViewer); });
  hNextViewer = nullptr;
}

bool ViewerChain::Rejoin(HWND window) {
  if (!FirstViewerAnswers(window)) return false;
  ::ChangeClipboardChain(window, hNextViewer);
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
  if (hNextViewer != nullptr) ::SendMessageW(hNextViewer, message, wParam, lParam);
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
