// What the black-box suite cannot time: a copy that another program makes
// between our read and our write is never overwritten.
#include "clipboard/win32/ClipboardReplacement.h"

#include <gtest/gtest.h>

#include "TestWindows.h"

namespace tarnwick::clipboard {
namespace {

using testing::BlockOf;
using testing::OtherProgramCopies;
using testing::TestWindow;

class NoWindow final : public ClipboardViewerClient {
  void ShowClipboardText(const Text&) override {}
  void chAuto_Click() override {}
};

class Replacement : public ::testing::Test {
 protected:
  TestWindow us{L"us"};
  TestWindow other{L"other program"};
  NoWindow client;
  ClipboardHook hook{client};

  // The field shows what the clipboard holds now.
  void ShowCurrent() {
    const auto snapshot = hook.Reader().Read(hook.Refresh()).snapshot;
    ASSERT_TRUE(snapshot);
    hook.Tracker().RecordShown(snapshot->sequence, snapshot->convertible,
                               FingerprintOf(snapshot->text));
  }

  bool Replace(const Text& text) {
    ClipboardReplacement replacement(hook, us.get());
    if (!replacement.Clear()) return false;
    replacement.Put(text);
    replacement.Close();
    return true;
  }
};

TEST_F(Replacement, ANewerCopyIsNeverOverwritten) {
  OtherProgramCopies(other.get(), L"old");
  ShowCurrent();
  OtherProgramCopies(other.get(), L"newer");  // before our conversion writes
  EXPECT_FALSE(Replace(u"OLD"));
  const std::string block = BlockOf(us.get(), CF_UNICODETEXT);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(block.data())), L"newer");
}

}  // namespace
}  // namespace tarnwick::clipboard
