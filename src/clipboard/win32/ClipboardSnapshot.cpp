#include "clipboard/win32/ClipboardSnapshot.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

#include "clipboard/ClipboardText.h"
#include "clipboard/ClipboardTracker.h"
#include "clipboard/win32/FormattedClipboard.h"
#include "clipboard/win32/GlobalMemory.h"
#include "errors/win32/ApiCall.h"

namespace tarnwick::clipboard {

namespace {

UINT RegisteredFormat(const wchar_t* name) { return ::RegisterClipboardFormatW(name); }

bool HasFormat(UINT format) { return format != 0 && ::IsClipboardFormatAvailable(format); }

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
  facts.historyPermission = ReadOpenDword(historyFormat);
  return facts;
}

// The open clipboard's text; nothing when the text that the clipboard
// announces is not handed out (an owner that renders nothing, or Wine's X11
// bridge busy fetching the selection for another program).
std::optional<Text> ReadOpenClipboardText() {
  LockedGlobal lock(win32::ApiCall([] { return ::GetClipboardData(CF_UNICODETEXT); }));
  if (lock.data() == nullptr) return std::nullopt;
  return TextFromUnicodeBlock(lock.data(), lock.bytes());
}

// A text announced but not handed out is asked for again a few times, the
// clipboard closed in between so that whoever is busy with it can finish.
constexpr int kTextTries = 5;
constexpr DWORD kTextRetryPauseMs = 100;

// False when the clipboard's owner is a window of another program that does
// not answer within kOwnerAnswerMs (hung, or busy for longer).
bool OwnerAnswers() {
  const HWND owner = ::GetClipboardOwner();
  DWORD process = 0;
  if (owner == nullptr || !::GetWindowThreadProcessId(owner, &process) ||
      process == ::GetCurrentProcessId())
    return true;
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerAnswerMs,
                               &ignored) != 0;
}

// True when the clipboard's owner is the window through which Wine brings
// copies of X11 programs in. It hands a text out once it has fetched it or
// never; asked again and again meanwhile, it stops bringing copies in.
bool OwnedByX11Bridge() {
  static constexpr wchar_t kBridgeClass[] = L"__wine_clipboard_manager";
  constexpr int kLength = static_cast<int>(std::size(kBridgeClass)) - 1;
  const HWND owner = ::GetClipboardOwner();
  wchar_t name[kLength + 2] = {};
  return owner != nullptr &&
         ::GetClassNameW(owner, name, static_cast<int>(std::size(name))) == kLength &&
         std::memcmp(name, kBridgeClass, sizeof kBridgeClass) == 0;
}

// One look: owner, open, facts, text, close.
ClipboardRead LookOnce() {
  if (!OwnerAnswers()) return {std::nullopt, Unread::OwnerNotAnswering};
  ClipboardSession session(nullptr, kReadOpenTries);
  if (!session.IsOpen()) return {std::nullopt, Unread::HeldOpen};
  ClipboardSnapshot snapshot{{}, IsConvertible(ReadContentFacts()), 0};
  std::optional<Text> text;
  if (snapshot.convertible) text = ReadOpenClipboardText();
  if (text) snapshot.formatted = ReadOpenFormattedVersions();
  snapshot.withheld = snapshot.convertible && !text;
  snapshot.mayRenderLate = snapshot.withheld && !OwnedByX11Bridge();
  snapshot.text = std::move(text).value_or(Text());
  // Read while the clipboard is open, so it names the content just read.
  snapshot.sequence = ::GetClipboardSequenceNumber();
  return {std::move(snapshot)};
}

}  // namespace

ClipboardSession::ClipboardSession(HWND owner, int tries) {
  for (int attempt = 0; attempt < tries; ++attempt) {
    if (attempt != 0) ::Sleep(kOpenRetryPauseMs);
    open_ = win32::ApiCall([&] { return ::OpenClipboard(owner) != FALSE; });
    if (open_) return;
  }
}

ClipboardSession::~ClipboardSession() {
  if (open_) ::CloseClipboard();
}

ClipboardRead ReadSnapshotHere(bool once) {
  for (int attempt = 1;; ++attempt) {
    ClipboardRead read = LookOnce();
    const ClipboardSnapshot* snapshot = read.snapshot ? &*read.snapshot : nullptr;
    if (!snapshot || !snapshot->withheld || attempt == kTextTries) return read;
    if (once && snapshot->mayRenderLate) return read;
    ::Sleep(kTextRetryPauseMs);
  }
}

}  // namespace tarnwick::clipboard
