#include "clipboard/win32/ClipboardReplacement.h"

#include "clipboard/ClipboardText.h"
#include "clipboard/win32/FormattedClipboard.h"
#include "clipboard/win32/GlobalMemory.h"
#include "common/win32/Handles.h"
#include "errors/ErrInfo.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

ClipboardReplacement::~ClipboardReplacement() { Close(); }

void ClipboardReplacement::Close() {
  session_.reset();
  if (began_) hook_.Tracker().EndOwnWrite(::GetClipboardSequenceNumber(), wrote_, written_);
  began_ = false;
}

bool ClipboardReplacement::ContentIsStillShown(const std::optional<ClipboardSnapshot>& newer) {
  ClipboardTracker& tracker = hook_.Tracker();
  const DWORD sequence = ::GetClipboardSequenceNumber();
  if (tracker.MayReplace(sequence)) return true;
  if (newer && newer->sequence == sequence && newer->convertible &&
      tracker.MayReplaceSameText(FingerprintOf(newer->text, newer->formatted)))
    return true;
  // Newer content: its notification may have arrived while this
  // replacement held the clipboard and been taken as ours, so the refresh
  // is asked for again.
  hook_.RequestRefresh();
  return false;
}

bool ClipboardReplacement::Clear() {
  // Content newer than the field is compared by its text, read before the
  // clipboard is opened here: that read may meet an owner that never
  // renders, and only the reader's thread can afford to wait for one.
  std::optional<ClipboardSnapshot> newer;
  if (!hook_.Tracker().MayReplace(::GetClipboardSequenceNumber())) {
    newer = hook_.Reader().Read(hook_.Refresh()).snapshot;
    if (!newer) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  }
  session_.emplace(owner_);
  if (!session_->IsOpen()) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  if (!ContentIsStillShown(newer)) return false;
  hook_.Tracker().BeginOwnWrite();
  began_ = true;
  if (!win32::ApiCall([] { return ::EmptyClipboard() != FALSE; }))
    mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  cleared_ = true;
  return true;
}

void ClipboardReplacement::Put(TextView text, const FormattedVersions& formatted) {
  if (!cleared_) return;
  win32::GlobalBlock block(win32::RequiredApiCall(
      [&] { return ::GlobalAlloc(GMEM_MOVEABLE, UnicodeBlockBytes(text)); },
      mErrTrap::rt::OutOfMemory));
  {
    LockedGlobal lock(block.get());
    if (lock.data() == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
    WriteUnicodeBlock(text, lock.data());
  }
  if (!PutDword(CloudUploadClipboardFormat(), formatted.cloudUpload)) {
    ::EmptyClipboard();
    mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  }
  static const std::optional<std::string> kLeftOut;
  const bool rtf = PutFormatted(RtfClipboardFormat(), formatted.rtf);
  const bool html = PutFormatted(HtmlClipboardFormat(), formatted.html);
  if (!PutBlock(CF_UNICODETEXT, block)) {
    ::EmptyClipboard();  // no formatted version without its text
    mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  }
  PutDword(CF_LOCALE, formatted.locale);  // without it, the system gives the keyboard layout's
  wrote_ = true;
  written_ = FingerprintOf(text, html ? formatted.html : kLeftOut, rtf ? formatted.rtf : kLeftOut);
}

bool ClipboardReplacement::PutFormatted(UINT format, const std::optional<std::string>& version) {
  if (!version || format == 0) return false;
  win32::GlobalBlock block = GlobalBlockOf(*version);
  return block && PutBlock(format, block);
}

bool ClipboardReplacement::PutDword(UINT format, std::optional<std::uint32_t> value) {
  if (!value) return true;
  const DWORD dword = *value;
  win32::GlobalBlock block = GlobalBlockOf({reinterpret_cast<const char*>(&dword), sizeof dword});
  return block && format != 0 && PutBlock(format, block);
}

bool ClipboardReplacement::PutBlock(UINT format, win32::GlobalBlock& block) {
  const bool placed =
      win32::ApiCall([&] { return ::SetClipboardData(format, block.get()) != nullptr; });
  if (placed) block.release();  // the clipboard owns the block now
  return placed;
}

}  // namespace tarnwick::clipboard
