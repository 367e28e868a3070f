// The development-mode stop question: its text and its three answers.
#include <deque>
#include <vector>

#include "ErrorsFixture.h"

namespace tarnwick::mErrTrap::testing {
namespace {

constexpr char16_t kQuestionTail[] =
    u"\r\nDo you want to retry the operation in step mode?\r\n"
    u"Click YES to retry, NO to move to the caller, CANCEL for no more stops";

class StopQuestionTest : public ErrorsTest {
 protected:
  void SetUp() override {
    ErrorsTest::SetUp();
    SetDevelopmentMode(true);
    SetStopPrompt([this](const Text& caption, const Text& message) {
      captions.push_back(caption);
      messages.push_back(message);
      if (answers.empty()) {
        ADD_FAILURE() << "unexpected stop question";
        return StopAnswer::No;
      }
      const StopAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }

  std::deque<StopAnswer> answers;
  std::vector<Text> captions;
  std::vector<Text> messages;
};

int g_attempts = 0;

// Fails on its first attempt only.
std::int32_t Flaky() {
  Trap trap(u"mTest.Flaky", TrapKind::Inner);
  return trap.Run([&] {
    return trap.Step(10, [&] {
      if (++g_attempts == 1) RaiseRuntime(rt::ObjectNotSet);
      return g_attempts;
    });
  });
}

void Click() {
  Trap trap(u"Form1.bnTest_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(20, [&] { Flaky(); }); });
}

TEST_F(StopQuestionTest, YesRunsTheFailingStepAgain) {
  g_attempts = 0;
  answers = {StopAnswer::Yes};
  EXPECT_EQ(Flaky(), 2);
  EXPECT_EQ(g_attempts, 2);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(captions[0], u"Stopped on Error");
  EXPECT_EQ(messages[0], u"Error: Object variable or With block variable not set" + Text(kQuestionTail));
  EXPECT_FALSE(Context().Preserved);
  EXPECT_EQ(CurrentError().Number, 0);
  EXPECT_EQ(ErrReportText(), u"");
}

TEST_F(StopQuestionTest, NoMovesToTheCallerWhichAsksAgain) {
  g_attempts = 0;
  answers = {StopAnswer::No, StopAnswer::No};
  Click();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1], u"Error: Object variable or With block variable not set  (Propagated)" +
                             Text(kQuestionTail));
  EXPECT_EQ(g_attempts, 1);
  EXPECT_EQ(reporter.calls, 1);
  EXPECT_EQ(reporter.report, Header91(u"mTest.Flaky") +
                                 Dashed(u"  Call Stack: mTest.Flaky()  at Line 10 ") +
                                 Dashed(u"  Call Stack: Form1.bnTest_Click()  at Line 20 "));
}

TEST_F(StopQuestionTest, CancelStopsAskingForThisErrorOnly) {
  g_attempts = 0;
  answers = {StopAnswer::Cancel};
  Click();
  EXPECT_EQ(messages.size(), 1u);  // the handler's trap did not ask
  EXPECT_EQ(reporter.calls, 1);
  EXPECT_EQ(Context().HelpFile, u"NoStop");
  g_attempts = 0;
  answers = {StopAnswer::Yes};
  Click();  // a new error: asked again, and the retry succeeds
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(reporter.calls, 1);
}

TEST_F(StopQuestionTest, NeverAskedOutsideDevelopmentModeOrForSilentErrors) {
  SetDevelopmentMode(false);
  EXPECT_FALSE(ErrInDevelopment());
  g_attempts = 0;
  Click();
  SetDevelopmentMode(true);
  CurrentError() = ErrInfo{kSilentFirst, u"s", u"d", u"", 0};
  EXPECT_FALSE(ErrMustStop());
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(ErrStopsEnabled());
}

}  // namespace
}  // namespace tarnwick::mErrTrap::testing
