// One replacement of the clipboard's content by the program, in the two
// numbered statements of a command: Clear, then Put. The guards keep other
// programs' content safe: a clipboard held open by another program, content
// that holds no text or is marked private, and content newer than what the
// field shows are never overwritten.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "clipboard/ClipboardTracker.h"
#include "clipboard/FormattedVersions.h"
#include "clipboard/win32/ClipboardHook.h"
#include "clipboard/win32/ClipboardSnapshot.h"
#include "common/Text.h"
#include "common/win32/Handles.h"

namespace tarnwick::clipboard {

// Closing the clipboard and the bookkeeping happen at scope end, whatever
// failed.
class ClipboardReplacement {
 public:
  // `owner`: the window that will own the new content.
  ClipboardReplacement(ClipboardHook& hook, HWND owner) : hook_(hook), owner_(owner) {}
  ~ClipboardReplacement();
  ClipboardReplacement(const ClipboardReplacement&) = delete;
  ClipboardReplacement& operator=(const ClipboardReplacement&) = delete;

  // Opens and empties the clipboard. Returns false, touching nothing, when
  // the content is not the convertible text the field shows (no text, a
  // private copy, or a newer copy by another program). Raises run-time
  // error 521 when the clipboard cannot be opened or emptied, or when newer
  // content cannot be read to compare it.
  bool Clear();
  // Puts the text, its formatted versions, its locale and its word on the
  // cloud clipboard on the emptied clipboard, the richer formats first, as
  // copying programs order them. Raises 7 when no memory is left for the
  // text and 521 when the clipboard refuses it or the word on the cloud
  // clipboard, leaving the clipboard empty: a copy kept off the cloud never
  // goes there converted. A formatted version or the locale that finds no
  // memory or is refused is left out: the text is what the user converted.
  // Does nothing after a Clear that returned false.
  void Put(TextView text, const FormattedVersions& formatted = {});
  // Closes the clipboard (its change notifications arrive now, still taken
  // as ours) and records the new content. Runs at scope end if not before.
  void Close();

 private:
  bool ContentIsStillShown(const std::optional<ClipboardSnapshot>& newer);
  // Hands the block to the clipboard as `format`, which then owns it; every
  // format of one replacement goes on between one Clear and Close. False,
  // the block still ours, when the clipboard refuses it.
  bool PutBlock(UINT format, win32::GlobalBlock& block);
  // A formatted version, when there is one and memory for it: true once the
  // clipboard holds it.
  bool PutFormatted(UINT format, const std::optional<std::string>& version);
  // A DWORD of the copy's (its locale, its word on the cloud clipboard)
  // beside the text, when it had one: false when it had one and it finds no
  // memory or is refused.
  bool PutDword(UINT format, std::optional<std::uint32_t> value);

  ClipboardHook& hook_;
  HWND owner_;
  std::optional<ClipboardSession> session_;
  TextFingerprint written_;
  bool began_ = false;
  bool cleared_ = false;
  bool wrote_ = false;
};

}  // namespace tarnwick::clipboard
