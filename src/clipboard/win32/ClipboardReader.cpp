#include "clipboard/win32/ClipboardReader.h"

#include <utility>

#include "common/win32/Handles.h"

namespace tarnwick::clipboard {

// The state that the reading thread shares with the reader: the thread
// holds it too, so that a read that never returns neither frees it under
// the thread nor holds up the reader's end. The thread opens and closes the
// clipboard itself: only the opening thread may close it.
class ClipboardReader::Worker : public std::enable_shared_from_this<Worker> {
 public:
  Worker()
      : requested_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ::InitializeCriticalSection(&lock_);
  }
  ~Worker() { ::DeleteCriticalSection(&lock_); }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  std::optional<ClipboardSnapshot> Read(RefreshRequest late) {
    {
      const auto locked = win32::Enter(lock_);
      if (late_ && late_->sequence == ::GetClipboardSequenceNumber())
        return std::exchange(late_, std::nullopt);
      late_.reset();
      if (state_ != State::Idle) return std::nullopt;  // a read still waits for its owner
      if (!Started()) return ReadSnapshotHere();
      state_ = State::Requested;
      lateRequest_ = late;
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

  // The reader goes: the thread ends once it is idle again.
  void Stop() {
    const auto locked = win32::Enter(lock_);
    stopping_ = true;
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

  static DWORD WINAPI ThreadMain(void* shared) {
    const std::shared_ptr<Worker> self = std::move(*static_cast<std::shared_ptr<Worker>*>(shared));
    delete static_cast<std::shared_ptr<Worker>*>(shared);
    self->Serve();
    return 0;
  }

  void Serve() {
    for (;;) {
      if (::WaitForSingleObject(requested_.get(), INFINITE) != WAIT_OBJECT_0) return;
      {
        const auto locked = win32::Enter(lock_);
        if (stopping_ && state_ != State::Requested) return;
      }
      std::optional<ClipboardSnapshot> snapshot;
      const DWORD start = ::GetTickCount();
      try {
        snapshot = ReadSnapshotHere();
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
    if (!stopping_) lateRequest_.Post();
  }

  win32::KernelHandle requested_, finished_, thread_;
  CRITICAL_SECTION lock_;
  State state_ = State::Idle;
  bool stopping_ = false;
  DWORD lastReadMs_ = 0;  // how long the last finished read took
  RefreshRequest lateRequest_;
  std::optional<ClipboardSnapshot> result_, late_;
};

ClipboardReader::ClipboardReader() : worker_(std::make_shared<Worker>()) {}

ClipboardReader::~ClipboardReader() { worker_->Stop(); }

std::optional<ClipboardSnapshot> ClipboardReader::Read(RefreshRequest late) {
  return worker_->Read(late);
}

}  // namespace tarnwick::clipboard
