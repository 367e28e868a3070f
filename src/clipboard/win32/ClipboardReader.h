// Reads the clipboard on a thread of its own. An owner that promised text
// and hangs while it renders it blocks the read for as long as it hangs;
// that thread waits then, not the window. The window waits a bounded time
// and takes a late result once it arrives. Until then the reader is busy: a
// large text on its way is not asked for a second time. A thread that still
// waits after kStuckReadMs is left to its owner and another one reads, up
// to kMaxWaitingReads threads left waiting at a time; each ends once its
// read returns.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

#include "clipboard/win32/ClipboardSnapshot.h"
#include "clipboard/win32/RefreshRequest.h"

namespace tarnwick::clipboard {

// A read waits this long for the clipboard; an owner that promised text and
// hangs instead makes it give up then. A text that took longer to hand out
// the last time (a large one on a busy machine) is waited for twice that
// long, up to kLongestReadWaitMs: a fixed bound would give up on it again
// at every look and never show it.
inline constexpr DWORD kReadWaitMs = 1000;
inline constexpr DWORD kLongestReadWaitMs = 6000;
inline constexpr DWORD kStuckReadMs = 10000;
inline constexpr std::size_t kMaxWaitingReads = 2;

class ClipboardReader {
 public:
  // `stuckAfterMs`: how long a read may wait before another thread reads.
  explicit ClipboardReader(DWORD stuckAfterMs = kStuckReadMs);
  // A read still waiting for its owner is abandoned, not waited for: its
  // thread ends once the read returns, or with the process.
  ~ClipboardReader();
  ClipboardReader(const ClipboardReader&) = delete;
  ClipboardReader& operator=(const ClipboardReader&) = delete;

  // The current content, or why there is none: the clipboard held open by
  // another program, an owner that does not answer, or no thread free to
  // read (the text still on its way counts as that). A read that the
  // window stops waiting for posts `late` once it returns after all; the
  // next read then takes its content if that is still the clipboard's.
  // A read asked for while the window waits for one (by a message sent to
  // the window meanwhile) shares that one's content.
  // `once`: one try at a text that is announced but not handed out (see
  // ReadSnapshotHere).
  ClipboardRead Read(RefreshRequest late, bool once = false);

 private:
  class Worker;
  // How long the last read that returned took, whichever thread made it.
  std::shared_ptr<std::atomic<DWORD>> lastReadMs_;
  DWORD stuckAfterMs_;
  // The worker that reads next; a worker still busy when a read comes is
  // moved to waiting_ and ends once its read returns.
  std::shared_ptr<Worker> current_;
  std::vector<std::shared_ptr<Worker>> waiting_;
};

}  // namespace tarnwick::clipboard
