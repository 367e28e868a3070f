#include "errors/ReportFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

namespace tarnwick::mErrTrap {
namespace {

ReportBlockFacts SampleBlock() {
  ReportBlockFacts facts;
  facts.reportText = u"Error 521 in Form1.bnUpper_Click\r\nline two";
  facts.programPath = u"C:\\Program Files\\Tarnwick";
  facts.reportFolder = u"C:\\users\\me\\Documents\\Tarnwick";
  facts.fileName = u"Tarnwick";
  facts.os = {u"Windows 7", u"6.1", u"7601", u"Service Pack 1"};
  return facts;
}

TEST(ReportFileText, HeaderIsTheHeaderLineThenOneBlank) {
  const auto lines = ReportHeaderLines(u"Please send this file to a@b.example");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], u"Please send this file to a@b.example\r\n");
  EXPECT_EQ(lines[1], u" \r\n");
}

TEST(ReportFileText, BlockHasFiveLinesAndEndsInTwoEmptyLines) {
  const auto lines = ReportBlockLines(SampleBlock());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], u"Error 521 in Form1.bnUpper_Click\r\nline two\r\n");
  EXPECT_EQ(lines[1], u"Program path: C:\\Program Files\\Tarnwick\r\n");
  EXPECT_EQ(lines[2], u"Error report path: C:\\users\\me\\Documents\\Tarnwick\r\n");
  EXPECT_EQ(lines[3], u"File name : Tarnwick\r\n");
  EXPECT_EQ(lines[4], u"OS: Windows 7 6.1 build 7601 (Service Pack 1)\r\n\r\n\r\n");
}

TEST(ReportFileText, EmptyOSFieldsKeepTheFixedTexts) {
  EXPECT_EQ(OSLine({}), u"OS:   build  ()");
  EXPECT_EQ(OSLine({u"Windows XP", u"5.1", u"2600", u""}), u"OS: Windows XP 5.1 build 2600 ()");
}

TEST(ReportFileText, EveryLineBreakIsCrLf) {
  Text all;
  for (const Text& line : ReportHeaderLines(u"h")) all += line;
  for (const Text& line : ReportBlockLines(SampleBlock())) all += line;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == u'\n') {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(all[i - 1], u'\r') << "bare LF at " << i;
    }
    if (all[i] == u'\r') {
      ASSERT_LT(i + 1, all.size());
      EXPECT_EQ(all[i + 1], u'\n') << "bare CR at " << i;
    }
  }
}

TEST(ReportFilePaths, FolderTargetAndProgramPath) {
  EXPECT_EQ(ReportFolderOf(u"C:\\users\\me\\Documents", u"Tarnwick"),
            u"C:\\users\\me\\Documents\\Tarnwick");
  EXPECT_EQ(ReportTargetPath(u"C:\\R", u"ErrorReport.txt"), u"C:\\R\\ErrorReport.txt");
  EXPECT_EQ(ReportTargetPath(u"C:\\R", u"D:\\other\\x.txt"), u"D:\\other\\x.txt");
  EXPECT_EQ(FolderOfPath(u"C:\\a\\b\\Tarnwick.exe"), u"C:\\a\\b");
  EXPECT_EQ(FolderOfPath(u"C:\\Tarnwick.exe"), u"C:\\");
  EXPECT_EQ(FolderOfPath(u"Tarnwick.exe"), u"");
}

// A clock that advances only when the routine sleeps.
struct FakeClock {
  std::int64_t milliseconds = 0;
  int attempts = 0;
  int succeedAt = -1;  // attempt number that succeeds; -1: never
  AppendRetryClock Clock() {
    return {[this] { return ++attempts == succeedAt; },
            [this](std::uint32_t ms) { milliseconds += ms; },
            [this] { return milliseconds / 1000; }};
  }
};

TEST(AppendRetries, FirstSuccessReturnsAtOnce) {
  FakeClock fake;
  fake.succeedAt = 1;
  EXPECT_TRUE(OpenWithRetries(fake.Clock()));
  EXPECT_EQ(fake.attempts, 1);
  EXPECT_EQ(fake.milliseconds, 0);
}

TEST(AppendRetries, LaterSuccessWithinTheSecond) {
  FakeClock fake;
  fake.succeedAt = 4;
  EXPECT_TRUE(OpenWithRetries(fake.Clock()));
  EXPECT_EQ(fake.attempts, 4);
  EXPECT_EQ(fake.milliseconds, 600);
}

TEST(AppendRetries, GivesUpAfterTwoWholeSecondsAtMost) {
  FakeClock fake;
  EXPECT_FALSE(OpenWithRetries(fake.Clock()));
  EXPECT_EQ(fake.attempts, 10);  // attempts at 0, 200, ..., 1800 ms
  EXPECT_EQ(fake.milliseconds, 2000);

  FakeClock late;  // started just before a second turns over
  late.milliseconds = 900;
  EXPECT_FALSE(OpenWithRetries(late.Clock()));
  EXPECT_EQ(late.milliseconds - 900, 1200);
  EXPECT_EQ(late.attempts, 6);
}

TEST(AppendRetries, AThrowGivesUp) {
  AppendRetryClock clock{[]() -> bool { throw std::runtime_error("no file system"); },
                         [](std::uint32_t) {}, [] { return std::int64_t{0}; }};
  EXPECT_FALSE(OpenWithRetries(clock));
}

}  // namespace
}  // namespace tarnwick::mErrTrap
