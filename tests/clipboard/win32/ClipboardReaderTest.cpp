// A read stuck on an owner that hangs while it renders: the window waits a
// bounded time, the next read goes to another thread, no more than
// kMaxWaitingReads threads are left waiting, and the stuck read's content
// still arrives once the owner renders it. (An owner in another program
// that hangs is not even asked: the black-box suite shows that.)
#include "clipboard/win32/ClipboardReader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "TestWindows.h"

namespace tarnwick::clipboard {
namespace {

using testing::PumpMessages;
using testing::TestWindow;

HANDLE g_render = nullptr;  // set: the owner renders

LRESULT CALLBACK SlowOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_RENDERFORMAT) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  ::WaitForSingleObject(g_render, 20000);
  static const wchar_t kText[] = L"rendered late";
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof kText);
  std::memcpy(::GlobalLock(block), kText, sizeof kText);
  ::GlobalUnlock(block);
  ::SetClipboardData(CF_UNICODETEXT, block);
  return 0;
}

// The owner's thread: takes the clipboard with a promise of text, then
// answers messages until told to end.
DWORD WINAPI SlowOwner(void* ready) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &SlowOwnerProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TarnwickSlowOwner";
  ::RegisterClassW(&wc);
  HWND owner = ::CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, nullptr);
  if (::OpenClipboard(owner)) {
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, nullptr);
    ::CloseClipboard();
  }
  ::SetEvent(ready);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  ::DestroyWindow(owner);
  return 0;
}

TEST(ClipboardReader, AReadStuckOnItsOwnerCostsTheWindowABoundedWaitAndArrivesLate) {
  TestWindow window{L"hooked"};
  ClipboardReader reader;
  g_render = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD ownerThread = 0;
  HANDLE owner = ::CreateThread(nullptr, 0, &SlowOwner, ready, 0, &ownerThread);
  ASSERT_EQ(::WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);

  ClipboardRead reads[kMaxWaitingReads + 1];
  for (ClipboardRead& read : reads) {
    const DWORD start = ::GetTickCount();
    read = reader.Read(RefreshRequest(window.get()));
    EXPECT_LT(::GetTickCount() - start, kReadWaitMs + 500) << "the window waited too long";
    EXPECT_FALSE(read.snapshot);
  }
  EXPECT_EQ(reads[0].unread, Unread::ReaderBusy);
  // The next thread finds the clipboard held by the stuck one (Windows), or
  // is let in and waits on the same owner (Wine lets another thread of the
  // process open it while the first waits); once kMaxWaitingReads threads
  // are left waiting, a read says at once that the reader is busy.
  if (reads[1].unread == Unread::ReaderBusy) {
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(reads[2].unread, Unread::ReaderBusy);
    EXPECT_EQ(reader.Read(RefreshRequest(window.get())).unread, Unread::ReaderBusy);
    EXPECT_LT(::GetTickCount() - start, kReadWaitMs + 500);
  } else {
    EXPECT_EQ(reads[1].unread, Unread::HeldOpen);
  }

  ::SetEvent(g_render);  // the stuck read returns and asks for a refresh
  MSG msg;
  bool asked = false;
  for (const DWORD waited = ::GetTickCount(); !asked && ::GetTickCount() - waited < 5000;) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
    asked = ::PeekMessageW(&msg, window.get(), RefreshRequest::kMessage, RefreshRequest::kMessage,
                           PM_REMOVE) != FALSE;
  }
  EXPECT_TRUE(asked) << "the late read asks for a refresh";
  ClipboardRead late = reader.Read(RefreshRequest(window.get()));
  ASSERT_TRUE(late.snapshot);
  EXPECT_EQ(late.snapshot->text, u"rendered late");

  ::PostThreadMessageW(ownerThread, WM_QUIT, 0, 0);
  ::WaitForSingleObject(owner, 5000);
  for (HANDLE handle : {owner, ready, g_render}) ::CloseHandle(handle);
  PumpMessages();
}

}  // namespace
}  // namespace tarnwick::clipboard
