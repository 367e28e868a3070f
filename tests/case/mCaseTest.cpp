// SCase and ToggleCase under their error traps: results, the field that
// ToggleCase reads and writes, and what their traps record on a failure.
#include "ErrorsFixture.h"
#include "case/mCase.h"

namespace tarnwick::mCase {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;
using mErrTrap::testing::Dashed;
using mErrTrap::testing::ErrorsTest;
using mErrTrap::testing::Header91;

// A text field that counts its writes and can be made to fail.
class FakeField final : public TextField {
 public:
  explicit FakeField(Text initial) : text(std::move(initial)) {}
  Text GetText() const override {
    if (failRead) mErrTrap::RaiseRuntime(mErrTrap::rt::CantOpenClipboard);
    return text;
  }
  void SetText(const Text& t) override {
    if (failWrite) mErrTrap::RaiseRuntime(mErrTrap::rt::InvalidProperty);
    text = t;
    ++writes;
  }

  Text text;
  int writes = 0;
  bool failRead = false, failWrite = false;
};

class CaseModule : public ErrorsTest {
 protected:
  void TearDown() override {
    BindMainTextField(nullptr);
    ErrorsTest::TearDown();
  }
};

// A command handler as the main window runs ToggleCase: it ends the chain.
void bnToggle_Click() {
  Trap trap(u"Form1.bnToggle_Click", TrapKind::EndsChain);
  trap.Run([&] { trap.Step(10, [&] { ToggleCase(); }); });
}

TEST_F(CaseModule, SCaseAndToggleCaseConvert) {
  EXPECT_EQ(SCase(u"hello. how are you? fine! time: now"), u"Hello. How are you? Fine! Time: Now");
  FakeField field(u"Hello World. how are you?");
  BindMainTextField(&field);
  ToggleCase();
  EXPECT_EQ(field.text, u"hELLO wORLD. HOW ARE YOU?");
  EXPECT_EQ(field.writes, 1);
  ToggleCase();
  EXPECT_EQ(field.text, u"Hello World. how are you?");
  EXPECT_EQ(mErrTrap::CurrentError().Number, 0);
}

TEST_F(CaseModule, ToggleCaseWithoutAFieldRaisesError91) {
  bnToggle_Click();
  EXPECT_EQ(reporter.calls, 1);
  EXPECT_EQ(reporter.report, Header91(u"mCase.ToggleCase") +
                                 Dashed(u"  Call Stack: mCase.ToggleCase()  at Line 10 ") +
                                 Dashed(u"  Call Stack: Form1.bnToggle_Click()  at Line 10 "));
}

TEST_F(CaseModule, AFailingReadOrWriteLeavesTheFieldAndIsPassedOn) {
  FakeField field(u"Keep Me");
  BindMainTextField(&field);
  for (const bool read : {true, false}) {
    field.failRead = read;
    field.failWrite = !read;
    bnToggle_Click();
    EXPECT_EQ(field.text, u"Keep Me");
    EXPECT_EQ(field.writes, 0);
    EXPECT_NE(reporter.report.find(read ? u"Call Stack: mCase.ToggleCase()  at Line 20 "
                                        : u"Call Stack: mCase.ToggleCase()  at Line 40 "),
              Text::npos);
    EXPECT_NE(reporter.report.find(u"Call Stack: Form1.bnToggle_Click()  at Line 10 "), Text::npos);
  }
  EXPECT_EQ(reporter.calls, 2);
}

}  // namespace
}  // namespace tarnwick::mCase
