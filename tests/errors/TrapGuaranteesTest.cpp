// What a trap promises whatever fails around it: no allocation before its
// Run begins (so running out of memory is caught like any failure), and a
// system error code recorded on one thread that never shows in another
// thread's report. Its own executable: it replaces operator new
// (CountingNew.cpp).
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "../support/CountingNew.h"
#include "errors/ErrTrap.h"
#include "errors/ReportError.h"

namespace tarnwick::mErrTrap {
namespace {

using test_support::RefuseAllocationsFrom;
using test_support::TakeAllocationCounts;

class CountingReporter final : public ErrorReporter {
 public:
  int reports = 0;
  std::int32_t number = 0;  // of the error reported last
  void ReportError() override {
    ++reports;
    number = CurrentError().Number;
  }
};

TEST(TrapGuarantees, NoMemoryAtAllStillEndsInTheHandlersTrap) {
  ResetErrorState();
  CountingReporter reporter;
  SetErrorReporter(&reporter);
  const std::int16_t Button = 2, Shift = 0;
  const float X = 1.5f, Y = 2.5f;
  test_support::AllocationCounts beforeRun;
  TakeAllocationCounts();
  RefuseAllocationsFrom(0);
  EXPECT_NO_THROW({
    Trap trap(u"Form1.fdClipboardText_MouseDown(Button,Shift,X,Y)", TrapKind::EndsChain, Button,
              Shift, X, Y);
    beforeRun = TakeAllocationCounts();
    trap.Run([&] { trap.Step(20, [] { return new int(1); }); });
  });
  RefuseAllocationsFrom(test_support::kRefuseNothing);
  EXPECT_EQ(beforeRun.count + beforeRun.refused, 0u) << "a trap allocates before its Run";
  EXPECT_EQ(reporter.reports, 1);
  EXPECT_EQ(reporter.number, rt::OutOfMemory) << "no memory even for the error's texts";
  EXPECT_EQ(CurrentError().Number, 0);
  SetErrorReporter(nullptr);
  ResetErrorState();
}

TEST(TrapGuarantees, EachThreadKeepsItsOwnSystemErrorCode) {
  RecordLastDllError(5);
  std::thread([] {
    EXPECT_EQ(LastDllError(), 0);
    RecordLastDllError(1418);  // a reader thread's failed clipboard open
  }).join();
  EXPECT_EQ(LastDllError(), 5);
  RecordLastDllError(0);
}

}  // namespace
}  // namespace tarnwick::mErrTrap
