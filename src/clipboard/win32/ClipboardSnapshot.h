// The clipboard opened for a moment, and one look at its content on the
// calling thread: the facts of its formats, its text and its sequence
// number, read while it is open. A look that finds the clipboard held by
// another program, or owned by a program that does not answer, says so
// and leaves the clipboard alone.
#pragma once

#include <windows.h>

#include <optional>

#include "clipboard/FormattedVersions.h"
#include "common/Text.h"

namespace tarnwick::clipboard {

// Another program may hold the clipboard open for a moment: a replacement
// tries to open it this often, with this pause in between (about half a
// second). A read tries twice and is tried again later instead.
inline constexpr int kOpenTries = 10;
inline constexpr int kReadOpenTries = 2;
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

// What one look found. Every format read in the same look (its blocks
// beside the text) belongs here, so that they all name one content.
struct ClipboardSnapshot {
  Text text;         // empty unless the content is convertible
  bool convertible;  // see IsConvertible
  DWORD sequence;    // the content's clipboard sequence number
  // Its HTML and RTF, read in the same look as the text and only beside a
  // text that was handed out; an owner that promised one renders it then.
  FormattedVersions formatted{};
  // The content announced text but did not hand it out (an owner that has
  // not rendered it yet, Wine's X11 bridge still fetching it): the text is
  // empty.
  bool withheld = false;
  // Withheld by a program that may still render it: the content is worth
  // another look later. Wine's X11 bridge is not such a program.
  bool mayRenderLate = false;
};

// Why a look found no content to show.
enum class Unread {
  HeldOpen,           // another program held the clipboard open
  OwnerNotAnswering,  // the program that owns the content did not answer
  ReaderBusy,         // every reading thread still waits on an owner
};

// A look's outcome: the content, or why there is none yet.
struct ClipboardRead {
  std::optional<ClipboardSnapshot> snapshot;
  Unread unread = Unread::HeldOpen;  // when there is no snapshot
};

// An owner that promised its text renders it when asked, inside the read,
// while the clipboard is open; one that hangs would hold the read and keep
// the clipboard open for every program. So the owner is asked to answer
// first, within this time, before the clipboard is opened.
inline constexpr DWORD kOwnerAnswerMs = 100;

// One read. Text that the clipboard announces but does not hand out after a
// few tries reads as empty and withheld; `once` makes it one try when the
// owner may still render it, for a content that is tried again on a timer.
// Blocks only while an owner that answered renders its text.
ClipboardRead ReadSnapshotHere(bool once = false);

}  // namespace tarnwick::clipboard
