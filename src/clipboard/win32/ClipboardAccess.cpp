#include "clipboard/win32/ClipboardAccess.h"

#include "clipboard/ClipboardText.h"
#include "common/win32/Handles.h"
#include "clipboard/win32/GlobalMemory.h"
#include "clipboard/win32/mHookClipboard.h"
#include "errors/ErrInfo.h"
#include "errors/win32/ApiCall.h"

#include <utility>

namespace tarnwick::clipboard {

namespace {

UINT RegisteredFormat(const wchar_t* name) { return ::RegisterClipboardFormatW(name); }

bool HasFormat(UINT format) { return format != 0 && ::IsClipboardFormatAvailable(format); }

// The DWORD that a format holds, read within the block's size.
std::optional<std::uint32_t> DwordOfFormat(UINT format) {
  if (!HasFormat(format)) return std::nullopt;
  LockedGlobal lock(::GetClipboardData(format));
  if (lock.data() == nullptr || lock.bytes() < sizeof(DWORD)) return std::nullopt;
  return *static_cast<const DWORD*>(lock.data());
}

// Facts of the open clipboard's content.
ContentFacts ReadContentFacts() {
  static const UINT ignoreFormat = RegisteredFormat(L"Clipboard Viewer Ignore");
  static const UINT excludeFormat =
      RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing");
  static const UINT historyFormat = RegisteredFormat(L"CanIncludeInClipboardHistory");
  ContentFacts facts;
  facts.hasText = HasFormat(CF_UNICODETEXT);
  facts.ignoreMark = HasFormat(ignoreFormat);
  facts.excludeMark = HasFormat(excludeFormat);
  facts.historyPermission = DwordOfFormat(historyFormat);
  return facts;
}

// The open clipboard's text; nothing when the text that the clipboard
// announces is not handed out (an owner that renders nothing, or Wine's X11
// bridge busy fetching the selection for another program).
std::optional<Text> ReadOpenClipboardText() {
  LockedGlobal lock(tarnwick::win32::ApiCall([] { return ::GetClipboardData(CF_UNICODETEXT); }));
  if (lock.data() == nullptr) return std::nullopt;
  return TextFromUnicodeBlock(lock.data(), lock.bytes());
}

// A text announced but not handed out is asked for again a few times, the
// clipboard closed in between so that whoever is busy with it can finish.
constexpr int kTextTries = 5;
constexpr DWORD kTextRetryPauseMs = 100;

// One look: open, facts, text, close. `withheld` tells that the clipboard
// announced text but did not hand it out; the text is empty then.
std::optional<ClipboardSnapshot> LookOnce(bool& withheld) {
  ClipboardSession session(nullptr);
  if (!session.IsOpen()) return std::nullopt;
  ClipboardSnapshot snapshot{{}, IsConvertible(ReadContentFacts()), 0};
  std::optional<Text> text;
  if (snapshot.convertible) text = ReadOpenClipboardText();
  withheld = snapshot.convertible && !text;
  snapshot.text = std::move(text).value_or(Text());
  // Read while the clipboard is open, so it names the content just read.
  snapshot.sequence = ::GetClipboardSequenceNumber();
  return snapshot;
}

// One read on the calling thread. Text that stays announced but is never
// handed out reads as empty.
std::optional<ClipboardSnapshot> ReadHere() {
  for (int attempt = 1;; ++attempt) {
    bool withheld = false;
    std::optional<ClipboardSnapshot> snapshot = LookOnce(withheld);
    if (!withheld || attempt == kTextTries) return snapshot;
    ::Sleep(kTextRetryPauseMs);
  }
}

// Reads the clipboard on a thread of its own. An owner that promised text
// and never renders it blocks GetClipboardData for as long as it hangs;
// that thread waits then, not the window. The window waits a bounded time
// and takes a late result once it arrives. The reader opens and closes the
// clipboard itself: only the opening thread may close it.
class BackgroundReader {
 public:
  // Lives as long as the process: a read that never returns must not hold
  // up the program's end by being waited for, nor be freed under it.
  static BackgroundReader& Instance() {
    static BackgroundReader* reader = new BackgroundReader;
    return *reader;
  }

  std::optional<ClipboardSnapshot> Read(HWND window) {
    {
      const auto locked = win32::Enter(lock_);
      if (late_ && late_->sequence == ::GetClipboardSequenceNumber())
        return std::exchange(late_, std::nullopt);
      late_.reset();
      if (state_ != State::Idle) return std::nullopt;  // a read still waits for its owner
      if (!Started()) return ReadHere();
      state_ = State::Requested;
      window_ = window;
    }
    ::SetEvent(requested_.get());
    WaitForResult();
    const auto locked = win32::Enter(lock_);
    ::ResetEvent(finished_.get());
    if (state_ != State::Done) {
      state_ = State::Abandoned;
      return std::nullopt;
    }
    state_ = State::Idle;
    return std::exchange(result_, std::nullopt);
  }

 private:
  enum class State { Idle, Requested, Done, Abandoned };

  BackgroundReader()
      : requested_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ::InitializeCriticalSection(&lock_);
  }

  bool Started() {
    if (thread_) return true;
    if (!requested_ || !finished_) return false;
    thread_.reset(::CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
    return static_cast<bool>(thread_);
  }

  // Messages sent to the window meanwhile are handled, as they are while
  // the window's own thread opens the clipboard: Wine's clipboard bridge
  // can send a notification and wait for it before it hands out the text.
  void WaitForResult() {
    const DWORD start = ::GetTickCount();
    const DWORD bound = WaitBound();
    HANDLE finished = finished_.get();
    for (;;) {
      const DWORD elapsed = ::GetTickCount() - start;
      if (elapsed >= bound) return;
      const DWORD woke = ::MsgWaitForMultipleObjects(1, &finished, FALSE, bound - elapsed,
                                                     QS_SENDMESSAGE);
      if (woke != WAIT_OBJECT_0 + 1) return;
      MSG msg;
      ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
  }

  DWORD WaitBound() {
    const auto locked = win32::Enter(lock_);
    const DWORD twice = lastReadMs_ > kLongestReadWaitMs / 2 ? kLongestReadWaitMs : 2 * lastReadMs_;
    return twice > kReadWaitMs ? twice : kReadWaitMs;
  }

  static DWORD WINAPI ThreadMain(void* self) {
    static_cast<BackgroundReader*>(self)->Serve();
    return 0;
  }

  void Serve() {
    for (;;) {
      if (::WaitForSingleObject(requested_.get(), INFINITE) != WAIT_OBJECT_0) return;
      std::optional<ClipboardSnapshot> snapshot;
      const DWORD start = ::GetTickCount();
      try {
        snapshot = ReadHere();
      } catch (...) {
        // No memory for the text: the content reads as not readable.
      }
      Deliver(std::move(snapshot), ::GetTickCount() - start);
    }
  }

  void Deliver(std::optional<ClipboardSnapshot> snapshot, DWORD tookMs) {
    const auto locked = win32::Enter(lock_);
    lastReadMs_ = tookMs;
    if (state_ == State::Requested) {
      result_ = std::move(snapshot);
      state_ = State::Done;
      ::SetEvent(finished_.get());
      return;
    }
    // The window stopped waiting: it takes this content when it asks again.
    late_ = std::move(snapshot);
    state_ = State::Idle;
    mHookClipboard::RequestRefresh(window_);
  }

  win32::KernelHandle requested_, finished_, thread_;
  CRITICAL_SECTION lock_;
  State state_ = State::Idle;
  DWORD lastReadMs_ = 0;  // how long the last finished read took
  HWND window_ = nullptr;
  std::optional<ClipboardSnapshot> result_, late_;
};

}  // namespace

ClipboardSession::ClipboardSession(HWND owner, int tries) {
  for (int attempt = 0; attempt < tries; ++attempt) {
    if (attempt != 0) ::Sleep(kOpenRetryPauseMs);
    open_ = tarnwick::win32::ApiCall([&] { return ::OpenClipboard(owner) != FALSE; });
    if (open_) return;
  }
}

ClipboardSession::~ClipboardSession() {
  if (open_) ::CloseClipboard();
}

std::optional<ClipboardSnapshot> ReadClipboard(HWND owner) {
  return BackgroundReader::Instance().Read(owner);
}

ClipboardTracker& Tracker() {
  static ClipboardTracker tracker;
  return tracker;
}

bool IsOwnClipboardChange(HWND ownWindow) {
  const bool ownedByUs = ownWindow != nullptr && ::GetClipboardOwner() == ownWindow;
  return Tracker().IsOwnChange(ownedByUs, ::GetClipboardSequenceNumber());
}

ClipboardReplacement::~ClipboardReplacement() { Close(); }

void ClipboardReplacement::Close() {
  session_.reset();
  if (began_) Tracker().EndOwnWrite(::GetClipboardSequenceNumber(), wrote_, written_);
  began_ = false;
}

bool ClipboardReplacement::ContentIsStillShown(const std::optional<ClipboardSnapshot>& newer) {
  const DWORD sequence = ::GetClipboardSequenceNumber();
  if (Tracker().MayReplace(sequence)) return true;
  if (newer && newer->sequence == sequence && newer->convertible &&
      Tracker().MayReplaceSameText(FingerprintOf(newer->text)))
    return true;
  // Newer content: its notification may have arrived while this
  // replacement held the clipboard and been taken as ours, so the refresh
  // is asked for again.
  mHookClipboard::RequestRefresh(owner_);
  return false;
}

bool ClipboardReplacement::Clear() {
  // Content newer than the field is compared by its text, read before the
  // clipboard is opened here: that read may meet an owner that never
  // renders, and only the background reader can afford to wait for one.
  std::optional<ClipboardSnapshot> newer;
  if (!Tracker().MayReplace(::GetClipboardSequenceNumber())) {
    newer = ReadClipboard(owner_);
    if (!newer) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  }
  session_.emplace(owner_);
  if (!session_->IsOpen()) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  if (!ContentIsStillShown(newer)) return false;
  Tracker().BeginOwnWrite();
  began_ = true;
  if (!tarnwick::win32::ApiCall([] { return ::EmptyClipboard() != FALSE; }))
    mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  cleared_ = true;
  return true;
}

void ClipboardReplacement::Put(TextView text) {
  if (!cleared_) return;
  win32::GlobalBlock block(tarnwick::win32::RequiredApiCall(
      [&] { return ::GlobalAlloc(GMEM_MOVEABLE, UnicodeBlockBytes(text)); },
      mErrTrap::rt::OutOfMemory));
  {
    LockedGlobal lock(block.get());
    if (lock.data() == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
    WriteUnicodeBlock(text, lock.data());
  }
  const bool placed = tarnwick::win32::ApiCall(
      [&] { return ::SetClipboardData(CF_UNICODETEXT, block.get()) != nullptr; });
  if (!placed) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  block.release();  // the clipboard owns the block now
  wrote_ = true;
  written_ = FingerprintOf(text);
}

}  // namespace tarnwick::clipboard
