#include "app/win32/Containers.h"

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

bool RegisterOne(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool RegisterContainerClasses(HINSTANCE instance) {
  return RegisterOne(instance, kPanelClass, &ContainerProc) &&
         RegisterOne(instance, kGroupBoxClass, &GroupBoxProc);
}

}  // namespace tarnwick::app
