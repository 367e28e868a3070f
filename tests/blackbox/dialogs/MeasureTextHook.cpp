// A hook that runs inside Tarnwick's user-interface thread and measures a
// control's text with the control's own font, as the control draws it. A
// font handle does not cross processes (Wine does not even answer
// WM_GETFONT from another one), so the measuring has to happen in there.
//
// The dialog driver installs it on Tarnwick's thread and sends the message
// "Tarnwick.MeasureText" to a control; the hook leaves the extent on the
// control as the property "Tarnwick.TextExtent", and a button's own idea
// of the size its text and check mark need (BCM_GETIDEALSIZE of the
// visual-styles buttons) as "Tarnwick.IdealSize": width in the low word,
// height in the high word, in pixels; 0 where there is none.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kMeasureMessage[] = L"Tarnwick.MeasureText";
constexpr wchar_t kExtentProperty[] = L"Tarnwick.TextExtent";
constexpr wchar_t kIdealProperty[] = L"Tarnwick.IdealSize";
constexpr UINT kGetIdealSize = 0x1601;  // BCM_GETIDEALSIZE

HANDLE Packed(SIZE size) {
  return reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(MAKELONG(size.cx, size.cy)));
}

std::wstring TextOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(),
                                                          static_cast<int>(text.size()))));
  return text;
}

bool IsClass(HWND control, const wchar_t* name) {
  wchar_t cls[32] = {};
  ::GetClassNameW(control, cls, 32);
  return ::lstrcmpiW(cls, name) == 0;
}

SIZE IdealSize(HWND control) {
  SIZE ideal{0, 0};
  if (!IsClass(control, L"Button") ||
      !::SendMessageW(control, kGetIdealSize, 0, reinterpret_cast<LPARAM>(&ideal))) {
    return SIZE{0, 0};
  }
  return ideal;
}

// Labels wrap at their width; buttons, check boxes and option buttons
// draw one line.
SIZE Measure(HWND control) {
  const std::wstring text = TextOf(control);
  RECT client{};
  ::GetClientRect(control, &client);
  HDC dc = ::GetDC(control);
  if (dc == nullptr) return SIZE{0, 0};
  auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
  RECT bounds{0, 0, client.right, 0};
  const UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS |
                      (IsClass(control, L"Static") ? DT_WORDBREAK : DT_SINGLELINE);
  ::DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &bounds, format);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MeasureText(int code, WPARAM wParam,
                                                               LPARAM lParam) {
  static const UINT measure = ::RegisterWindowMessageW(kMeasureMessage);
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == measure) {
      ::SetPropW(call->hwnd, kExtentProperty, Packed(Measure(call->hwnd)));
      ::SetPropW(call->hwnd, kIdealProperty, Packed(IdealSize(call->hwnd)));
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
