// The window's place in the clipboard-viewer chain (Windows 2000, XP and
// Server 2003): joining and leaving it, passing its messages on to the next
// viewer, following a change of the chain, and joining again when changes
// stopped reaching the window.
#pragma once

#include <windows.h>

namespace tarnwick::clipboard {

class ViewerChain {
 public:
  // Joins the chain with `window`; the platform sends it one WM_DRAWCLIPBOARD
  // for the current content inside the call.
  void Join(HWND window);
  // Leaves it, handing the platform the next viewer.
  void Leave(HWND window);
  // Leaves and joins again, at the head. Waits for a first viewer that does
  // not answer (hung, not ended) by not doing it: false then.
  bool Rejoin(HWND window);

  // WM_DRAWCLIPBOARD, and WM_CHANGECBCHAIN not meant for us: to the next viewer.
  void PassOn(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_CHANGECBCHAIN: a viewer leaves.
  void OnChainChanged(WPARAM wParam, LPARAM lParam);
  // A next viewer that ended without leaving the chain is forgotten:
  // nothing can be passed on to it.
  void DropDeadNextViewer();

 private:
  bool FirstViewerAnswers(HWND window) const;

  HWND hNextViewer = nullptr;  // the next window in the chain; none: null
};

}  // namespace tarnwick::clipboard
