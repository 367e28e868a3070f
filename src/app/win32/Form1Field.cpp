// Form1's field fdClipboardText: its window procedure in front of the edit
// control's, which turns keys and clicks into the field's events, and the
// refusal to copy text out of it.
#include "app/win32/Form1.h"

#include <windowsx.h>

#include "errors/ErrTrap.h"
#include "shell/win32/mCommon.h"

namespace tarnwick::app {

namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

// Edit controls stop at 30,000 characters unless told otherwise.
constexpr LPARAM kFieldTextLimit = 0x7FFFFFFE;

// The keys held down, as the field's key and mouse events report them:
// 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftState() {
  std::int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
  if (::GetKeyState(VK_MENU) < 0) shift |= 4;
  return shift;
}

std::int16_t MouseButtonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: return 1;
    case WM_RBUTTONDOWN: return 2;
    case WM_MBUTTONDOWN: return 4;
    default: return 0;
  }
}

// The procedure that the field had before SetUpField replaced it: the edit
// control's own, which every message reaches that the field does not
// swallow, a failed one included.
WNDPROC EditProcedureOf(HWND field) {
  return reinterpret_cast<WNDPROC>(::GetClassLongPtrW(field, GCLP_WNDPROC));
}

}  // namespace

void Form1::SetUpField() {
  HWND field = Control(ControlId::fdClipboardText);
  ::SendMessageW(field, EM_SETLIMITTEXT, kFieldTextLimit, 0);
  ::SetWindowLongPtrW(field, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  fieldPrevProc_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FieldProc)));
}

LRESULT CALLBACK Form1::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(field, GWLP_USERDATA));
  try {
    if (self != nullptr) return self->HandleFieldMessage(field, message, wParam, lParam);
  } catch (...) {
    // As for the window: nothing leaves the field's procedure. The message
    // still gets the edit control's own handling below.
  }
  const WNDPROC edit = self != nullptr ? self->fieldPrevProc_ : EditProcedureOf(field);
  return ::CallWindowProcW(edit, field, message, wParam, lParam);
}

LRESULT Form1::HandleFieldMessage(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN: {
      auto KeyCode = static_cast<std::int16_t>(wParam);
      fdClipboardText_KeyDown(KeyCode, ShiftState());
      if (KeyCode == 0) return 0;
      break;
    }
    case WM_CHAR: {
      auto KeyAscii = static_cast<std::int16_t>(wParam);
      fdClipboardText_KeyPress(KeyAscii);
      if (KeyAscii == 0) return 0;
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      std::int16_t shift = 0;
      if (wParam & MK_SHIFT) shift |= 1;
      if (wParam & MK_CONTROL) shift |= 2;
      if (::GetKeyState(VK_MENU) < 0) shift |= 4;
      fdClipboardText_MouseDown(MouseButtonOf(message), shift,
                                static_cast<float>(PixelsToTwips(GET_X_LPARAM(lParam), dpi_)),
                                static_cast<float>(PixelsToTwips(GET_Y_LPARAM(lParam), dpi_)));
      break;
    }
    case WM_CONTEXTMENU:
    case WM_COPY:
    case WM_CUT:
      // The context menu's Copy, or a copy sent by other means, would
      // defeat the refusal: the text is on the clipboard already.
      return 0;
    case WM_GETDLGCODE:
      // Tab, Enter and Esc work as in a dialog; typed characters still
      // reach the field, so Ctrl+C and Ctrl+X are refused there.
      return ::CallWindowProcW(fieldPrevProc_, field, message, wParam, lParam) &
             ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    default:
      break;
  }
  return ::CallWindowProcW(fieldPrevProc_, field, message, wParam, lParam);
}

void Form1::ShowCopyRefusal() { mCommon::ShowMessage(kCopyRefusal, MB_ICONINFORMATION, hwnd()); }

void Form1::fdClipboardText_KeyDown(std::int16_t& KeyCode, std::int16_t Shift) {
  if (KeyCode == VK_INSERT && Shift == 2) {
    KeyCode = 0;
    ShowCopyRefusal();
  }
  if (KeyCode == VK_DELETE && Shift == 1) {
    KeyCode = 0;
    ShowCopyRefusal();
  }
}

void Form1::fdClipboardText_KeyPress(std::int16_t& KeyAscii) {
  if (KeyAscii == 3) {  // Ctrl+C
    KeyAscii = 0;
    ShowCopyRefusal();
  }
  if (KeyAscii == 24) {  // Ctrl+X
    KeyAscii = 0;
    ShowCopyRefusal();
  }
}

void Form1::fdClipboardText_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
  Trap trap(u"Form1.fdClipboardText_MouseDown(Button,Shift,X,Y)", TrapKind::EndsChain, Button,
            Shift, X, Y);
  trap.Run([&] {
    if (trap.Step(10, [&] { return Button != 2; })) return;
    trap.Step(20, [&] { ShowCopyRefusal(); });
  });
}


}  // namespace tarnwick::app
