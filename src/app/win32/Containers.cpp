#include "app/win32/Containers.h"

#include "common/win32/WindowClass.h"

namespace tarnwick::app {

namespace {

bool IsChildNotification(UINT message) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return true;
    default:
      return false;
  }
}

void PaintGroupFrame(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd, &paint);
  if (dc == nullptr) return;
  RECT frame;
  ::GetClientRect(hwnd, &frame);
  ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsChildNotification(message)) {
    return ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintGroupFrame(hwnd);
    return 0;
  }
  return ContainerProc(hwnd, message, wParam, lParam);
}

}  // namespace

bool RegisterContainerClasses(HINSTANCE /*instance*/) {
  return win32::RegisterWindowClass(kPanelClass, &ContainerProc) &&
         win32::RegisterWindowClass(kGroupBoxClass, &GroupBoxProc);
}

}  // namespace tarnwick::app
