// Hidden windows for the clipboard tests: one stands for Tarnwick's main
// window, another for a second program.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tarnwick::clipboard::testing {

inline HWND MakeWindow(const wchar_t* title) {
  static const wchar_t* kClass = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarnwickClipboardTest";
    ::RegisterClassW(&wc);
    return L"TarnwickClipboardTest";
  }();
  return ::CreateWindowExW(0, kClass, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

class TestWindow {
 public:
  explicit TestWindow(const wchar_t* title) : hwnd_(MakeWindow(title)) {}
  ~TestWindow() { ::DestroyWindow(hwnd_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

inline void PutBlock(UINT format, const void* data, std::size_t bytes) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(::GlobalLock(block), data, bytes);
  ::GlobalUnlock(block);
  if (::SetClipboardData(format, block) == nullptr) ::GlobalFree(block);
}

// Another program's copy of a text, with an "HTML Format" block beside it
// when `html` is not empty.
inline void OtherProgramCopies(HWND other, const std::wstring& text, const std::string& html = {}) {
  ASSERT_TRUE(::OpenClipboard(other));
  ::EmptyClipboard();
  PutBlock(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  if (!html.empty()) PutBlock(::RegisterClipboardFormatW(L"HTML Format"), html.c_str(), html.size() + 1);
  ::CloseClipboard();
}

inline std::string BlockOf(HWND reader, UINT format) {
  std::string bytes;
  if (!::OpenClipboard(reader)) return "(clipboard busy)";
  if (HANDLE block = ::GetClipboardData(format)) {
    bytes.assign(static_cast<const char*>(::GlobalLock(block)), ::GlobalSize(block));
    ::GlobalUnlock(block);
  }
  ::CloseClipboard();
  return bytes;
}

// Runs the messages that are waiting (posted notifications, refresh requests).
inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace tarnwick::clipboard::testing
