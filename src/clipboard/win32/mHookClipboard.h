// The clipboard hook of the main window: its window procedure runs in front
// of the window's own, mirrors every clipboard change into the field and
// runs Auto mode.
#pragma once

#include <windows.h>

#include "clipboard/ChangeNotice.h"
#include "common/Text.h"
#include "common/win32/FormRef.h"

namespace tarnwick::mHookClipboard {

// True only while Option1_Click clears and writes the clipboard; the
// notifications of that write are not taken as new content.
extern bool bWritingClipboard;

// What the hook needs of the main window.
class ClipboardViewerClient {
 public:
  virtual ~ClipboardViewerClient() = default;
  virtual void ShowClipboardText(const Text& text) = 0;
  virtual void chAuto_Click() = 0;
};
// The main window (not owned); the hook refreshes nothing without one.
void SetViewerClient(ClipboardViewerClient* client);

void HookForm(const win32::FormRef& frm);
void UnhookForm(const win32::FormRef& frm);
// Starts hearing of clipboard changes with the hooked window: through the
// system's format listener where ChooseChangeNotice picks it and the system
// accepts the window, else by joining the clipboard-viewer chain. Either
// way the notification for the current content arrives inside the call.
// On the chain, a check once a second joins again when changes stop
// reaching the window (a viewer in front of it ended without leaving the
// chain, or passes nothing on).
void StartClipboardNotifications(const win32::FormRef& frm);
void StartClipboardNotifications(const win32::FormRef& frm, clipboard::ChangeNotice wanted);
// Stops them: removes the listener, or leaves the chain handing the
// platform the next viewer. No notification is handled afterwards.
void StopClipboardNotifications(const win32::FormRef& frm);
// What this system offers and reports, decided by ChooseChangeNotice.
clipboard::ChangeNotice ChangeNoticeOfThisSystem();
// True while the notifications come from the format listener.
bool FormatListenerActive();
// What an Auto conversion wrote: texts that only re-case it, arriving in a
// quick burst, are another converter fighting ours and are left alone.
void NoteAutoOutput(const Text& written);
// Stops the notifications and restores the window procedure.
void RemoveClipboardHook(const win32::FormRef& frm);

// Asks for the clipboard to be looked at again once the current message is
// done, as if a change notification had arrived.
void RequestRefresh(HWND hookedWindow);

LRESULT CALLBACK ClipboardWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// The next viewer of the chain (tests of the chain handling).
HWND NextViewer();

}  // namespace tarnwick::mHookClipboard
