// One owner for every kind of handle the program holds: UniqueHandle keeps a
// handle and releases it once, with the release function of its kind, when
// the owner goes or takes another. The aliases below name each kind.
#pragma once

#include <windows.h>

#include <utility>

// Headers for Windows 2000 (WINVER 0x0500) do not name the default DPI.
#ifndef USER_DEFAULT_SCREEN_DPI
#define USER_DEFAULT_SCREEN_DPI 96
#endif

namespace tarnwick::win32 {

// Release and validity functions are named objects, so that each handle kind
// is one type in every translation unit.
inline constexpr auto kNotEmpty = [](auto h) { return h != decltype(h){}; };
// Kernel handles have two empty values: null and INVALID_HANDLE_VALUE.
inline constexpr auto kKernelHandleValid = [](HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE;
};
inline constexpr auto kDeleteGdiObject = [](HGDIOBJ h) { ::DeleteObject(h); };
inline constexpr auto kReleaseScreenDC = [](HDC dc) { ::ReleaseDC(nullptr, dc); };

// `Close` releases a handle; `Valid` tells a handle that needs releasing
// from the empty value(s) of its kind. The empty value is T{}.
template <class T, auto Close, auto Valid = kNotEmpty>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  T get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return Valid(handle_); }
  // Gives the handle up without releasing it (the system took it over).
  T release() noexcept { return std::exchange(handle_, T{}); }
  void reset(T handle = T{}) noexcept {
    const T old = std::exchange(handle_, handle);
    if (Valid(old)) Close(old);
  }
  // For calls that hand out a handle through a pointer; the held one goes first.
  T* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  T handle_{};
};

using KernelHandle = UniqueHandle<HANDLE, &::CloseHandle, kKernelHandleValid>;
using FileHandle = KernelHandle;
using FindHandle = UniqueHandle<HANDLE, &::FindClose, kKernelHandleValid>;
template <class T>
using GdiObject = UniqueHandle<T, kDeleteGdiObject>;
using FontHandle = GdiObject<HFONT>;
using BitmapHandle = GdiObject<HBITMAP>;
using CursorHandle = UniqueHandle<HCURSOR, &::DestroyCursor>;
using IconHandle = UniqueHandle<HICON, &::DestroyIcon>;
using WindowHandle = UniqueHandle<HWND, &::DestroyWindow>;
using HookHandle = UniqueHandle<HHOOK, &::UnhookWindowsHookEx>;
using RegKey = UniqueHandle<HKEY, &::RegCloseKey>;
using GlobalBlock = UniqueHandle<HGLOBAL, &::GlobalFree>;
using ScreenDC = UniqueHandle<HDC, kReleaseScreenDC>;
using MemoryDC = UniqueHandle<HDC, &::DeleteDC>;
// A lock taken for a scope; Enter takes it.
using CriticalSectionLock = UniqueHandle<CRITICAL_SECTION*, &::LeaveCriticalSection>;
// A global block's memory locked for a scope; Lock locks it.
using GlobalLockHandle = UniqueHandle<HGLOBAL, &::GlobalUnlock>;

inline CriticalSectionLock Enter(CRITICAL_SECTION& section) {
  ::EnterCriticalSection(&section);
  return CriticalSectionLock(&section);
}

inline ScreenDC GetScreenDC() { return ScreenDC(::GetDC(nullptr)); }

// An object selected into a device context for a scope; the one it replaced
// is selected again at the end.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (old_ != nullptr) ::SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A font by face, size in hundredths of a point and weight, at `dpi`; a
// fixed-pitch request makes a missing face fall back to another monospaced
// font.
inline FontHandle CreatePointFont(const wchar_t* face, int hundredthsOfPoint, bool bold, int dpi,
                                  bool fixedPitch = false, BYTE charset = DEFAULT_CHARSET) {
  LOGFONTW font{};
  if (fixedPitch) font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  font.lfHeight = -::MulDiv(hundredthsOfPoint, dpi, 7200);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  font.lfCharSet = charset;
  ::lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
  return FontHandle(::CreateFontIndirectW(&font));
}

// Pixels per logical inch of the screen (the system DPI).
inline int SystemDpi() {
  const ScreenDC screen = GetScreenDC();
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace tarnwick::win32
