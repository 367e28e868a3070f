// The report file: its header, one failure's block, the paths it names and
// the retries of opening it for append.
#include "errors/ReportFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <stdexcept>

namespace tarnwick::mErrTrap {
namespace {

Text Joined(const std::vector<Text>& lines) {
  return std::accumulate(lines.begin(), lines.end(), Text());
}

TEST(ReportFile, HeaderAndBlockLines) {
  ReportBlockFacts facts{u"Error 521 in Form1.bnUpper_Click\r\nline two",
                         u"C:\\Program Files\\Tarnwick", u"C:\\users\\me\\Tarnwick", u"Tarnwick",
                         {u"Windows 7", u"6.1", u"7601", u"Service Pack 1"}};
  EXPECT_EQ(Joined(ReportHeaderLines(u"Please send this file to a@b.example")),
            u"Please send this file to a@b.example\r\n \r\n");
  EXPECT_EQ(Joined(ReportBlockLines(facts)),
            u"Error 521 in Form1.bnUpper_Click\r\nline two\r\n"
            u"Program path: C:\\Program Files\\Tarnwick\r\n"
            u"Error report path: C:\\users\\me\\Tarnwick\r\n"
            u"File name : Tarnwick\r\n"
            u"OS: Windows 7 6.1 build 7601 (Service Pack 1)\r\n\r\n\r\n");
  EXPECT_EQ(OSLine({}), u"OS:   build  ()");  // empty fields keep the fixed texts
}

TEST(ReportFile, Paths) {
  EXPECT_EQ(ReportFolderOf(u"C:\\users\\me", u"Tarnwick"), u"C:\\users\\me\\Tarnwick");
  EXPECT_EQ(ReportTargetPath(u"C:\\R", u"ErrorReport.txt"), u"C:\\R\\ErrorReport.txt");
  EXPECT_EQ(ReportTargetPath(u"C:\\R", u"D:\\other\\x.txt"), u"D:\\other\\x.txt");
  EXPECT_EQ(FolderOfPath(u"C:\\a\\b\\Tarnwick.exe"), u"C:\\a\\b");
  EXPECT_EQ(FolderOfPath(u"C:\\Tarnwick.exe"), u"C:\\");  // a drive root keeps its backslash
  EXPECT_EQ(FolderOfPath(u"/usr/Tarnwick.exe"), u"/usr");
  EXPECT_EQ(FolderOfPath(u"Tarnwick.exe"), u"");
}

TEST(ReportFile, OpeningRetriesEvery200msForOneToTwoSeconds) {
  struct Row {
    int succeedAt;         // the attempt that succeeds; 0: none does
    std::int64_t startMs;  // the clock when the first attempt starts
    bool opened;
    int attempts;
    std::int64_t sleptMs;
  };
  for (const Row& row : {
           Row{1, 0, true, 1, 0},
           Row{4, 0, true, 4, 600},
           Row{0, 0, false, 10, 2000},  // attempts at 0, 200, ..., 1800 ms
           Row{0, 5000900, false, 6, 1200},  // just before a second turns over, late in the day
       }) {
    SCOPED_TRACE(::testing::Message() << row.succeedAt << " from " << row.startMs);
    std::int64_t ms = row.startMs;
    int attempts = 0;
    EXPECT_EQ(OpenWithRetries({[&] { return ++attempts == row.succeedAt; },
                               [&](std::uint32_t sleep) { ms += sleep; },
                               [&] { return ms / 1000; }}),
              row.opened);
    EXPECT_EQ(attempts, row.attempts);
    EXPECT_EQ(ms - row.startMs, row.sleptMs);
  }
  EXPECT_FALSE(OpenWithRetries({[]() -> bool { throw std::runtime_error("no file system"); },
                                [](std::uint32_t) {}, [] { return std::int64_t{0}; }}));
}

}  // namespace
}  // namespace tarnwick::mErrTrap
