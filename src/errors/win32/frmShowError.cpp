#include "errors/win32/frmShowError.h"

#include <algorithm>

#include "common/win32/WideText.h"
#include "common/win32/WindowClass.h"
#include "errors/ErrInfo.h"
#include "errors/win32/DialogBase.h"

namespace tarnwick::win32 {
namespace {

constexpr wchar_t kClass[] = L"Tarnwick.frmShowError";
constexpr int kClientWidth = 12420, kClientHeight = 5595;  // twips
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int kTextId = 1;

RECT CentredFrame(int dpi) {
  RECT frame{0, 0, TwipsToPixels(kClientWidth, dpi), TwipsToPixels(kClientHeight, dpi)};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  // The form is sizable: on a screen too small for it at this DPI it
  // opens as large as the screen allows, all of it reachable.
  const int width = std::min(static_cast<int>(frame.right - frame.left),
                             static_cast<int>(area.right - area.left));
  const int height = std::min(static_cast<int>(frame.bottom - frame.top),
                              static_cast<int>(area.bottom - area.top));
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  return RECT{x, y, x + width, y + height};
}

}  // namespace

frmShowError& frmShowError::Instance() {
  static frmShowError form;
  return form;
}

void frmShowError::Load() {
  if (!RegisterWindowClass(kClass, &WndProc)) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  const int dpi = SystemDpi();
  const RECT frame = CentredFrame(dpi);
  hwnd_ = ::CreateWindowExW(0, kClass, L"Error Report", kStyle, frame.left, frame.top,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            ::GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  txtError_ = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
          ES_AUTOHSCROLL | ES_WANTRETURN,
      0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)),
      ::GetModuleHandleW(nullptr), nullptr);
  font_ = CreatePointFont(L"Courier New", 825, false, dpi, /*fixedPitch=*/true);
  ::SendMessageW(txtError_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ::SendMessageW(txtError_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
  Form_Resize();
}

void frmShowError::ErrorReport(const Text& text) {
  if (hwnd_ == nullptr) Load();
  const std::wstring wide = ToWide(text);
  ::SetWindowTextW(txtError_, wide.c_str());
  if (!::IsWindowVisible(hwnd_)) ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd_);
  ::SetFocus(txtError_);
}

void frmShowError::Form_Resize() {
  if (txtError_ == nullptr) return;
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::MoveWindow(txtError_, 0, 0, client.right, client.bottom, TRUE);
}

LRESULT CALLBACK frmShowError::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    frmShowError& form = Instance();
    switch (message) {
      case WM_SIZE:
        if (form.hwnd_ == hwnd) form.Form_Resize();
        return 0;
      case WM_SETFOCUS:
        if (form.txtError_ != nullptr) ::SetFocus(form.txtError_);
        return 0;
      case WM_NCDESTROY:
        form.hwnd_ = nullptr;
        form.txtError_ = nullptr;
        form.font_.reset();
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing leaves a window procedure.
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace tarnwick::win32
