#include "clipboard/win32/mHookClipboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "clipboard/win32/ClipboardAccess.h"
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

class Hook : public ::testing::Test {
 protected:
  void SetUp() override {
    SetViewerClient(&client);
    HookForm(Ref());
    JoinViewerChain(Ref());
    PumpMessages();
  }
  void TearDown() override {
    RemoveClipboardHook(Ref());
    SetViewerClient(nullptr);
  }
  win32::FormRef Ref() { return {main.get(), u"Form1"}; }

  TestWindow main{L"Form1"};
  TestWindow other{L"other program"};
  RecordingClient client{main.get()};
};

TEST_F(Hook, EveryCopyByAnotherProgramIsShownOnce) {
  ASSERT_FALSE(client.shown.empty()) << "joining the chain shows the current content";
  client.shown.clear();
  OtherProgramCopies(other.get(), L"one");
  PumpMessages();
  OtherProgramCopies(other.get(), L"two");
  PumpMessages();
  ASSERT_FALSE(client.shown.empty());
  EXPECT_EQ(client.shown.back(), u"two");
  EXPECT_EQ(client.autoRuns, static_cast<int>(client.shown.size()) + 1);
}

TEST_F(Hook, AConversionIsNotTakenAsANewCopy) {
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

TEST_F(Hook, TheChainFollowsAViewerThatLeaves) {
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

TEST_F(Hook, ANextViewerThatNoLongerExistsIsDropped) {
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

TEST_F(Hook, ChangesThatStopArrivingAreNoticedAndTheChainJoinedAgain) {
  // A viewer registers in front and passes nothing on.
  ::SetClipboardViewer(other.get());
  client.convert = true;
  client.shown.clear();
  client.autoRuns = 0;
  OtherProgramCopies(other.get(), L"unannounced");
  PumpMessages();
  EXPECT_TRUE(client.shown.empty()) << "the change did not reach the hook";
  ASSERT_TRUE(ShownWithin(client, u"unannounced", 5000)) << "the periodic check joined again";
  EXPECT_EQ(NextViewer(), other.get()) << "the viewer in front now follows the hook";
  // Joined once: later checks find the chain sound and convert nothing more.
  EXPECT_FALSE(ShownWithin(client, u"never", 2500));
  EXPECT_EQ(client.shown.size(), 1u);
  EXPECT_EQ(client.autoRuns, 1);
  const auto snapshot = clipboard::ReadClipboard(main.get());
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->text, u"[unannounced]");
}

}  // namespace
}  // namespace tarnwick::mHookClipboard
