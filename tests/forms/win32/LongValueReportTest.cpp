// A conversion of a very large text that runs out of memory, through the
// real traps and the real report writer: the report file stays small enough
// to mail, names the text's whole length, and building it needs memory in
// proportion to what it shows, not to the text. Its own executable: it
// replaces operator new (CountingNew.cpp).
#include "../../support/CountingNew.h"
#include "ReportingFixture.h"

namespace tarnwick::mErrTrap {
namespace {

using test_support::AllocationCounts;
using test_support::RefuseAllocationsFrom;
using test_support::TakeAllocationCounts;

constexpr std::size_t kTextLength = std::size_t{64} << 20;  // 64 Mi characters
// The memory left: no block of a megabyte or more can be had.
constexpr std::size_t kMemoryLeft = std::size_t{1} << 20;

// SCase as a conversion into a new text runs it, under its trap: the copy
// of the text is what the memory cannot hold.
Text SCase(const Text& str) {
  Trap trap(u"mCase.SCase(str)", TrapKind::Inner, str);
  return trap.Run([&] { return trap.Step(10, [&] { return Text(str); }); });
}
void bnSentence_Click(const Text& text) {
  Trap trap(u"Form1.bnSentence_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [&] { SCase(text); }); });
}

// The program's reporter (report file, then the error dialog), told apart
// from what the traps did before it: the counts at its start are those of
// recording the failure.
class MeasuredReporter final : public ErrorReporter {
 public:
  AllocationCounts recording, writing;
  void ReportError() override {
    recording = TakeAllocationCounts();
    forms::ReportErrorNow();
    writing = TakeAllocationCounts();
  }
};

// The report file's encoding.
std::string Ansi(const std::wstring& text) {
  std::string out(text.size() * 2, '\0');
  out.resize(::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                   out.data(), static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}

using LongValueReport = testing::ReportingFixture;

TEST_F(LongValueReport, AFailedConversionOfA64MiBTextLeavesAReportSmallEnoughToMail) {
  MeasuredReporter reporter;
  SetErrorReporter(&reporter);
  const Text text(kTextLength, u'a');
  TakeAllocationCounts();
  RefuseAllocationsFrom(kMemoryLeft);
  bnSentence_Click(text);
  RefuseAllocationsFrom(test_support::kRefuseNothing);

  const std::string report = ReportBytes();
  EXPECT_LT(report.size(), 64u * 1024);
  EXPECT_NE(report.find("Number: 7 "), std::string::npos) << "Out of memory";
  EXPECT_NE(report.find("  Call Stack: mCase.SCase(str={Text})  at Line 10 "), std::string::npos);
  EXPECT_NE(report.find("    Value Of str:\r\n      'aaaa"), std::string::npos);
  EXPECT_NE(report.find(Ansi(L"'\r\n      \u2026 (67108864 characters in all)\r\n"
                             L"  Call Stack: Form1.bnSentence_Click()  at Line 20 ")),
            std::string::npos)
      << "the cut value's last line right before the caller's line";
  // The conversion's copy is the one allocation refused: the report asks
  // for no block of the text's size. The value shows 1,000 characters
  // (2,000 bytes in memory), and no block of the report is more than a few
  // times that.
  EXPECT_EQ(reporter.recording.refused, 1u);
  EXPECT_EQ(reporter.writing.refused, 0u);
  constexpr std::size_t kShownBytes = 1000 * sizeof(char16_t);
  EXPECT_LE(reporter.recording.largest, 4 * kShownBytes);
  EXPECT_LE(reporter.writing.largest, 4 * kShownBytes);
}

}  // namespace
}  // namespace tarnwick::mErrTrap
