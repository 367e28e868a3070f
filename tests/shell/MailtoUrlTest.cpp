#include <gtest/gtest.h>

#include "shell/MailtoUrl.h"

namespace tarnwick::mCommon {
namespace {

TEST(ComposeMailtoUrl, SubjectOnly) {
  EXPECT_EQ(ComposeMailtoUrl(u"A", u"Tarnwick Error report", u"", u"", u"", u""),
            u"mailto:A?Subject=Tarnwick%20Error%20report");
}

TEST(ComposeMailtoUrl, AddressAloneHasNoQuestionMark) {
  EXPECT_EQ(ComposeMailtoUrl(u"support@tarnwick.example", u"", u"", u"", u"", u""),
            u"mailto:support@tarnwick.example");
}

TEST(ComposeMailtoUrl, SubjectAndBodyEscaping) {
  EXPECT_EQ(ComposeMailtoUrl(u"A", u"a&b", u"line1\r\nline2\rx\n", u"", u"", u""),
            u"mailto:A?Subject=a%26b&Body=line1%0D%0Aline2%0Dx%0A%0D%0A");
  EXPECT_EQ(ComposeMailtoUrl(u"A", u" x ", u"a b", u"", u"", u""),
            u"mailto:A?Subject=%20x%20&Body=a%20b%0D%0A");
  // A body alone: its "&" becomes the "?".
  EXPECT_EQ(ComposeMailtoUrl(u"A", u"", u"hi", u"", u"", u""), u"mailto:A?Body=hi%0D%0A");
}

TEST(ComposeMailtoUrl, OtherCharactersPassUnchanged) {
  EXPECT_EQ(EscapeMailText(u"100% ?#=+ \u00E9\u4E2D"), u"100%%20?#=+%20\u00E9\u4E2D");
  EXPECT_EQ(EscapeMailText(u"\n\r"), u"%0A%0D");  // LF CR is no line break pair
  EXPECT_EQ(EscapeMailText(u"&&"), u"%26%26");
}

TEST(ComposeMailtoUrl, CopiesAndAttachmentAreNotEscaped) {
  EXPECT_EQ(ComposeMailtoUrl(u"A", u"", u"", u"b c&d", u"", u""), u"mailto:A?CC=b c&d");
  EXPECT_EQ(ComposeMailtoUrl(u"A", u"", u"", u"", u"e f", u""), u"mailto:A?BCC=e f");
  EXPECT_EQ(ComposeMailtoUrl(u"A", u"", u"", u"", u"", u"C:\\My Files\\r.txt"),
            u"mailto:A?Attacth=\"C:\\My Files\\r.txt\"");
  EXPECT_EQ(ComposeMailtoUrl(u"a b", u"s", u"", u"c", u"d", u"f"),
            u"mailto:a b?Subject=s&CC=c&BCC=d&Attacth=\"f\"");
}

}  // namespace
}  // namespace tarnwick::mCommon
