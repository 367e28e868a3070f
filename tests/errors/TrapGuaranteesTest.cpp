// What a trap promises whatever fails around it: no allocation before its
// Run begins (so running out of memory is caught like any failure), and a
// system error code recorded on one thread that never shows in another
// thread's report. Its own executable: it replaces operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <thread>

#include "errors/ErrTrap.h"
#include "errors/ReportError.h"

namespace {

std::atomic<bool> g_refuseAllocations{false};
std::atomic<int> g_allocations{0};

}  // namespace

// GCC takes the malloc and free of a replaced operator new for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  ++g_allocations;
  if (g_refuseAllocations) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tarnwick::mErrTrap {
namespace {

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
  g_allocations = 0;
  g_refuseAllocations = true;
  EXPECT_NO_THROW({
    Trap trap(u"Form1.fdClipboardText_MouseDown(Button,Shift,X,Y)", TrapKind::EndsChain, Button,
              Shift, X, Y);
    trap.Run([&] { trap.Step(20, [] { return new int(1); }); });
  });
  g_refuseAllocations = false;
  EXPECT_EQ(reporter.reports, 1);
  EXPECT_EQ(reporter.number, rt::OutOfMemory) << "no memory even for the error's texts";
  EXPECT_EQ(CurrentError().Number, 0);

  g_allocations = 0;
  { Trap trap(u"Form1.fdClipboardText_MouseDown(Button,Shift,X,Y)", TrapKind::EndsChain, Button,
              Shift, X, Y); }
  EXPECT_EQ(g_allocations, 0) << "a trap allocates before its Run";
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
