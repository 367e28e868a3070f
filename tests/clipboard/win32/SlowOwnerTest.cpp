// Reading the clipboard while its owner promised text and does not render
// it: the read gives up instead of waiting for the owner, the window is asked
// to refresh once the text is there, and the next read hands it out.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "../../support/win32/TestThread.h"
#include "TestWindows.h"
#include "clipboard/ClipboardText.h"
#include "clipboard/win32/ClipboardAccess.h"
#include "errors/ErrInfo.h"

namespace tarnwick::clipboard {
namespace {

constexpr wchar_t kLateText[] = L"rendered late";
constexpr UINT kRefreshRequest = WM_APP + 0x308;

LRESULT CALLBACK RenderingOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_RENDERFORMAT && wParam == CF_UNICODETEXT) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof kLateText);
    std::memcpy(::GlobalLock(block), kLateText, sizeof kLateText);
    ::GlobalUnlock(block);
    if (::SetClipboardData(CF_UNICODETEXT, block) == nullptr) ::GlobalFree(block);
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND RenderingOwner() {
  static const wchar_t* kClass = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &RenderingOwnerProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TarnwickSlowOwnerTest";
    ::RegisterClassW(&wc);
    return L"TarnwickSlowOwnerTest";
  }();
  return ::CreateWindowExW(0, kClass, L"slow owner", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                           nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

// Pumps the thread's messages until `done`, answering render requests.
void PumpUntil(const std::atomic<bool>& done) {
  while (!done) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(5);
  }
}

bool WaitForRefreshRequest(HWND window, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  while (::GetTickCount() - start < timeoutMs) {
    if (::PeekMessageW(&msg, window, kRefreshRequest, kRefreshRequest, PM_REMOVE)) return true;
    ::Sleep(10);
  }
  return false;
}

TEST(SlowOwner, AReadGivesUpWhileTheOwnerHangsAndTheLateTextArrivesWithARefresh) {
  testing::TestWindow us(L"us");
  std::atomic<bool> owned{false}, hanging{true}, finished{false};
  test_support::TestThread owner([&] {
    HWND window = RenderingOwner();
    if (!::OpenClipboard(window)) return;
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, nullptr);  // promised, rendered on request
    ::CloseClipboard();
    owned = true;
    while (hanging) ::Sleep(10);  // no message is answered meanwhile
    PumpUntil(finished);
    ::DestroyWindow(window);
  });
  ASSERT_TRUE(owner.started());
  for (int i = 0; i < 500 && !owned; ++i) ::Sleep(10);
  ASSERT_TRUE(owned);

  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(ReadClipboard(us.get())) << "no text while the owner hangs";
  EXPECT_GE(::GetTickCount() - start, kReadWaitMs - 50);
  EXPECT_FALSE(ReadClipboard(us.get())) << "a second read does not queue behind the first";

  // A command meets the same content: it cannot compare it, and says so.
  std::int32_t raised = 0;
  try {
    ClipboardReplacement replacement(us.get());
    replacement.Clear();
  } catch (const mErrTrap::ErrRaised& error) {
    raised = error.info().Number;
  }
  EXPECT_EQ(raised, mErrTrap::rt::CantOpenClipboard);

  hanging = false;
  EXPECT_TRUE(WaitForRefreshRequest(us.get(), 10000)) << "the window is asked to look again";
  const auto late = ReadClipboard(us.get());
  ASSERT_TRUE(late);
  EXPECT_EQ(late->text, u"rendered late");
  EXPECT_TRUE(late->convertible);
  finished = true;
}

}  // namespace
}  // namespace tarnwick::clipboard
