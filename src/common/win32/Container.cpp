#include "common/win32/Container.h"

#include "common/win32/WindowClass.h"

namespace tarnwick::win32 {
namespace {

ContainerLook LookOf(HWND hwnd) {
  return static_cast<ContainerLook>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool IsChildQuestion(UINT message) {
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

void Paint(HWND hwnd, ContainerLook look) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(hwnd, &paint);
  if (dc == nullptr) return;
  if (look == ContainerLook::Framed) {
    RECT frame;
    ::GetClientRect(hwnd, &frame);
    ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  }
  ::EndPaint(hwnd, &paint);
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsChildQuestion(message)) return ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
  switch (message) {
    case WM_SETCURSOR:
      if (::SendMessageW(::GetParent(hwnd), message, wParam, lParam)) return TRUE;
      break;
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd, &client);
      const int colour = LookOf(hwnd) == ContainerLook::Sunken ? COLOR_WINDOW : COLOR_BTNFACE;
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, ::GetSysColorBrush(colour));
      return TRUE;
    }
    case WM_PAINT:
      Paint(hwnd, LookOf(hwnd));
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateContainer(HWND parent, int id, RECT pixels, ContainerLook look, bool visible) {
  if (!RegisterWindowClass(kContainerClass, &ContainerProc, nullptr)) return nullptr;
  const DWORD exStyle =
      WS_EX_CONTROLPARENT | (look == ContainerLook::Sunken ? WS_EX_CLIENTEDGE : 0);
  const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
  HWND container = ::CreateWindowExW(exStyle, kContainerClass, L"", style, pixels.left, pixels.top,
                                     pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                     ::GetModuleHandleW(nullptr), nullptr);
  if (container != nullptr) {
    ::SetWindowLongPtrW(container, GWLP_USERDATA, static_cast<LONG_PTR>(look));
    ::InvalidateRect(container, nullptr, TRUE);
  }
  return container;
}

}  // namespace tarnwick::win32
