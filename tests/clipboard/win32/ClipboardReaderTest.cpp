// A read that waits on an owner while it renders: the window waits a
// bounded time and takes the content once it arrives; the owner is not
// asked twice meanwhile. A read stuck for longer is left to its thread, no
// more than kMaxWaitingReads threads are left waiting, and the stuck read's
// content still arrives once the owner renders it. A read asked for inside
// the wait (a message sent to the window) shares it. (An owner in another
// program that hangs is not even asked: the black-box suite shows that.)
#include "clipboard/win32/ClipboardReader.h"

#include <gtest/gtest.h>

#include <atomic>

#include "TestWindows.h"
#include "common/win32/Handles.h"

namespace tarnwick::clipboard {
namespace {

using testing::PumpMessages;
using testing::TestWindow;

win32::KernelHandle g_render;  // set: the owner renders
std::atomic<int> g_renders{0};

LRESULT CALLBACK SlowOwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_RENDERFORMAT) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  ++g_renders;
  ::WaitForSingleObject(g_render.get(), 20000);
  static const wchar_t kText[] = L"rendered late";
  testing::PutBlock(CF_UNICODETEXT, kText, sizeof kText);
  return 0;
}

// The owner's thread: takes the clipboard with a promise of text, then
// answers messages until told to end.
DWORD WINAPI SlowOwner(void* ready) {
  const TestWindow owner{L""};
  ::SetWindowLongPtrW(owner.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SlowOwnerProc));
  if (::OpenClipboard(owner.get())) {
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, nullptr);
    ::CloseClipboard();
  }
  ::SetEvent(ready);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  return 0;
}

// The owner takes the clipboard on a thread of its own; `lateRequest_` is asked
// for by the reads the test no longer waits for.
class SlowRender : public ::testing::Test {
 protected:
  void SetUp() override {
    g_renders = 0;
    g_render.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const win32::KernelHandle ready{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    owner_.reset(::CreateThread(nullptr, 0, &SlowOwner, ready.get(), 0, &ownerThread_));
    ASSERT_EQ(::WaitForSingleObject(ready.get(), 5000), WAIT_OBJECT_0);
  }
  void TearDown() override {
    ::SetEvent(g_render.get());
    ::PostThreadMessageW(ownerThread_, WM_QUIT, 0, 0);
    ::WaitForSingleObject(owner_.get(), 5000);
    PumpMessages();
  }

  // A read that the window may wait for only its bound.
  ClipboardRead TimedRead(ClipboardReader& reader) {
    const DWORD start = ::GetTickCount();
    ClipboardRead read = reader.Read(lateRequest_);
    EXPECT_LT(::GetTickCount() - start, kReadWaitMs + 500) << "the window waited too long";
    return read;
  }

  // Lets the owner render; true once a read that returned asks for a refresh.
  bool RenderedAndAsked() {
    ::SetEvent(g_render.get());
    MSG msg;
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000;) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
      if (::PeekMessageW(&msg, window_.get(), RefreshRequest::kMessage, RefreshRequest::kMessage,
                         PM_REMOVE))
        return true;
    }
    return false;
  }

  // The text once the reads that waited have returned: asked again as the
  // window asks at each refresh request, for up to 5 s.
  Text LateText(ClipboardReader& reader) {
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 5000; ::Sleep(50)) {
      const ClipboardRead read = reader.Read(lateRequest_);
      if (read.snapshot) return read.snapshot->text;
    }
    return u"(nothing read)";
  }

  TestWindow window_{L"hooked"};
  RefreshRequest lateRequest_{window_.get()};
  win32::KernelHandle owner_;
  DWORD ownerThread_ = 0;
};

TEST_F(SlowRender, TheWindowWaitsABoundedTimeTakesTheTextLateAndAsksTheOwnerOnce) {
  ClipboardReader reader;
  for (int read = 0; read < 3; ++read) {
    SCOPED_TRACE(read);
    const ClipboardRead busy = TimedRead(reader);
    EXPECT_FALSE(busy.snapshot);
    EXPECT_EQ(busy.unread, Unread::ReaderBusy);
  }
  EXPECT_TRUE(RenderedAndAsked()) << "the read asks for a refresh once it returns";
  EXPECT_EQ(LateText(reader), u"rendered late");
  EXPECT_EQ(g_renders, 1) << "a text on its way is not asked for again";
}

TEST_F(SlowRender, AReadStuckPastItsBoundIsLeftToItsThreadAndNoMoreThanTwoAreLeft) {
  ClipboardReader reader(0);  // every read that the window stops waiting for is stuck
  ClipboardRead reads[kMaxWaitingReads + 1];
  for (ClipboardRead& read : reads) {
    read = TimedRead(reader);
    EXPECT_FALSE(read.snapshot);
  }
  EXPECT_EQ(reads[0].unread, Unread::ReaderBusy);
  // The next thread finds the clipboard held by the stuck one (Windows), or
  // is let in and waits on the same owner (Wine lets another thread of the
  // process open it while the first waits); once kMaxWaitingReads threads
  // are left waiting, a read says at once that the reader is busy.
  if (reads[1].unread == Unread::ReaderBusy) {
    EXPECT_EQ(reads[2].unread, Unread::ReaderBusy);
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(reader.Read(lateRequest_).unread, Unread::ReaderBusy);
    EXPECT_LT(::GetTickCount() - start, 200u);
  } else {
    EXPECT_EQ(reads[1].unread, Unread::HeldOpen);
  }
  EXPECT_TRUE(RenderedAndAsked());
  EXPECT_EQ(LateText(reader), u"rendered late");
}

// A message that another program sends the window while it waits for a
// read is handled inside that wait; there it reads the clipboard again.
constexpr UINT kReadInside = WM_APP + 7;
ClipboardReader* g_reader = nullptr;
RefreshRequest g_lateRequest;
ClipboardRead g_readInside;

LRESULT CALLBACK ReadsInsideProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kReadInside) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  ::SetEvent(g_render.get());  // the owner renders while this read waits too
  g_readInside = g_reader->Read(g_lateRequest);
  return 0;
}

DWORD WINAPI SendReadInside(void* window) {
  ::Sleep(200);  // the window waits for its read by now
  ::SendMessageW(static_cast<HWND>(window), kReadInside, 0, 0);
  return 0;
}

TEST_F(SlowRender, AReadAskedForWhileTheWindowWaitsForOneSharesItsContent) {
  ClipboardReader reader;
  g_reader = &reader;
  g_lateRequest = lateRequest_;
  g_readInside = {};
  const LONG_PTR proc =
      ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReadsInsideProc));
  const win32::KernelHandle sender{::CreateThread(nullptr, 0, &SendReadInside, window_.get(), 0, nullptr)};
  const ClipboardRead outer = TimedRead(reader);
  ::WaitForSingleObject(sender.get(), 5000);
  ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, proc);
  ASSERT_TRUE(g_readInside.snapshot && outer.snapshot) << "one was told that the reader is busy";
  EXPECT_EQ(g_readInside.snapshot->text, u"rendered late");
  EXPECT_EQ(outer.snapshot->text, u"rendered late");
  EXPECT_EQ(g_renders, 1) << "one read for both";
}

}  // namespace
}  // namespace tarnwick::clipboard
