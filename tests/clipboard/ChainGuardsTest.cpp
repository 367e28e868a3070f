#include <gtest/gtest.h>

#include "clipboard/ChainWatch.h"
#include "clipboard/ChangeNotice.h"
#include "clipboard/ReadRetry.h"
#include "clipboard/RecaseBurstGuard.h"

namespace tarnwick::clipboard {
namespace {

TEST(RecasedVersion, SameLettersInAnotherCaseOnly) {
  EXPECT_TRUE(IsRecasedVersion(u"hello world", u"HELLO WORLD"));
  EXPECT_TRUE(IsRecasedVersion(u"привет", u"ПРИВЕТ"));
  EXPECT_TRUE(IsRecasedVersion(u"same", u"same"));
  EXPECT_FALSE(IsRecasedVersion(u"hello world!", u"HELLO WORLD"));
  EXPECT_FALSE(IsRecasedVersion(u"hello wurld", u"HELLO WORLD"));
  EXPECT_FALSE(IsRecasedVersion(u"", u"x"));
}

// Plays a fight: the other converter answers each of our outputs with its
// lower-case form `step` ms later; returns how many of its echoes we
// converted before the guard stopped us (or all of them).
std::size_t ConvertedEchoes(RecaseBurstGuard& guard, std::uint32_t start, std::uint32_t step,
                            int echoes) {
  std::size_t converted = 0;
  std::uint32_t now = start;
  for (int i = 0; i < echoes; ++i, now += step) {
    if (!guard.AllowsConversion(u"text", now)) break;
    guard.RecordOutput(u"TEXT");
    ++converted;
  }
  return converted;
}

TEST(RecaseBurstGuard, AQuickFightStopsAfterTheLimitAndAnOrdinaryCopyResumes) {
  RecaseBurstGuard guard;
  EXPECT_TRUE(guard.AllowsConversion(u"text", 0)) << "nothing written yet: an ordinary copy";
  guard.RecordOutput(u"TEXT");
  EXPECT_EQ(ConvertedEchoes(guard, 10, 30, 100), RecaseBurstGuard::kLimit);
  EXPECT_TRUE(guard.Stopped());
  // The fight stays stopped for as long as the echoes come, however slowly.
  EXPECT_FALSE(guard.AllowsConversion(u"TeXt", 60000));
  // An ordinary copy is converted again, and a new fight is bounded anew.
  EXPECT_TRUE(guard.AllowsConversion(u"other words", 60010));
  EXPECT_FALSE(guard.Stopped());
  guard.RecordOutput(u"TEXT");
  EXPECT_EQ(ConvertedEchoes(guard, 60020, 30, 100), RecaseBurstGuard::kLimit);
}

// Echoes closer than the window are one fight however slow, across the tick
// count's wrap too; echoes the window apart are a user copying the words
// again; a fight that pauses for the window is counted anew.
TEST(RecaseBurstGuard, EchoesWithinTheWindowAreOneFight) {
  constexpr std::size_t kLimit = RecaseBurstGuard::kLimit;
  const struct {
    std::uint32_t start, step;
    std::size_t converted;
  } rows[] = {{0, 1999, kLimit}, {0xFFFFFF00u, 20, kLimit}, {0, 2000, 200}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.step);
    RecaseBurstGuard guard;
    guard.RecordOutput(u"TEXT");
    EXPECT_EQ(ConvertedEchoes(guard, row.start, row.step, 200), row.converted);
    EXPECT_EQ(guard.Stopped(), row.converted == kLimit);
  }
  RecaseBurstGuard paused;
  paused.RecordOutput(u"TEXT");
  EXPECT_EQ(ConvertedEchoes(paused, 0, 30, 10), 10u);  // the last at 270 ms
  EXPECT_EQ(ConvertedEchoes(paused, 270 + RecaseBurstGuard::kWindowMs, 30, 100), kLimit);
}

TEST(ChainWatch, AnUnannouncedChangeForAWholePeriodAsksToRejoin) {
  ChainWatch watch;
  EXPECT_FALSE(watch.NeedsRejoin(7)) << "not joined yet";
  watch.Announced(7);
  EXPECT_FALSE(watch.NeedsRejoin(7));
  EXPECT_FALSE(watch.NeedsRejoin(8)) << "its notification may still be on the way";
  EXPECT_TRUE(watch.NeedsRejoin(9)) << "no notification came since the last check";
  // Once joined again the new announcement settles it.
  watch.Announced(9);
  EXPECT_FALSE(watch.NeedsRejoin(9));
  EXPECT_FALSE(watch.NeedsRejoin(9));
}

TEST(ChainWatch, ChangesThatKeepBeingAnnouncedNeverAskToRejoin) {
  ChainWatch watch;
  std::uint32_t sequence = 100;
  watch.Announced(sequence);
  for (int check = 0; check < 50; ++check) {
    sequence += 3;  // changes between every pair of checks...
    EXPECT_FALSE(watch.NeedsRejoin(sequence));
    watch.Announced(sequence - 1);  // ...each announced, a little behind
  }
  // A late notification that arrives before the next check is in time.
  watch.Announced(500);
  EXPECT_FALSE(watch.NeedsRejoin(501));
  watch.Announced(501);
  EXPECT_FALSE(watch.NeedsRejoin(502));
  watch.Announced(502);
  EXPECT_FALSE(watch.NeedsRejoin(502));
}

TEST(ReadRetry, AContentIsTriedForTenSecondsThenGivenUpNewerContentAnew) {
  constexpr std::uint32_t kBound = ReadRetry::kGiveUpAfterMs;
  for (std::uint32_t start : {0u, 0xFFFFFF00u}) {  // and across the tick count's wrap
    SCOPED_TRACE(start);
    ReadRetry retry;
    EXPECT_FALSE(retry.Waiting());
    EXPECT_TRUE(retry.Failed(5, start));
    EXPECT_TRUE(retry.Waiting());
    EXPECT_TRUE(retry.Retries(5));
    EXPECT_FALSE(retry.Retries(6)) << "newer content is no retry";
    EXPECT_EQ(retry.NextTryInMs(start), ReadRetry::kFirstRetryMs);
    EXPECT_TRUE(retry.Failed(5, start + 4000));
    EXPECT_EQ(retry.NextTryInMs(start + 4000), 1000u) << "further apart the longer it fails";
    EXPECT_EQ(retry.NextTryInMs(start + 9000), ReadRetry::kLongestRetryMs);
    EXPECT_TRUE(retry.Failed(5, start + kBound - 1)) << "still within the bound";
    EXPECT_FALSE(retry.Failed(5, start + kBound)) << "given up";
    EXPECT_FALSE(retry.Failed(5, start + 3 * kBound)) << "and stays given up";
    EXPECT_TRUE(retry.Retries(5));
    EXPECT_TRUE(retry.Failed(6, start + 3 * kBound)) << "newer content: tried anew";
    EXPECT_TRUE(retry.Failed(6, start + 4 * kBound - 1));
    retry.Read();
    EXPECT_FALSE(retry.Waiting());
    EXPECT_FALSE(retry.Retries(6));
    EXPECT_TRUE(retry.Failed(6, start + 5 * kBound)) << "read since: its next failure is new";
  }
}

TEST(ChangeNotice, TheListenerOnlyWhereOfferedAndTheSystemSaysVistaOrLater) {
  using mOSVersion::kPlatformNT;
  const struct {
    const char* system;
    bool answered;
    std::uint32_t platform, major;
    bool listener;  // when the system offers it
  } rows[] = {
      {"2000, XP and 2003", true, kPlatformNT, 5, false}, {"Vista and 7", true, kPlatformNT, 6, true},
      {"10", true, kPlatformNT, 10, true}, {"98", true, mOSVersion::kPlatformWin9x, 6, false},
      {"no answer", false, kPlatformNT, 6, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.system);
    const mOSVersion::OSVersionFacts facts{row.answered, row.platform, row.major, 0, 0, {}};
    EXPECT_EQ(ChooseChangeNotice(true, facts) == ChangeNotice::FormatListener, row.listener);
    EXPECT_EQ(ChooseChangeNotice(false, facts), ChangeNotice::ViewerChain);
  }
}

}  // namespace
}  // namespace tarnwick::clipboard
