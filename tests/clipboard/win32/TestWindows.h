// Hidden windows for the clipboard tests: one stands for Tarnwick's main
// window, another for a second program.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/win32/Handles.h"

namespace tarnwick::clipboard::testing {

// A hidden window that opens the clipboard and takes posted messages.
class TestWindow : public win32::WindowHandle {
 public:
  explicit TestWindow(const wchar_t* title)
      : win32::WindowHandle(::CreateWindowW(L"STATIC", title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                            nullptr, nullptr, nullptr)) {}
};

// Puts a copy of the bytes on the open clipboard, which then owns it.
inline void PutBlock(UINT format, const void* data, std::size_t bytes) {
  win32::GlobalBlock block{::GlobalAlloc(GMEM_MOVEABLE, bytes)};
  std::memcpy(::GlobalLock(block.get()), data, bytes);
  ::GlobalUnlock(block.get());
  if (::SetClipboardData(format, block.get()) != nullptr) block.release();
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
