// The error context apart from the report text: preserving, what an exception
// stands for, and the development-mode stop question.
#include <tuple>
#include <vector>

#include "../support/Outcome.h"
#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

TEST_F(ErrorsTest, ErrPreserveTwiceKeepsTheFirstErrorForErrRestore) {
  CurrentError() = ErrInfo{53, u"first", u"File not found", u"help.chm", 7};
  SetFailureStep(30);
  RecordLastDllError(2);
  ErrPreserve();
  CurrentError() = ErrInfo{61, u"second", u"Disk full", u"", 0};
  SetFailureStep(40);
  ErrPreserve();
  EXPECT_EQ(Context().Line, 30);
  EXPECT_EQ(Context().LastDllError, 2);
  ErrRestore();
  const ErrInfo& e = CurrentError();
  EXPECT_EQ(std::tie(e.Number, e.Source, e.Description, e.HelpFile, e.HelpContext),
            std::make_tuple(53, u"first", u"File not found", u"help.chm", 7));
}

TEST_F(ErrorsTest, ReportTextFallsBackToTheDescriptionOfPropagatedErrorsOnly) {
  CurrentError() = ErrInfo{5, u"Tarnwick", u"desc", u"", 0};
  ErrPreserve();
  EXPECT_EQ(ErrReportText(), u"");
  Context().Source = kPropagatedSource;
  EXPECT_EQ(ErrReportText(), u"desc");
}

using testsupport::Outcome;

TEST(ErrInfoOf, ExceptionsBecomeRunTimeErrors) {
  EXPECT_EQ(Outcome([] { throw std::bad_alloc(); }), u"7 Out of memory");
  EXPECT_EQ(Outcome([] { throw std::length_error("l"); }), u"7 Out of memory");
  EXPECT_EQ(Outcome([] { throw std::overflow_error("o"); }), u"6 Overflow");
  EXPECT_EQ(Outcome([] { throw 42; }), u"5 Invalid procedure call or argument");
  EXPECT_EQ(Outcome([] { RaiseControlArrayElement(4); }),
            u"340 Control array element '4' doesn't exist");
  EXPECT_EQ(ErrInfoOf(nullptr).Number, rt::InvalidCall);
}

// --- The stop question ---------------------------------------------------------------

int g_attempts = 0;
std::int32_t g_number = rt::ObjectNotSet;
Text g_helpFile;

// Fails on its first attempt only.
void Flaky() {
  Trap trap(u"mTest.Flaky", TrapKind::Inner);
  trap.Run([&] {
    trap.Step(10, [&] { if (++g_attempts == 1) Raise(g_number, u"Failed", kProgramTitle, g_helpFile); });
  });
}
void Click() {
  Trap trap(u"Form1.bnTest_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [&] { Flaky(); }); });
}

const Text kTail =
    u"\r\nDo you want to retry the operation in step mode?\r\n"
    u"Click YES to retry, NO to move to the caller, CANCEL for no more stops";
const Text kAsked = u"Error: Failed" + kTail;
const Text kAskedAgain = u"Error: Failed  (Propagated)" + kTail;

struct StopRow {
  const char* name;
  std::vector<StopAnswer> answers;
  std::vector<Text> questions;
  int reports, attempts;
  int clicks = 1;
  bool development = true;
  std::int32_t number = rt::ObjectNotSet;
  Text helpFile = {};
};
void PrintTo(const StopRow& row, std::ostream* out) { *out << row.name; }

using Ans = StopAnswer;
const StopRow kStopRows[] = {
    {"YesRunsTheStepAgain", {Ans::Yes}, {kAsked}, 0, 2},
    {"NoMovesToTheCallerWhichAsksAgain", {Ans::No, Ans::No}, {kAsked, kAskedAgain}, 1, 1},
    {"CallerRetriesItsOwnStep", {Ans::No, Ans::Yes}, {kAsked, kAskedAgain}, 0, 2},
    {"CancelStopsAskingForThisError", {Ans::Cancel}, {kAsked}, 1, 1},
    {"ANewErrorIsAskedAgain", {Ans::Cancel, Ans::Yes}, {kAsked, kAsked}, 1, 3, 2},
    {"NeverAskedOutsideDevelopment", {}, {}, 1, 1, 1, false},
    {"NeverAskedForSilentErrors", {}, {}, 1, 1, 1, true, kSilentFirst},
    {"NeverAskedForAnErrorRaisedWithTheNoStopMark", {}, {}, 1, 1, 1, true, rt::ObjectNotSet, kNoStopMark},
};

class StopQuestion : public ErrorsTest, public ::testing::WithParamInterface<StopRow> {};

TEST_P(StopQuestion, FollowsTheAnswers) {
  const StopRow& row = GetParam();
  std::vector<Text> questions;
  SetDevelopmentMode(row.development);
  SetStopPrompt([&](const Text& caption, const Text& message) {
    EXPECT_EQ(caption, u"Stopped on Error");
    questions.push_back(message);
    const std::size_t asked = questions.size();
    return asked <= row.answers.size() ? row.answers[asked - 1] : StopAnswer::Cancel;
  });
  g_number = row.number;
  g_helpFile = row.helpFile;
  int attempts = 0;
  for (int click = 0; click < row.clicks; ++click) {
    g_attempts = 0;
    Click();
    attempts += g_attempts;
  }
  EXPECT_EQ(questions, row.questions);
  EXPECT_EQ(reporter.calls, row.reports);
  EXPECT_EQ(attempts, row.attempts);
  EXPECT_FALSE(Context().Preserved);  // so that the next error is preserved afresh
}

INSTANTIATE_TEST_SUITE_P(Rows, StopQuestion, ::testing::ValuesIn(kStopRows),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
