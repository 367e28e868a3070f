#include "clipboard/win32/ClipboardReader.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

#include "common/win32/Handles.h"

namespace tarnwick::clipboard {

namespace {

using LastReadMs = std::atomic<DWORD>;

// A text that took longer to hand out the last time is waited for twice
// that long, from kReadWaitMs up to kLongestReadWaitMs.
DWORD WaitBound(DWORD lastReadMs) {
  const DWORD twice = lastReadMs > kLongestReadWaitMs / 2 ? kLongestReadWaitMs : 2 * lastReadMs;
  return twice > kReadWaitMs ? twice : kReadWaitMs;
}

}  // namespace

// One reading thread and the state it shares with the reader: the thread
// holds it too, so that a read that never returns neither frees it under
// the thread nor holds up the reader's end. The thread opens and closes the
// clipboard itself: only the opening thread may close it.
class ClipboardReader::Worker : public std::enable_shared_from_this<Worker> {
 public:
  explicit Worker(std::shared_ptr<LastReadMs> lastReadMs)
      : requested_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        lastReadMs_(std::move(lastReadMs)) {
    ::InitializeCriticalSection(&lock_);
  }
  ~Worker() { ::DeleteCriticalSection(&lock_); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // True while a read runs that the window stopped waiting for.
  bool Busy() {
    const auto locked = win32::Enter(lock_);
    return state_ != State::Idle;
  }
  // How long that read has run.
  DWORD BusyForMs() {
    const auto locked = win32::Enter(lock_);
    return ::GetTickCount() - readSince_;
  }

  // The content of a read that returned after the window stopped waiting,
  // when it is the clipboard's content `sequence`; one of older content is
  // dropped.
  std::optional<ClipboardSnapshot> TakeLate(DWORD sequence) {
    const auto locked = win32::Enter(lock_);
    if (late_ && late_->sequence == sequence) return std::exchange(late_, std::nullopt);
    late_.reset();
    return std::nullopt;
  }

  ClipboardRead Read(RefreshRequest late, bool once) {
    const DWORD bound = WaitBound(lastReadMs_->load());
    {
      const auto locked = win32::Enter(lock_);
      if (!Started()) return ReadSnapshotHere(once);
      state_ = State::Requested;
      readSince_ = ::GetTickCount();
      waitMs_ = bound;
      awaited_ = true;
      lateRequest_ = late;
      once_ = once;
    }
    ::SetEvent(requested_.get());
    WaitForResult(bound);
    const auto locked = win32::Enter(lock_);
    awaited_ = false;
    ::ResetEvent(finished_.get());
    if (state_ != State::Done) {
      state_ = State::Abandoned;
      return {std::nullopt, Unread::ReaderBusy};
    }
    state_ = State::Idle;
    return std::exchange(result_, ClipboardRead{});
  }

  // True while a Read further up the window thread's stack waits for this
  // worker: a message sent to the window meanwhile is handled inside that
  // wait, and may ask for the clipboard again.
  bool Awaited() {
    const auto locked = win32::Enter(lock_);
    return awaited_;
  }
  // That nested request shares the waiting read's result, for as long as
  // the waiting read still waits, rather than finding the reader busy.
  // The result stays for the waiting read.
  ClipboardRead Join() {
    DWORD left = 0;
    {
      const auto locked = win32::Enter(lock_);
      const DWORD waited = ::GetTickCount() - readSince_;
      left = waited < waitMs_ ? waitMs_ - waited : 0;
    }
    WaitForResult(left);
    const auto locked = win32::Enter(lock_);
    if (state_ != State::Done) return {std::nullopt, Unread::ReaderBusy};
    return result_;
  }

  // The thread ends once it is idle: at once, or when its read returns.
  void Retire() {
    const auto locked = win32::Enter(lock_);
    retired_ = true;
    ::SetEvent(requested_.get());
  }

 private:
  enum class State { Idle, Requested, Done, Abandoned };

  bool Started() {
    if (thread_) return true;
    if (!requested_ || !finished_) return false;
    auto* shared = new std::shared_ptr<Worker>(shared_from_this());
    thread_.reset(::CreateThread(nullptr, 0, &ThreadMain, shared, 0, nullptr));
    if (!thread_) delete shared;
    return static_cast<bool>(thread_);
  }

  // Messages sent to the window meanwhile are handled, as they are while
  // the window's own thread opens the clipboard: Wine's clipboard bridge
  // can send a notification and wait for it before it hands out the text.
  void WaitForResult(DWORD bound) {
    const DWORD start = ::GetTickCount();
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

  static DWORD WINAPI ThreadMain(void* shared) {
    const std::shared_ptr<Worker> self = std::move(*static_cast<std::shared_ptr<Worker>*>(shared));
    delete static_cast<std::shared_ptr<Worker>*>(shared);
    self->Serve();
    return 0;
  }

  void Serve() {
    for (;;) {
      if (::WaitForSingleObject(requested_.get(), INFINITE) != WAIT_OBJECT_0) return;
      bool once = false;
      {
        const auto locked = win32::Enter(lock_);
        if (state_ != State::Requested) return;  // retired while idle
        once = once_;
      }
      ClipboardRead read;
      const DWORD start = ::GetTickCount();
      try {
        read = ReadSnapshotHere(once);
      } catch (...) {
        // No memory for the text: the content reads as not readable.
      }
      if (!Deliver(std::move(read), ::GetTickCount() - start)) return;
    }
  }

  // False once the thread is to end.
  bool Deliver(ClipboardRead read, DWORD tookMs) {
    const auto locked = win32::Enter(lock_);
    if (read.snapshot) lastReadMs_->store(tookMs);
    if (state_ == State::Requested) {
      result_ = std::move(read);
      state_ = State::Done;
      ::SetEvent(finished_.get());
      return !retired_;
    }
    // The window stopped waiting: it takes this content when it asks again,
    // and asks again now whether or not the read found any.
    late_ = std::move(read.snapshot);
    state_ = State::Idle;
    lateRequest_.Post();
    return !retired_;
  }

  win32::KernelHandle requested_, finished_, thread_;
  CRITICAL_SECTION lock_;
  State state_ = State::Idle;
  DWORD readSince_ = 0;  // tick count when the running read began
  DWORD waitMs_ = 0;     // how long the window waits for it
  bool awaited_ = false;  // the window waits for it (see Awaited)
  bool retired_ = false;
  std::shared_ptr<LastReadMs> lastReadMs_;
  RefreshRequest lateRequest_;
  bool once_ = false;  // the running read tries a withheld text once
  ClipboardRead result_;
  std::optional<ClipboardSnapshot> late_;
};

ClipboardReader::ClipboardReader(DWORD stuckAfterMs)
    : lastReadMs_(std::make_shared<std::atomic<DWORD>>(0)),
      stuckAfterMs_(stuckAfterMs),
      current_(std::make_shared<Worker>(lastReadMs_)) {}

ClipboardReader::~ClipboardReader() {
  current_->Retire();
  for (const auto& worker : waiting_) worker->Retire();
}

ClipboardRead ClipboardReader::Read(RefreshRequest late, bool once) {
  const DWORD sequence = ::GetClipboardSequenceNumber();
  for (const auto& worker : waiting_) {
    if (auto snapshot = worker->TakeLate(sequence)) return {std::move(snapshot)};
  }
  if (auto snapshot = current_->TakeLate(sequence)) return {std::move(snapshot)};
  if (current_->Awaited()) return current_->Join();
  // Those whose read returned have ended, or end now.
  waiting_.erase(std::remove_if(waiting_.begin(), waiting_.end(),
                                [](const auto& worker) { return !worker->Busy(); }),
                 waiting_.end());
  if (current_->Busy()) {
    if (current_->BusyForMs() < stuckAfterMs_ || waiting_.size() >= kMaxWaitingReads)
      return {std::nullopt, Unread::ReaderBusy};
    current_->Retire();
    waiting_.push_back(std::exchange(current_, std::make_shared<Worker>(lastReadMs_)));
  }
  return current_->Read(late, once);
}

}  // namespace tarnwick::clipboard
