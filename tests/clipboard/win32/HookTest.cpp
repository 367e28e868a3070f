#include "clipboard/win32/mHookClipboard.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/Window.h"
#include "TestWindows.h"

namespace tarnwick::clipboard {
namespace {

using testing::OtherProgramCopies;
using testing::PumpMessages;
using testing::TestWindow;

// An error dialog that an Auto conversion opened: the program's modal loop.
class ErrorBox final : public win32::Window {
 public:
  ErrorBox() : Window(u"Form11") {
    Create({L"TarnwickTestBox", nullptr, L"", WS_POPUP, 0, RECT{0, 0, 10, 10}, nullptr});
  }
  std::optional<LRESULT> OnMessage(UINT, WPARAM, LPARAM) override { return std::nullopt; }
};

HWND g_copier = nullptr;
ErrorBox* g_box = nullptr;
const std::vector<Text>* g_shown = nullptr;
bool g_shownInDialog = false;
DWORD g_waitedMs = 0;

void CALLBACK CopyWhileTheDialogIsOpen(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  OtherProgramCopies(g_copier, L"copied meanwhile");
}

void CALLBACK CloseOnceShownOrLate(HWND, UINT, UINT_PTR id, DWORD) {
  g_waitedMs += 50;
  g_shownInDialog = g_shown->back() == u"copied meanwhile";
  if (g_shownInDialog || g_waitedMs > 3000) {
    ::KillTimer(nullptr, id);
    g_box->Close();
  }
}

// Stands for the main window: records what the hook shows; once armed, its
// next Auto conversion fails and opens the error dialog, in which another
// program copies.
class DialogClient final : public ClipboardViewerClient {
 public:
  void ShowClipboardText(const Text& text) override { shown.push_back(text); }
  void chAuto_Click() override {
    if (!std::exchange(armed, false)) return;
    ErrorBox box;
    g_box = &box;
    ::SetTimer(nullptr, 0, 100, &CopyWhileTheDialogIsOpen);
    ::SetTimer(nullptr, 0, 50, &CloseOnceShownOrLate);
    box.ShowModal();
  }
  std::vector<Text> shown;
  bool armed = false;
};

// Hands the hook's messages to it, as the main window does.
class HookedWindow final : public win32::Window {
 public:
  explicit HookedWindow(ClipboardHook& hook) : Window(u"Form1"), hook_(hook) {
    Create({L"TarnwickTestHooked", nullptr, L"", WS_POPUP, 0, RECT{0, 0, 10, 10}, nullptr});
  }
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    return hook_.OnMessage(message, wParam, lParam);
  }

 private:
  ClipboardHook& hook_;
};

// The hooked window with either way of hearing of changes. What the
// black-box suite sees of the hook (copies shown, the chain kept) is tested
// there; this one needs a modal loop inside the program.
class Hook : public ::testing::TestWithParam<ChangeNotice> {
 protected:
  void SetUp() override {
    mHookClipboard::HookForm(hook, main.Ref());
    hook.StartNotifications(main.hwnd(), GetParam());
    PumpMessages();
    if (hook.FormatListenerActive() != (GetParam() == ChangeNotice::FormatListener))
      GTEST_SKIP() << "the system offers no format listener";
  }
  void TearDown() override {
    hook.StopNotifications();
    mHookClipboard::UnhookForm(hook, main.Ref());
  }

  DialogClient client;
  ClipboardHook hook{client};
  HookedWindow main{hook};
  TestWindow other{L"other program"};
};
std::string NameOf(const ::testing::TestParamInfo<ChangeNotice>& row) {
  return row.param == ChangeNotice::ViewerChain ? "Chain" : "Listener";
}
INSTANTIATE_TEST_SUITE_P(BothWays, Hook,
                         ::testing::Values(ChangeNotice::ViewerChain, ChangeNotice::FormatListener),
                         NameOf);

// A copy made while the dialog of a failed Auto conversion is open reaches
// the field then, not only once the dialog is closed.
TEST_P(Hook, CopiesMadeWhileAConversionsErrorDialogIsOpenAreShownThen) {
  g_copier = other.get();
  g_shown = &client.shown;
  g_waitedMs = 0;
  client.armed = true;
  OtherProgramCopies(other.get(), L"first");
  PumpMessages();
  EXPECT_TRUE(g_shownInDialog);
}

}  // namespace
}  // namespace tarnwick::clipboard
