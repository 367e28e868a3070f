#include "clipboard/win32/ClipboardHook.h"

#include <utility>

#include "clipboard/win32/FormatListener.h"
#include "common/win32/Window.h"
#include "env/win32/OSVersionWin32.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

bool bWritingClipboard = false;

namespace {

// A nested notification during a refresh is looked at again afterwards,
// but a platform that re-announces the same content is not followed forever.
constexpr int kMaxRefreshRounds = 4;

// The periodic look at the chain's health, once a second.
constexpr UINT_PTR kChainCheckTimer = 0x308;
constexpr UINT kChainCheckMs = 1000;
// Another look at a content that could not be read yet.
constexpr UINT_PTR kReadRetryTimer = 0x309;

}  // namespace

ChangeNotice ChangeNoticeOfThisSystem() {
  return ChooseChangeNotice(FormatListener::Instance().Offered(), mOSVersion::QueryOSVersionFacts());
}

void ClipboardHook::StartNotifications(HWND window) {
  StartNotifications(window, ChangeNoticeOfThisSystem());
}

void ClipboardHook::StartNotifications(HWND window, ChangeNotice wanted) {
  window_ = window;
  if (wanted == ChangeNotice::FormatListener &&
      win32::ApiCall([&] { return FormatListener::Instance().Add(window); })) {
    listening_ = Listening::FormatListener;
    // The listener announces later changes only; the current content is
    // shown now, inside the call, as joining the chain shows it.
    ::SendMessageW(window, kClipboardUpdate, 0, 0);
    return;
  }
  listening_ = Listening::ViewerChain;
  chain_.Join(window);
  ::SetTimer(window, kChainCheckTimer, kChainCheckMs, nullptr);
}

void ClipboardHook::StopNotifications() {
  StopRetrying();
  if (listening_ == Listening::FormatListener) {
    FormatListener::Instance().Remove(window_);
  } else if (listening_ == Listening::ViewerChain) {
    ::KillTimer(window_, kChainCheckTimer);
    chain_.Leave(window_);
  }
  listening_ = Listening::None;
}

std::optional<LRESULT> ClipboardHook::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      if (listening_ != Listening::ViewerChain) return 0;
      chainWatch_.Announced(::GetClipboardSequenceNumber());
      // The other viewers always learn of the change, ours or not.
      chain_.PassOn(message, wParam, lParam);
      if (!bWritingClipboard) RefreshFromClipboard();
      return 0;
    case kClipboardUpdate:
      // Posted, so the ones that our own writes cause come after the write;
      // the record of our writes tells them apart. One still queued when
      // the listener was removed is not handled.
      if (listening_ == Listening::FormatListener && !bWritingClipboard) RefreshFromClipboard();
      return 0;
    case WM_CHANGECBCHAIN:
      if (listening_ == Listening::ViewerChain) chain_.OnChainChanged(wParam, lParam);
      return 0;
    case RefreshRequest::kMessage:
      if (listening_ != Listening::None && !bWritingClipboard) RefreshFromClipboard();
      return 0;
    case WM_TIMER:
      if (wParam == kReadRetryTimer) {
        if (listening_ != Listening::None && !bWritingClipboard) RefreshFromClipboard();
        return 0;
      }
      if (wParam != kChainCheckTimer) return std::nullopt;
      if (listening_ == Listening::ViewerChain && !bWritingClipboard) CheckChain();
      return 0;
    default:
      return std::nullopt;
  }
}

bool ClipboardHook::IsOwnClipboardChange() const {
  const bool ownedByUs = ::GetClipboardOwner() == window_;
  return tracker_.IsOwnChange(ownedByUs, ::GetClipboardSequenceNumber());
}

// One refresh: the field shows the content, Auto mode runs. False when the
// clipboard stayed held open and nothing changed.
bool ClipboardHook::RefreshOnce(DWORD& shownSequence) {
  if (IsOwnClipboardChange()) return false;
  // The content the field shows, announced again: nothing to read. A burst
  // of notifications that queued up behind a slow one costs nothing then.
  if (tracker_.AlreadyShown(::GetClipboardSequenceNumber())) {
    StopRetrying();
    return false;
  }
  // A content tried again on the timer gets one look each time: the timer
  // spaces the tries, and the window is not held up between them.
  const bool retried = readRetry_.Retries(::GetClipboardSequenceNumber());
  std::optional<ClipboardSnapshot> snapshot = reader_.Read(Refresh(), retried).snapshot;
  // A command that ran while the read waited (a message that another
  // program sent the window is handled meanwhile) may have replaced the
  // content: the field shows that, not the older content just read.
  if (tracker_.AlreadyShown(::GetClipboardSequenceNumber())) {
    StopRetrying();
    return false;
  }
  if (!snapshot) {
    ReadFailed();
    return false;
  }
  if (snapshot->mayRenderLate) {
    // Its text is announced but not handed out yet: the field shows none
    // meanwhile, and the content is tried again as one held open is, so
    // that a text handed out late is still shown and converted.
    client_.KeepFormattedVersions({});
    client_.ShowClipboardText(snapshot->text);
    ReadFailed();
    return false;
  }
  StopRetrying();
  // The same content announced again is not converted a second time.
  if (tracker_.AlreadyShown(snapshot->sequence)) return false;
  // An empty text has nothing to convert: no command and no Auto conversion
  // replaces it, so a text the clipboard announced but never handed out is
  // left to its owner rather than overwritten.
  tracker_.RecordShown(snapshot->sequence, snapshot->convertible && !snapshot->text.empty(),
                       FingerprintOf(snapshot->text, snapshot->formatted));
  shownSequence = snapshot->sequence;
  client_.KeepFormattedVersions(std::move(snapshot->formatted));
  client_.ShowClipboardText(snapshot->text);
  if (burstGuard_.AllowsConversion(snapshot->text, ::GetTickCount())) client_.chAuto_Click();
  return true;
}

// A refresh reads the clipboard as it is now, so the notifications and
// requests still queued behind the one being handled would only read the
// same content again: they go. A burst of copies then costs one read per
// message the window gets to, not one per copy, and what the window posts
// for itself (the field's view) waits behind none of them.
void ClipboardHook::DropQueuedRefreshes() const {
  MSG queued;
  for (const UINT message : {kClipboardUpdate, RefreshRequest::kMessage}) {
    while (::PeekMessageW(&queued, window_, message, message, PM_REMOVE | PM_NOYIELD)) {
    }
  }
}

void ClipboardHook::RefreshFromClipboard() {
  RefreshScope scope(refreshGate_, win32::Window::ModalDepth());
  if (!scope.Entered()) return;  // the running refresh looks again
  DropQueuedRefreshes();
  for (int round = 0; round < kMaxRefreshRounds; ++round) {
    DWORD shownSequence = 0;
    if (!RefreshOnce(shownSequence)) return;
    if (!refreshGate_.TakePending()) return;
    if (::GetClipboardSequenceNumber() == shownSequence) return;
  }
}

void ClipboardHook::ReadFailed() {
  const DWORD sequence = ::GetClipboardSequenceNumber();
  if (tracker_.AlreadyShown(sequence)) return StopRetrying();
  const DWORD now = ::GetTickCount();
  if (readRetry_.Failed(sequence, now)) {
    ::SetTimer(window_, kReadRetryTimer, readRetry_.NextTryInMs(now), nullptr);
    return;
  }
  // Given up: the field shows that this content's text could not be read.
  // It is not recorded as shown, so a read that succeeds later, or a
  // late result of one still waiting, still shows and converts it.
  ::KillTimer(window_, kReadRetryTimer);
  client_.ShowClipboardText(Text());
}

void ClipboardHook::StopRetrying() {
  if (!readRetry_.Waiting()) return;  // the usual case: no timer to stop
  ::KillTimer(window_, kReadRetryTimer);
  readRetry_.Read();
}

void ClipboardHook::CheckChain() {
  chain_.DropDeadNextViewer();
  const DWORD sequence = ::GetClipboardSequenceNumber();
  if (tracker_.IsOwnSequence(sequence)) chainWatch_.Announced(sequence);
  if (chainWatch_.NeedsRejoin(sequence)) chain_.Rejoin(window_);
}

}  // namespace tarnwick::clipboard
