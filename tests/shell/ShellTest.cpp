// The shell's portable decisions: the mailto URL, what to tell the user when
// the shell could not start a program, and the checks before Explorer shows
// a file.
#include <gtest/gtest.h>

#include <set>

#include "env/UIStrings.h"
#include "shell/FileCheck.h"
#include "shell/MailtoUrl.h"
#include "shell/ShellErrorText.h"

namespace tarnwick::mCommon {
namespace {

TEST(ComposeMailtoUrl, EscapesOnlySubjectAndBody) {
  struct Row {
    TextView address, subject, body, cc, bcc, attachment, url;
  };
  const Row rows[] = {
      {u"support@tarnwick.example", u"", u"", u"", u"", u"", u"mailto:support@tarnwick.example"},
      {u"A", u"Error report", u"", u"", u"", u"", u"mailto:A?Subject=Error%20report"},
      {u"A", u"a&b", u"line1\r\nline2\rx\n", u"", u"", u"",
       u"mailto:A?Subject=a%26b&Body=line1%0D%0Aline2%0Dx%0A%0D%0A"},
      {u"A", u"", u"\n\r&& 100% ?#=+\u00E9", u"", u"", u"",  // LF CR is no line break pair
       u"mailto:A?Body=%0A%0D%26%26%20100%%20?#=+\u00E9%0D%0A"},
      {u"A", u"", u"", u"b c&d", u"", u"", u"mailto:A?CC=b c&d"},
      {u"a b", u"s", u"", u"c d", u"e&f", u"C:\\My Files\\r.txt",
       u"mailto:a b?Subject=s&CC=c d&BCC=e&f&Attacth=\"C:\\My Files\\r.txt\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.url));
    EXPECT_EQ(ComposeMailtoUrl(row.address, row.subject, row.body, row.cc, row.bcc, row.attachment),
              row.url);
  }
}

// Both numbers in plain digits: 1.5 is not widened to 1.05 as on the About
// dialog's version line.
TEST(SupportMailSubject, TitleAndVersionAsTyped) {
  EXPECT_EQ(SupportMailSubject(1, 5), u"Tarnwick v1.5");
  EXPECT_EQ(SupportMailSubject(2, 12), u"Tarnwick v2.12");
}

// The DDE codes, 32 and codes without a message of their own show nothing.
TEST(ShellErrorText, WhichCodesHaveAMessage) {
  for (std::int32_t code : {0, 2, 3, 5, 8, 11, 26, 27, 31})
    EXPECT_FALSE(ShellErrorText(code).empty()) << code;
  for (std::int32_t code : {1, 4, 28, 29, 30, 32, 33, 42, -1, INT32_MIN})
    EXPECT_TRUE(ShellErrorText(code).empty()) << code;
}

// Drives C:\ (labelled), D:\ (no disk) and E:\ (no label), the files that
// exist, and a record of what was asked.
class FakeDrives : public DriveFacts {
 public:
  std::vector<Text> DriveNames() override { return {u"C:\\", u"D:\\", u"E:\\"}; }
  std::optional<Text> VolumeLabel(TextView root) override {
    asked += u"volume " + Text(root) + u";";
    if (root == u"D:\\") return std::nullopt;
    return Text(root == u"E:\\" ? u"" : u"SYSTEM");
  }
  bool PathExists(TextView path) override {
    asked += u"path " + Text(path) + u";";
    return path.size() == 3 || existing.count(Text(path)) > 0;
  }
  std::set<Text> existing{u"C:\\Users\\me\\ErrorReport.txt", u"E:\\report.txt", u"c:\\x.txt"};
  Text asked;
};

TEST(CheckFileForExplorer, DriveThenDiskThenFile) {
  constexpr FileCheck kOk = FileCheck::Ok, kNoDrive = FileCheck::DriveNotPresent;
  struct Row {
    TextView path;
    FileCheck result;
    TextView asked;
  };
  const Row rows[] = {
      {u"C:\\Users\\me\\ErrorReport.txt", kOk, u"volume C:\\;path C:\\Users\\me\\ErrorReport.txt;"},
      {u"E:\\report.txt", kOk, u"volume E:\\;path E:\\report.txt;"},  // a volume without a label
      {u"c:\\x.txt", kOk, u"volume C:\\;path c:\\x.txt;"},  // the path as given
      {u"c:\\", kOk, u"volume C:\\;path c:\\;"},  // a drive root always exists
      {u"C:\\missing.txt", FileCheck::FileNotFound, u"volume C:\\;path C:\\missing.txt;"},
      {u"D:\\setup.exe", FileCheck::NoDiskInDrive, u"volume D:\\;"},
      {u"\\\\server\\share\\ErrorReport.txt", kNoDrive, u""}, {u"Z:\\a.txt", kNoDrive, u""},
      {u"C:", kNoDrive, u""}, {u"", kNoDrive, u""}, {u"C:/a.txt", kNoDrive, u""},
      {u"CC:\\a", kNoDrive, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(TextToAscii(row.path));
    FakeDrives drives;
    EXPECT_EQ(CheckFileForExplorer(row.path, drives), row.result);
    EXPECT_EQ(drives.asked, row.asked);
  }
  // Drive letters are compared in upper case: a to z, nothing around them.
  for (const auto& [path, part] : {std::pair{u"a:\\x", u"A:\\"}, std::pair{u"z:\\x", u"Z:\\"},
                                   std::pair{u"`:\\x", u"`:\\"}, std::pair{u"{:\\x", u"{:\\"}}) {
    EXPECT_EQ(DrivePartOf(path), part);
  }
  mLanguageGobals::LoadUIStrings();
  EXPECT_EQ(FileCheckMessage(FileCheck::DriveNotPresent), mLanguageGobals::DriveNotPresent);
  EXPECT_EQ(FileCheckMessage(FileCheck::NoDiskInDrive), mLanguageGobals::NoDiskInDrive);
  EXPECT_EQ(FileCheckMessage(FileCheck::FileNotFound), mLanguageGobals::FileNotFound);
  EXPECT_EQ(FileCheckMessage(kOk), u"");
}

}  // namespace
}  // namespace tarnwick::mCommon
