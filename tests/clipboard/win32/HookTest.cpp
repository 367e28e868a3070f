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

}  // namespace
}  // namespace tarnwick::mHookClipboard
