// Reads the clipboard on a thread of its own. An owner that promised text
// and never renders it blocks the read for as long as it hangs; that thread
// waits then, not the window. The window waits a bounded time and takes a
// late result once it arrives.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

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

class ClipboardReader {
 public:
  ClipboardReader();
  // A read still waiting for its owner is abandoned, not waited for: its
  // thread ends once the read returns, or with the process.
  ~ClipboardReader();
  ClipboardReader(const ClipboardReader&) = delete;
  ClipboardReader& operator=(const ClipboardReader&) = delete;

  // The current content, or nothing when the clipboard stayed held open by
  // another program or its owner did not hand out the text within the
  // wait. A read that gives up posts `late` once the text arrives after
  // all; the next read then takes that content.
  std::optional<ClipboardSnapshot> Read(RefreshRequest late);

 private:
  class Worker;
  std::shared_ptr<Worker> worker_;
};

}  // namespace tarnwick::clipboard
