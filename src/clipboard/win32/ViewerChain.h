// The window's place in the clipboard-viewer chain (Windows 2000, XP and
// Server 2003): joining and leaving it, passing its messages on to the next
// viewer, following a change of the chain, and joining again when changes
// stopped reaching the window. A viewer that hangs, in front of the window
// or behind it, holds none of this up for more than a fraction of a second.
#pragma once

#include <windows.h>

namespace tarnwick::clipboard {

inline constexpr UINT kPassOnMs = 200;
inline constexpr DWORD kLeaveWaitMs = 500;

class ViewerChain {
 public:
  // Joins the chain with `window`; the platform sends it one WM_DRAWCLIPBOARD
  // for the current content inside the call.
  void Join(HWND window);
  // Leaves it, handing the platform the next viewer. Leaving sends the
  // chain's first viewer WM_CHANGECBCHAIN and waits for it to pass the
  // message down to ours; a viewer on that way that hangs would hold us
  // for as long as it hangs. So unless the window is the first viewer
  // itself, it leaves from a thread of its own and waits for that thread at
  // most kLeaveWaitMs; a thread still waiting then is left to finish the
  // leave once the hung viewer answers, or to end with the process. False
  // when the leave still waits.
  bool Leave(HWND window);
  // Leaves and joins again, at the head. A first viewer that does not
  // answer, or a leave that still waits, makes it wait for a later check:
  // false then.
  bool Rejoin(HWND window);

  // WM_DRAWCLIPBOARD, and WM_CHANGECBCHAIN not meant for us: to the next
  // viewer, waiting for it at most kPassOnMs (at once for a window that the
  // system knows to be hung). The message still reaches a slow viewer once
  // it answers.
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
