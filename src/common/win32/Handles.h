// Owners of the Win32 handles the program holds: each is released once,
// when its owner goes.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

// Headers for Windows 2000 (WINVER 0x0500) do not name the default DPI.
#ifndef USER_DEFAULT_SCREEN_DPI
#define USER_DEFAULT_SCREEN_DPI 96
#endif

namespace tarnwick::win32 {

struct KernelHandleCloser {
  void operator()(HANDLE h) const {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using KernelHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, KernelHandleCloser>;
using FileHandle = KernelHandle;

struct GdiDeleter {
  void operator()(HGDIOBJ h) const {
    if (h != nullptr) ::DeleteObject(h);
  }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiDeleter>;
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
using BrushHandle = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;

struct CursorDestroyer {
  void operator()(HCURSOR h) const {
    if (h != nullptr) ::DestroyCursor(h);
  }
};
using CursorHandle = std::unique_ptr<std::remove_pointer_t<HCURSOR>, CursorDestroyer>;

struct IconDestroyer {
  void operator()(HICON h) const {
    if (h != nullptr) ::DestroyIcon(h);
  }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

struct WindowDestroyer {
  void operator()(HWND h) const {
    if (h != nullptr && ::IsWindow(h)) ::DestroyWindow(h);
  }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// A screen device context for measuring, released at scope end.
class ScreenDC {
 public:
  ScreenDC() : dc_(::GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc_ != nullptr) ::ReleaseDC(nullptr, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A memory device context with one bitmap selected, both given back at scope end.
class MemoryDC {
 public:
  MemoryDC(HDC compatible, HBITMAP bitmap)
      : dc_(::CreateCompatibleDC(compatible)), old_(dc_ ? ::SelectObject(dc_, bitmap) : nullptr) {}
  ~MemoryDC() {
    if (dc_ == nullptr) return;
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Pixels per logical inch of the screen (the system DPI).
inline int SystemDpi() {
  ScreenDC screen;
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace tarnwick::win32
