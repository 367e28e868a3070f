// What the black-box suite cannot time: a copy that another program makes
// between our read and our write is never overwritten, not even one of the
// same text with other formatting.
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
                               FingerprintOf(snapshot->text, snapshot->formatted));
  }

  // The clipboard's "HTML Format" block, without the NUL that ends it.
  std::string HtmlBlock() {
    std::string block = BlockOf(us.get(), ::RegisterClipboardFormatW(L"HTML Format"));
    return block.substr(0, block.find('\0'));
  }

  bool Replace(const Text& text, const FormattedVersions& formatted = {}) {
    ClipboardReplacement replacement(hook, us.get());
    if (!replacement.Clear()) return false;
    replacement.Put(text, formatted);
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

TEST_F(Replacement, ANewerCopyOfTheSameTextWithOtherFormattingIsNeverOverwritten) {
  const std::string html = "Version:0.9\r\nStartHTML:-1\r\nEndHTML:-1\r\n<b>same</b>";
  OtherProgramCopies(other.get(), L"same", html);
  ShowCurrent();
  OtherProgramCopies(other.get(), L"same", "Version:0.9\r\n<i>same</i>");
  EXPECT_FALSE(Replace(u"SAME", {html, std::nullopt}));
  EXPECT_EQ(HtmlBlock(), "Version:0.9\r\n<i>same</i>");

  // The same content announced again is what the field shows: replaced, the
  // formatted version beside the text.
  OtherProgramCopies(other.get(), L"same", html);
  ShowCurrent();
  OtherProgramCopies(other.get(), L"same", html);
  EXPECT_TRUE(Replace(u"SAME", {"<b>SAME</b>", std::nullopt}));
  EXPECT_EQ(HtmlBlock(), "<b>SAME</b>");
}

}  // namespace
}  // namespace tarnwick::clipboard
