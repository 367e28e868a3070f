#include "clipboard/win32/ClipboardAccess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "../../support/win32/TestThread.h"
#include "TestWindows.h"
#include "errors/ErrInfo.h"

namespace tarnwick::clipboard {
namespace {

using testing::BlockOf;
using testing::OtherProgramCopies;
using testing::OtherProgramPuts;
using testing::TestWindow;

class ClipboardAccess : public ::testing::Test {
 protected:
  TestWindow us{L"us"};
  TestWindow other{L"other program"};

  // The field shows what the clipboard holds now.
  void ShowCurrent() {
    const auto snapshot = ReadClipboard(us.get());
    ASSERT_TRUE(snapshot);
    Tracker().RecordShown(snapshot->sequence, snapshot->convertible,
                          FingerprintOf(snapshot->text));
  }

  bool Replace(const Text& text) {
    ClipboardReplacement replacement(us.get());
    if (!replacement.Clear()) return false;
    replacement.Put(text);
    replacement.Close();
    return true;
  }
};

TEST_F(ClipboardAccess, ReplacesAndReadsEveryCharacter) {
  OtherProgramCopies(other.get(), L"first");
  ShowCurrent();
  const Text text = u"Привет 世界 \U0001F600";
  ASSERT_TRUE(Replace(text));
  const auto snapshot = ReadClipboard(us.get());
  ASSERT_TRUE(snapshot);
  EXPECT_TRUE(snapshot->convertible);
  EXPECT_EQ(snapshot->text, text);
  EXPECT_TRUE(IsOwnClipboardChange(us.get())) << "our write is the content now";
  EXPECT_EQ(::GetClipboardOwner(), us.get());
}

TEST_F(ClipboardAccess, NonTextAndPrivateContentIsNeitherShownNorReplaced) {
  const char bitmap[] = "not really a bitmap, but known bytes";
  OtherProgramPuts(other.get(), CF_DIB, bitmap, sizeof bitmap);
  ShowCurrent();
  auto snapshot = ReadClipboard(us.get());
  ASSERT_TRUE(snapshot);
  EXPECT_FALSE(snapshot->convertible);
  EXPECT_EQ(snapshot->text, u"");
  EXPECT_FALSE(Replace(u""));
  EXPECT_EQ(BlockOf(us.get(), CF_DIB).substr(0, sizeof bitmap), std::string(bitmap, sizeof bitmap));

  OtherProgramCopies(other.get(), L"password",
                     ::RegisterClipboardFormatW(L"Clipboard Viewer Ignore"));
  snapshot = ReadClipboard(us.get());
  ASSERT_TRUE(snapshot);
  EXPECT_FALSE(snapshot->convertible);
  EXPECT_EQ(snapshot->text, u"") << "a private copy is not shown";
}

TEST_F(ClipboardAccess, ANewerCopyIsNeverOverwritten) {
  OtherProgramCopies(other.get(), L"old");
  ShowCurrent();
  OtherProgramCopies(other.get(), L"newer");  // before our conversion writes
  EXPECT_FALSE(Replace(u"OLD"));
  const std::string block = BlockOf(us.get(), CF_UNICODETEXT);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(block.data())), L"newer");
}

TEST_F(ClipboardAccess, AClipboardHeldOpenRaises521AfterRetryingAndIsNotLeftOpen) {
  OtherProgramCopies(other.get(), L"held");
  ShowCurrent();
  std::atomic<bool> held{false};
  test_support::TestThread holder([&held] {
    TestWindow holding(L"holder");
    if (!::OpenClipboard(holding.get())) return;
    held = true;
    ::Sleep(1500);
    ::CloseClipboard();
  });
  ASSERT_TRUE(holder.started());
  for (int i = 0; i < 500 && !held; ++i) ::Sleep(10);
  ASSERT_TRUE(held) << "the other thread holds the clipboard";
  const auto start = std::chrono::steady_clock::now();
  std::int32_t raised = 0;
  try {
    Replace(u"HELD");
  } catch (const mErrTrap::ErrRaised& e) {
    raised = e.info().Number;
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(raised, mErrTrap::rt::CantOpenClipboard);
  EXPECT_GE(waited, std::chrono::milliseconds(400)) << "opening is retried";
  EXPECT_FALSE(ReadClipboard(us.get())) << "a read also gives up while it is held";
  holder.join();
  EXPECT_TRUE(::OpenClipboard(us.get())) << "nothing of ours keeps it open";
  ::CloseClipboard();
  const std::string block = BlockOf(us.get(), CF_UNICODETEXT);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(block.data())), L"held");
}

}  // namespace
}  // namespace tarnwick::clipboard
