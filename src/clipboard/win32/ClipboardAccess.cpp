#include "clipboard/win32/ClipboardAccess.h"

#include "clipboard/ClipboardText.h"
#include "clipboard/win32/GlobalMemory.h"
#include "clipboard/win32/mHookClipboard.h"
#include "errors/ErrInfo.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

namespace {

UINT RegisteredFormat(const wchar_t* name) { return ::RegisterClipboardFormatW(name); }

bool HasFormat(UINT format) { return format != 0 && ::IsClipboardFormatAvailable(format); }

// The DWORD that a format holds, read within the block's size.
std::optional<std::uint32_t> DwordOfFormat(UINT format) {
  if (!HasFormat(format)) return std::nullopt;
  GlobalLockGuard lock(::GetClipboardData(format));
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

// The open clipboard's text; a missing or unreadable block reads as empty.
Text ReadOpenClipboardText() {
  GlobalLockGuard lock(::GetClipboardData(CF_UNICODETEXT));
  return TextFromUnicodeBlock(lock.data(), lock.bytes());
}

// The fingerprint of the open clipboard's text, when it is convertible.
std::optional<TextFingerprint> OpenClipboardFingerprint() {
  if (!IsConvertible(ReadContentFacts())) return std::nullopt;
  return FingerprintOf(ReadOpenClipboardText());
}

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
  ClipboardSession session(owner);
  if (!session.IsOpen()) return std::nullopt;
  ClipboardSnapshot snapshot{{}, IsConvertible(ReadContentFacts()), 0};
  if (snapshot.convertible) snapshot.text = ReadOpenClipboardText();
  // Read while the clipboard is open, so it names the content just read.
  snapshot.sequence = ::GetClipboardSequenceNumber();
  return snapshot;
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

bool ClipboardReplacement::ContentIsStillShown() {
  if (Tracker().MayReplace(::GetClipboardSequenceNumber())) return true;
  const auto current = OpenClipboardFingerprint();
  if (current && Tracker().MayReplaceSameText(*current)) return true;
  // Newer content: its notification may have arrived while this
  // replacement held the clipboard and been taken as ours, so the refresh
  // is asked for again.
  mHookClipboard::RequestRefresh(owner_);
  return false;
}

bool ClipboardReplacement::Clear() {
  session_.emplace(owner_);
  if (!session_->IsOpen()) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  if (!ContentIsStillShown()) return false;
  Tracker().BeginOwnWrite();
  began_ = true;
  if (!tarnwick::win32::ApiCall([] { return ::EmptyClipboard() != FALSE; }))
    mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
  cleared_ = true;
  return true;
}

void ClipboardReplacement::Put(TextView text) {
  if (!cleared_) return;
  GlobalBlock block(UnicodeBlockBytes(text));
  if (block.get() == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::OutOfMemory);
  {
    GlobalLockGuard lock(block.get());
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
