// The main window's clipboard hook as the window sees it: HookForm puts
// ClipboardWndProc in front of the window's own procedure, UnhookForm puts
// that procedure back. The hook's state is the ClipboardHook object that
// the window owns and hands to both.
#pragma once

#include <windows.h>

#include "clipboard/win32/ClipboardHook.h"
#include "common/win32/FormRef.h"

namespace tarnwick::mHookClipboard {

using clipboard::ClipboardHook;

void HookForm(ClipboardHook& hook, const win32::FormRef& frm);
void UnhookForm(ClipboardHook& hook, const win32::FormRef& frm);

LRESULT CALLBACK ClipboardWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

}  // namespace tarnwick::mHookClipboard
