// Reading and replacing the clipboard text (CF_UNICODETEXT), with the guards
// that keep other programs' content safe: another program holding the
// clipboard open, content that holds no text or is marked private, and
// content newer than what the field shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "clipboard/ClipboardTracker.h"
#include "common/Text.h"

namespace tarnwick::clipboard {

// Another program may hold the clipboard open for a moment: opening is
// tried this often, with this pause in between (about half a second).
inline constexpr int kOpenTries = 10;
inline constexpr DWORD kOpenRetryPauseMs = 50;

// The clipboard opened on behalf of a window, closed at scope end.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner, int tries = kOpenTries);
  ~ClipboardSession();
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
};

struct ClipboardSnapshot {
  Text text;         // empty unless the content is convertible
  bool convertible;  // see IsConvertible
  DWORD sequence;    // the content's clipboard sequence number
};

// A read waits this long for the clipboard; an owner that promised text and
// hangs instead makes it give up then. A text that took longer to hand out
// the last time (a large one on a busy machine) is waited for twice that
// long, up to kLongestReadWaitMs: a fixed bound would give up on it again
// at every look and never show it.
inline constexpr DWORD kReadWaitMs = 1000;
inline constexpr DWORD kLongestReadWaitMs = 6000;

// The current content, or nothing when the clipboard stayed held open by
// another program or its owner did not hand out the text within
// kReadWaitMs. A read that gives up asks `owner` (the hooked window) to
// refresh once the text arrives after all.
std::optional<ClipboardSnapshot> ReadClipboard(HWND owner);

// The program's one record of its own clipboard changes and of the content
// the field shows.
ClipboardTracker& Tracker();

// True when the clipboard change just reported is one that we made.
bool IsOwnClipboardChange(HWND ownWindow);

// One replacement of the clipboard text by the program, in the two numbered
// statements of a command: Clear, then Put. Closing the clipboard and the
// bookkeeping happen at scope end, whatever failed.
class ClipboardReplacement {
 public:
  explicit ClipboardReplacement(HWND owner) : owner_(owner) {}
  ~ClipboardReplacement();
  ClipboardReplacement(const ClipboardReplacement&) = delete;
  ClipboardReplacement& operator=(const ClipboardReplacement&) = delete;

  // Opens and empties the clipboard. Returns false, touching nothing, when
  // the content is not the convertible text the field shows (no text, a
  // private copy, or a newer copy by another program). Raises run-time
  // error 521 when the clipboard cannot be opened or emptied, or when newer
  // content cannot be read to compare it.
  bool Clear();
  // Puts the text on the emptied clipboard. Raises 7 when no memory is left
  // for it and 521 when the clipboard refuses it. Does nothing after a
  // Clear that returned false.
  void Put(TextView text);
  // Closes the clipboard (its change notifications arrive now, still taken
  // as ours) and records the new content. Runs at scope end if not before.
  void Close();

 private:
  bool ContentIsStillShown(const std::optional<ClipboardSnapshot>& newer);

  HWND owner_;
  std::optional<ClipboardSession> session_;
  TextFingerprint written_;
  bool began_ = false;
  bool cleared_ = false;
  bool wrote_ = false;
};

}  // namespace tarnwick::clipboard
