#include "clipboard/win32/mHookClipboard.h"

#include "clipboard/ChainWatch.h"
#include "clipboard/RecaseBurstGuard.h"
#include "clipboard/RefreshGate.h"
#include "clipboard/win32/ClipboardAccess.h"
#include "common/win32/Window.h"
#include "errors/win32/ApiCall.h"
#include "env/win32/OSVersionWin32.h"

namespace tarnwick::mHookClipboard {

bool bWritingClipboard = false;

namespace {

WNDPROC lpPrevWndProc = nullptr;
HWND hNextViewer = nullptr;
// How the clipboard's changes reach the window now.
enum class Listening { None, ViewerChain, FormatListener };
Listening listening = Listening::None;
ClipboardViewerClient* viewerClient = nullptr;
clipboard::RefreshGate refreshGate;
clipboard::ChainWatch chainWatch;
clipboard::RecaseBurstGuard burstGuard;

// A nested notification during a refresh is looked at again afterwards,
// but a platform that re-announces the same content is not followed forever.
constexpr int kMaxRefreshRounds = 4;

// Posted by RequestRefresh; private to the hooked window.
constexpr UINT kRefreshRequest = WM_APP + 0x308;

// The periodic look at the chain's health, once a second.
constexpr UINT_PTR kChainCheckTimer = 0x308;
constexpr UINT kChainCheckMs = 1000;
constexpr UINT kFirstViewerAnswerMs = 250;

// WM_CLIPBOARDUPDATE, which headers for systems before Vista do not define.
constexpr UINT kClipboardUpdate = 0x031D;

// The format listener's two functions, looked up at run time: a program
// that imported them would not start on Windows 2000 or XP.
class FormatListenerFunctions {
 public:
  static const FormatListenerFunctions& Instance() {
    static const FormatListenerFunctions functions;
    return functions;
  }
  bool Offered() const { return add_ != nullptr && remove_ != nullptr; }
  bool Add(HWND window) const { return Offered() && add_(window) != FALSE; }
  void Remove(HWND window) const {
    if (Offered()) remove_(window);
  }

 private:
  using Function = BOOL(WINAPI*)(HWND);
  FormatListenerFunctions()
      : add_(Find("AddClipboardFormatListener")), remove_(Find("RemoveClipboardFormatListener")) {}
  static Function Find(const char* name) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
  }
  Function add_, remove_;
};

// One refresh: the field shows the content, Auto mode runs. False when the
// clipboard stayed held open and nothing changed.
bool RefreshOnce(HWND hWnd, DWORD& shownSequence) {
  if (clipboard::IsOwnClipboardChange(hWnd)) return false;
  const auto snapshot = clipboard::ReadClipboard(hWnd);
  if (!snapshot) return false;
  // The same content announced again is not converted a second time.
  if (clipboard::Tracker().AlreadyShown(snapshot->sequence)) return false;
  // An empty text has nothing to convert: no command and no Auto conversion
  // replaces it, so a text the clipboard announced but never handed out is
  // left to its owner rather than overwritten.
  clipboard::Tracker().RecordShown(snapshot->sequence,
                                   snapshot->convertible && !snapshot->text.empty(),
                                   clipboard::FingerprintOf(snapshot->text));
  shownSequence = snapshot->sequence;
  viewerClient->ShowClipboardText(snapshot->text);
  if (burstGuard.AllowsConversion(snapshot->text, ::GetTickCount())) viewerClient->chAuto_Click();
  return true;
}

void RefreshFromClipboard(HWND hWnd) {
  if (viewerClient == nullptr) return;
  clipboard::RefreshScope scope(refreshGate, win32::Window::ModalDepth());
  if (!scope.Entered()) return;  // the running refresh looks again
  for (int round = 0; round < kMaxRefreshRounds; ++round) {
    DWORD shownSequence = 0;
    if (!RefreshOnce(hWnd, shownSequence)) return;
    if (!refreshGate.TakePending()) return;
    if (::GetClipboardSequenceNumber() == shownSequence) return;
  }
}

// A next viewer that ended without leaving the chain is forgotten: nothing
// can be passed on to it.
void DropDeadNextViewer() {
  if (hNextViewer != nullptr && !::IsWindow(hNextViewer)) hNextViewer = nullptr;
}

void PassOn(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  DropDeadNextViewer();
  if (hNextViewer != nullptr) ::SendMessageW(hNextViewer, uMsg, wParam, lParam);
}

// Joins the chain again after changes stopped reaching us. The platform
// returns the viewer that was first until now; when that is none, a dead
// window or ourselves, the next viewer we knew stays next.
void RejoinViewerChain(HWND hWnd) {
  ::ChangeClipboardChain(hWnd, hNextViewer);
  // The notification that joining delivers passes on to the next viewer we
  // knew, which has missed the same changes, and refreshes only when the
  // content is one the field does not show yet.
  const HWND first = ::SetClipboardViewer(hWnd);
  if (first != nullptr && first != hWnd && ::IsWindow(first)) hNextViewer = first;
  DropDeadNextViewer();
}

// Leaving and joining message the chain's first viewer and wait for it; a
// first viewer that does not answer (hung, not ended) would hang us too, so
// the rejoin waits for a later check.
bool FirstViewerAnswers(HWND hWnd) {
  const HWND first = ::GetClipboardViewer();
  if (first == nullptr || first == hWnd || !::IsWindow(first)) return true;
  DWORD_PTR ignored = 0;
  return ::SendMessageTimeoutW(first, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               kFirstViewerAnswerMs, &ignored) != 0;
}

void CheckChain(HWND hWnd) {
  DropDeadNextViewer();
  const DWORD sequence = ::GetClipboardSequenceNumber();
  if (clipboard::Tracker().IsOwnSequence(sequence)) chainWatch.Announced(sequence);
  if (chainWatch.NeedsRejoin(sequence) && FirstViewerAnswers(hWnd)) RejoinViewerChain(hWnd);
}

void OnChainChanged(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) == hNextViewer) {
    hNextViewer = reinterpret_cast<HWND>(lParam);
  } else {
    PassOn(WM_CHANGECBCHAIN, wParam, lParam);
  }
}

}  // namespace

void SetViewerClient(ClipboardViewerClient* client) { viewerClient = client; }

void HookForm(const win32::FormRef& frm) {
  lpPrevWndProc = reinterpret_cast<WNDPROC>(win32::ApiCall([&] {
    return ::SetWindowLongPtrW(frm.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClipboardWndProc));
  }));
}

void UnhookForm(const win32::FormRef& frm) {
  win32::ApiCall([&] {
    return ::SetWindowLongPtrW(frm.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(lpPrevWndProc));
  });
}

void StartClipboardNotifications(const win32::FormRef& frm) {
  StartClipboardNotifications(frm, ChangeNoticeOfThisSystem());
}

void StartClipboardNotifications(const win32::FormRef& frm, clipboard::ChangeNotice wanted) {
  if (wanted == clipboard::ChangeNotice::FormatListener &&
      win32::ApiCall([&] { return FormatListenerFunctions::Instance().Add(frm.hwnd); })) {
    listening = Listening::FormatListener;
    // The listener announces later changes only; the current content is
    // shown now, inside the call, as joining the chain shows it.
    ::SendMessageW(frm.hwnd, kClipboardUpdate, 0, 0);
    return;
  }
  listening = Listening::ViewerChain;
  hNextViewer = win32::ApiCall([&] { return ::SetClipboardViewer(frm.hwnd); });
  ::SetTimer(frm.hwnd, kChainCheckTimer, kChainCheckMs, nullptr);
}

void StopClipboardNotifications(const win32::FormRef& frm) {
  if (listening == Listening::FormatListener) {
    FormatListenerFunctions::Instance().Remove(frm.hwnd);
  } else if (listening == Listening::ViewerChain) {
    ::KillTimer(frm.hwnd, kChainCheckTimer);
    win32::ApiCall([&] { return ::ChangeClipboardChain(frm.hwnd, hNextViewer); });
  }
  listening = Listening::None;
  hNextViewer = nullptr;
}

clipboard::ChangeNotice ChangeNoticeOfThisSystem() {
  return clipboard::ChooseChangeNotice(FormatListenerFunctions::Instance().Offered(),
                                       mOSVersion::QueryOSVersionFacts());
}

bool FormatListenerActive() { return listening == Listening::FormatListener; }

void NoteAutoOutput(const Text& written) { burstGuard.RecordOutput(written); }

void RemoveClipboardHook(const win32::FormRef& frm) {
  StopClipboardNotifications(frm);
  UnhookForm(frm);
}

HWND NextViewer() { return hNextViewer; }

void RequestRefresh(HWND hookedWindow) {
  ::PostMessageW(hookedWindow, kRefreshRequest, 0, 0);
}

LRESULT CALLBACK ClipboardWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  try {
    result = ::CallWindowProcW(lpPrevWndProc, hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_DRAWCLIPBOARD) {
      chainWatch.Announced(::GetClipboardSequenceNumber());
      PassOn(uMsg, wParam, lParam);
      if (!bWritingClipboard) RefreshFromClipboard(hWnd);
    } else if (uMsg == kClipboardUpdate) {
      // Posted, so the ones that our own writes cause come after the write;
      // the record of our writes tells them apart. One still queued when
      // the listener was removed is not handled.
      if (listening == Listening::FormatListener && !bWritingClipboard) RefreshFromClipboard(hWnd);
    } else if (uMsg == WM_CHANGECBCHAIN) {
      OnChainChanged(wParam, lParam);
    } else if (uMsg == kRefreshRequest) {
      if (!bWritingClipboard) RefreshFromClipboard(hWnd);
    } else if (uMsg == WM_TIMER && wParam == kChainCheckTimer) {
      if (!bWritingClipboard) CheckChain(hWnd);
    }
  } catch (...) {
    // Nothing may leave a window procedure; the event handlers below trap
    // and report their own failures.
  }
  return result;
}

}  // namespace tarnwick::mHookClipboard
