// The clipboard opened for a moment, and one look at its content on the
// calling thread: the facts of its formats, its text and its sequence
// number, read while it is open.
#pragma once

#include <windows.h>

#include <optional>

#include "clipboard/FormattedVersions.h"
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

// What one look found. Every format read in the same look (its blocks
// beside the text) belongs here, so that they all name one content.
struct ClipboardSnapshot {
  Text text;         // empty unless the content is convertible
  bool convertible;  // see IsConvertible
  DWORD sequence;    // the content's clipboard sequence number
  // Its HTML and RTF, read in the same look as the text and only beside a
  // text that was handed out; an owner that promised one renders it then.
  FormattedVersions formatted{};
};

// One read: nothing when the clipboard stayed held open by another
// program. Text that the clipboard announces but never hands out reads as
// empty. Blocks while an owner that promised text renders it.
std::optional<ClipboardSnapshot> ReadSnapshotHere();

}  // namespace tarnwick::clipboard
