#include "clipboard/win32/mHookClipboard.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "clipboard/win32/ClipboardAccess.h"
#include "common/win32/Window.h"
#include "TestWindows.h"

namespace tarnwick::mHookClipboard {
namespace {

using clipboard::testing::OtherProgramCopies;
using clipboard::testing::PumpMessages;
using clipboard::testing::TestWindow;

// Stands for the main window: records what the hook shows and how often
// Auto mode runs; in "auto" it converts like Option1_Click.
class RecordingClient : public ClipboardViewerClient {
 public:
  explicit RecordingClient(HWND window) : window_(window) {}
  void ShowClipboardText(const Text& text) override { shown.push_back(text); }
  void chAuto_Click() override {
    ++autoRuns;
    if (!convert) return;
    bWritingClipboard = true;
    {
      clipboard::ClipboardReplacement replacement(window_);
      if (replacement.Clear()) replacement.Put(u"[" + shown.back() + u"]");
    }
    bWritingClipboard = false;
  }
  std::vector<Text> shown;
  int autoRuns = 0;
  bool convert = false;

 private:
  HWND window_;
};

using clipboard::ChangeNotice;

// The hooked window with either way of hearing of changes.
class Hook : public ::testing::TestWithParam<ChangeNotice> {
 protected:
  void SetUp() override {
    SetViewerClient(&client);
    HookForm(Ref());
    StartClipboardNotifications(Ref(), GetParam());
    PumpMessages();
    if (FormatListenerActive() != (GetParam() == ChangeNotice::FormatListener))
      GTEST_SKIP() << "the system offers no format listener";
  }
  void TearDown() override {
    RemoveClipboardHook(Ref());
    SetViewerClient(nullptr);
  }
  win32::FormRef Ref() { return {main.get(), u"Form1"}; }
  bool Listening() const { return GetParam() == ChangeNotice::FormatListener; }

  TestWindow main{L"Form1"};
  TestWindow other{L"other program"};
  RecordingClient client{main.get()};
};
std::string NameOf(const ::testing::TestParamInfo<ChangeNotice>& row) {
  return row.param == ChangeNotice::ViewerChain ? "Chain" : "Listener";
}
INSTANTIATE_TEST_SUITE_P(BothWays, Hook,
                         ::testing::Values(ChangeNotice::ViewerChain, ChangeNotice::FormatListener),
                         NameOf);

// The chain handling itself.
class ChainHook : public Hook {};
INSTANTIATE_TEST_SUITE_P(Only, ChainHook, ::testing::Values(ChangeNotice::ViewerChain), NameOf);

TEST_P(Hook, EveryCopyByAnotherProgramIsShownOnceAndNoneAfterTheStop) {
  ASSERT_FALSE(client.shown.empty()) << "starting shows the current content";
  client.shown.clear();
  OtherProgramCopies(other.get(), L"one");
  PumpMessages();
  OtherProgramCopies(other.get(), L"two");
  PumpMessages();
  ASSERT_FALSE(client.shown.empty());
  EXPECT_EQ(client.shown.back(), u"two");
  EXPECT_EQ(client.autoRuns, static_cast<int>(client.shown.size()) + 1);
  StopClipboardNotifications(Ref());
  OtherProgramCopies(other.get(), L"after the stop");
  PumpMessages();
  EXPECT_EQ(client.shown.back(), u"two");
}

TEST_P(Hook, AConversionIsNotTakenAsANewCopy) {
  client.convert = true;
  client.shown.clear();
  client.autoRuns = 0;
  OtherProgramCopies(other.get(), L"text");
  PumpMessages();
  PumpMessages();
  ASSERT_EQ(client.shown.size(), 1u) << "our own write is not shown again";
  EXPECT_EQ(client.autoRuns, 1);
  const auto snapshot = clipboard::ReadClipboard(main.get());
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->text, u"[text]") << "converted exactly once";
}

TEST_P(ChainHook, TheChainFollowsAViewerThatLeaves) {
  const HWND before = NextViewer();
  TestWindow leaving(L"leaving viewer");
  ::SendMessageW(main.get(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(before),
                 reinterpret_cast<LPARAM>(leaving.get()));
  EXPECT_EQ(NextViewer(), leaving.get()) << "the window after the leaving one is next";
  ::SendMessageW(main.get(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(other.get()), 0);
  EXPECT_EQ(NextViewer(), leaving.get()) << "another window's leaving is passed on";
  ::SendMessageW(main.get(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(leaving.get()),
                 reinterpret_cast<LPARAM>(before));
  EXPECT_EQ(NextViewer(), before);
}

TEST_P(ChainHook, ANextViewerThatNoLongerExistsIsDropped) {
  {
    TestWindow ended(L"ended viewer");
    ::SendMessageW(main.get(), WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(NextViewer()),
                   reinterpret_cast<LPARAM>(ended.get()));
    ASSERT_EQ(NextViewer(), ended.get());
  }  // ends without leaving the chain
  OtherProgramCopies(other.get(), L"after the end");
  PumpMessages();
  EXPECT_EQ(NextViewer(), nullptr);
  ASSERT_FALSE(client.shown.empty());
  EXPECT_EQ(client.shown.back(), u"after the end");
}

// Pumps messages, timers included, until the hook has shown `text`.
bool ShownWithin(const RecordingClient& client, const Text& text, DWORD ms) {
  for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(20)) {
    PumpMessages();
    if (!client.shown.empty() && client.shown.back() == text) return true;
  }
  return false;
}

TEST_P(Hook, AViewerInFrontThatPassesNothingOnDelaysOnlyTheChain) {
  ::SetClipboardViewer(other.get());
  client.convert = true;
  client.shown.clear();
  client.autoRuns = 0;
  OtherProgramCopies(other.get(), L"unannounced");
  PumpMessages();
  if (Listening()) {
    ASSERT_EQ(client.shown.size(), 1u) << "the listener heard of the change at once";
  } else {
    EXPECT_TRUE(client.shown.empty()) << "the change did not reach the hook";
    ASSERT_TRUE(ShownWithin(client, u"unannounced", 5000)) << "the periodic check joined again";
    EXPECT_EQ(NextViewer(), other.get()) << "the viewer in front now follows the hook";
  }
  // Once joined again, later checks find the chain sound and convert
  // nothing more; the listener has no check at all.
  EXPECT_FALSE(ShownWithin(client, u"never", 2500));
  EXPECT_EQ(client.shown.size(), 1u);
  EXPECT_EQ(client.autoRuns, 1);
  const auto snapshot = clipboard::ReadClipboard(main.get());
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->text, u"[unannounced]");
}

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
RecordingClient* g_client = nullptr;
bool g_shownInDialog = false;
DWORD g_waitedMs = 0;

void CALLBACK CopyWhileTheDialogIsOpen(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  OtherProgramCopies(g_copier, L"copied meanwhile");
}

void CALLBACK CloseOnceShownOrLate(HWND, UINT, UINT_PTR id, DWORD) {
  g_waitedMs += 50;
  g_shownInDialog = g_client->shown.back() == u"copied meanwhile";
  if (g_shownInDialog || g_waitedMs > 3000) {
    ::KillTimer(nullptr, id);
    g_box->Close();
  }
}

// A copy made while the dialog of a failed Auto conversion is open reaches
// the field then, not only once the dialog is closed.
class DialogClient final : public RecordingClient {
 public:
  using RecordingClient::RecordingClient;
  void chAuto_Click() override {
    if (++autoRuns != 1) return;
    ErrorBox box;
    g_box = &box;
    ::SetTimer(nullptr, 0, 100, &CopyWhileTheDialogIsOpen);
    ::SetTimer(nullptr, 0, 50, &CloseOnceShownOrLate);
    box.ShowModal();
  }
};

TEST_P(Hook, CopiesMadeWhileAConversionsErrorDialogIsOpenAreShownThen) {
  DialogClient dialogClient(main.get());
  g_copier = other.get();
  g_client = &dialogClient;
  g_waitedMs = 0;
  SetViewerClient(&dialogClient);
  OtherProgramCopies(other.get(), L"first");
  PumpMessages();
  EXPECT_TRUE(g_shownInDialog);
  SetViewerClient(&client);
}

}  // namespace
}  // namespace tarnwick::mHookClipboard
