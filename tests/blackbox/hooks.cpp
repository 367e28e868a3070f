// Hooks that the driver puts into other programs.
//
// DenyWindow (WH_CBT, every program): refuses to create the windows of the
// class that TARNWICK_DENY_WINDOW, read in the process the hook runs in, names.
//
// MeasureText (WH_CALLWNDPROC, Tarnwick's thread): on the message
// "Tarnwick.MeasureText" a control's text is measured with the control's
// own font, as the control draws it; a font handle does not cross
// processes, so this has to happen in there. The results go on the control
// as properties: "Tarnwick.TextExtent" and, for buttons, the size their
// text and check mark need ("Tarnwick.IdealSize"), width in the low word,
// height in the high word; "Tarnwick.Themed" when the control's class is not
// the system's plain one.
//
// LimitGlobalAlloc (WH_CALLWNDPROC, Tarnwick's thread): on the message
// "Tarnwick.LimitGlobalAlloc" Tarnwick's own calls of GlobalAlloc (the
// blocks it puts on the clipboard) fail from lParam bytes up, as when
// memory runs out; 0 lifts the limit. The program's import of GlobalAlloc
// is redirected once, and this library stays loaded from then on.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

bool IsClass(HWND control, const wchar_t* name) {
  wchar_t cls[256] = {};
  return ::GetClassNameW(control, cls, 256) > 0 && ::lstrcmpiW(cls, name) == 0;
}

// The class is asked of the window being made: the name the program passed
// may be an atom, or redirected to the visual-styles library's class.
bool Denied(HWND window) {
  wchar_t denied[256] = L"Tarnwick.Form1";
  ::GetEnvironmentVariableW(L"TARNWICK_DENY_WINDOW", denied, 256);
  return IsClass(window, denied);
}

HANDLE Packed(SIZE size) {
  return reinterpret_cast<HANDLE>(static_cast<DWORD_PTR>(MAKELONG(size.cx, size.cy)));
}

// Labels wrap at their width; buttons, check boxes and options draw one line.
SIZE Extent(HWND control) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L' ');
  text.resize(::GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
  RECT bounds{};
  ::GetClientRect(control, &bounds);
  bounds.bottom = 0;
  HDC dc = ::GetDC(control);
  auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = ::SelectObject(dc, font ? font : ::GetStockObject(SYSTEM_FONT));
  const UINT lines = IsClass(control, L"Static") ? DT_WORDBREAK : DT_SINGLELINE;
  ::DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &bounds,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | lines);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// The system's own classes belong to user32; the visual-styles library
// registers its Button, Static and Edit classes under a module of its own.
bool Themed(HWND control) {
  const auto module = reinterpret_cast<HMODULE>(::GetClassLongPtrW(control, GCLP_HMODULE));
  return module != ::GetModuleHandleW(L"user32.dll");
}

using GlobalAllocProc = HGLOBAL(WINAPI*)(UINT, SIZE_T);
GlobalAllocProc realGlobalAlloc = nullptr;
SIZE_T failFrom = 0;

HGLOBAL WINAPI LimitedGlobalAlloc(UINT flags, SIZE_T bytes) {
  if (failFrom != 0 && bytes >= failFrom) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return realGlobalAlloc(flags, bytes);
}

// The program's import table entry of kernel32's GlobalAlloc.
ULONG_PTR* GlobalAllocImport(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name != 0; ++dll) {
    if (::lstrcmpiA(reinterpret_cast<const char*>(base + dll->Name), "kernel32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(name->Name), "GlobalAlloc") == 0)
        return &slots->u1.Function;
    }
  }
  return nullptr;
}

void LimitAllocations(SIZE_T from) {
  if (realGlobalAlloc == nullptr) {
    ULONG_PTR* slot = GlobalAllocImport(::GetModuleHandleW(nullptr));
    HMODULE self = nullptr;
    if (slot == nullptr ||
        !::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                              reinterpret_cast<LPCWSTR>(&LimitedGlobalAlloc), &self))
      return;
    DWORD protection = 0;
    ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    realGlobalAlloc = reinterpret_cast<GlobalAllocProc>(*slot);
    *slot = reinterpret_cast<ULONG_PTR>(&LimitedGlobalAlloc);
    ::VirtualProtect(slot, sizeof *slot, protection, &protection);
  }
  failFrom = from;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK LimitGlobalAlloc(int code, WPARAM wParam,
                                                                    LPARAM lParam) {
  static const UINT limit = ::RegisterWindowMessageW(L"Tarnwick.LimitGlobalAlloc");
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == limit)
    LimitAllocations(static_cast<SIZE_T>(call->lParam));
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK DenyWindow(int code, WPARAM wParam,
                                                              LPARAM lParam) {
  if (code == HCBT_CREATEWND && Denied(reinterpret_cast<HWND>(wParam))) return 1;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK MeasureText(int code, WPARAM wParam,
                                                               LPARAM lParam) {
  static const UINT measure = ::RegisterWindowMessageW(L"Tarnwick.MeasureText");
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == measure) {
    SIZE ideal{0, 0};
    if (IsClass(call->hwnd, L"Button"))
      ::SendMessageW(call->hwnd, 0x1601 /* BCM_GETIDEALSIZE */, 0,
                     reinterpret_cast<LPARAM>(&ideal));
    ::SetPropW(call->hwnd, L"Tarnwick.TextExtent", Packed(Extent(call->hwnd)));
    ::SetPropW(call->hwnd, L"Tarnwick.IdealSize", Packed(ideal));
    if (Themed(call->hwnd)) ::SetPropW(call->hwnd, L"Tarnwick.Themed", Packed(SIZE{1, 1}));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
