// Owners of the Win32 handles the program holds: each is released once, at
// scope end.
#pragma once

#include <windows.h>

#include <utility>

namespace tarnwick::app {

template <class Handle, class Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Handle{}));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }
  void reset(Handle handle = Handle{}) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_{};
};

struct KernelHandleTraits {
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct GdiObjectTraits {
  static bool IsValid(HGDIOBJ h) { return h != nullptr; }
  static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct IconTraits {
  static bool IsValid(HICON h) { return h != nullptr; }
  static void Close(HICON h) { ::DestroyIcon(h); }
};

using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using FontHandle = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using BrushHandle = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using IconHandle = UniqueHandle<HICON, IconTraits>;

// The screen's device context, released at scope end.
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

// Pixels per logical inch of the screen (the system DPI).
inline int SystemDpi() {
  ScreenDC screen;
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace tarnwick::app
