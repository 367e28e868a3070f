// The clipboard hook of the main window: everything the program keeps
// between clipboard notifications, in one object that the window owns. It
// hears of every clipboard change (format listener or viewer chain),
// mirrors the new content into the window's field, runs Auto mode, and
// keeps the record of the program's own clipboard writes that tells their
// notifications from other programs' copies.
#pragma once

#include <windows.h>

#include <optional>

#include "clipboard/ChainWatch.h"
#include "clipboard/ChangeNotice.h"
#include "clipboard/ClipboardTracker.h"
#include "clipboard/FormattedVersions.h"
#include "clipboard/ReadRetry.h"
#include "clipboard/RecaseBurstGuard.h"
#include "clipboard/RefreshGate.h"
#include "clipboard/win32/ClipboardReader.h"
#include "clipboard/win32/RefreshRequest.h"
#include "clipboard/win32/ViewerChain.h"
#include "common/Text.h"

namespace tarnwick::clipboard {

// What the hook needs of the main window.
class ClipboardViewerClient {
 public:
  virtual ~ClipboardViewerClient() = default;
  virtual void ShowClipboardText(const Text& text) = 0;
  // The formatted versions of the content whose text ShowClipboardText
  // shows next; a window that converts nothing need not keep them.
  virtual void KeepFormattedVersions(FormattedVersions /*versions*/) {}
  virtual void chAuto_Click() = 0;
};

// True only while Option1_Click clears and writes the clipboard; the
// notifications of that write are not taken as new content.
extern bool bWritingClipboard;

// WM_CLIPBOARDUPDATE, which headers for systems before Vista do not define.
inline constexpr UINT kClipboardUpdate = 0x031D;

class ClipboardHook {
 public:
  explicit ClipboardHook(ClipboardViewerClient& client) : client_(client) {}
  ClipboardHook(const ClipboardHook&) = delete;
  ClipboardHook& operator=(const ClipboardHook&) = delete;

  // Starts hearing of clipboard changes with `window`: through the
  // system's format listener where ChooseChangeNotice picks it and the
  // system accepts the window, else by joining the clipboard-viewer chain.
  // Either way the notification for the current content arrives inside the
  // call. On the chain, a check once a second joins again when changes stop
  // reaching the window (a viewer in front of it ended without leaving the
  // chain, or passes nothing on).
  void StartNotifications(HWND window);
  void StartNotifications(HWND window, ChangeNotice wanted);
  // Stops them: removes the listener, or leaves the chain handing the
  // platform the next viewer. No notification is handled afterwards.
  void StopNotifications();
  // True while the notifications come from the format listener.
  bool FormatListenerActive() const { return listening_ == Listening::FormatListener; }

  // The window's clipboard messages: the change notifications, the chain's
  // messages, the timers of the chain check and of a read tried again, and
  // refresh requests. Nothing for every other message.
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Asks for the clipboard to be looked at again once the current message
  // is done, as if a change notification had arrived.
  void RequestRefresh() const { Refresh().Post(); }
  RefreshRequest Refresh() const { return RefreshRequest(window_); }
  // What an Auto conversion wrote: texts that only re-case it, arriving in
  // a quick burst, are another converter fighting ours and are left alone.
  void NoteAutoOutput(const Text& written) { burstGuard_.RecordOutput(written); }

  // The record of our own clipboard changes and of the content the field
  // shows, and the reader: what a replacement of the content needs.
  ClipboardTracker& Tracker() { return tracker_; }
  ClipboardReader& Reader() { return reader_; }

  // The window procedure that HookForm replaced, put back by UnhookForm.
  WNDPROC lpPrevWndProc = nullptr;

 private:
  // How the clipboard's changes reach the window now.
  enum class Listening { None, ViewerChain, FormatListener };

  bool IsOwnClipboardChange() const;
  bool RefreshOnce(DWORD& shownSequence);
  void RefreshFromClipboard();
  void DropQueuedRefreshes() const;
  void CheckChain();
  // A content that could not be read: tried again by timer, or given up.
  void ReadFailed();
  void StopRetrying();

  ClipboardViewerClient& client_;
  HWND window_ = nullptr;
  Listening listening_ = Listening::None;
  ViewerChain chain_;
  ChainWatch chainWatch_;
  RefreshGate refreshGate_;
  RecaseBurstGuard burstGuard_;
  ReadRetry readRetry_;
  ClipboardTracker tracker_;
  ClipboardReader reader_;
};

// What this system offers and reports, decided by ChooseChangeNotice.
ChangeNotice ChangeNoticeOfThisSystem();

}  // namespace tarnwick::clipboard
