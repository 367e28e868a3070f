#include "clipboard/ClipboardTracker.h"

#include <gtest/gtest.h>

#include <string>

#include "clipboard/RefreshGate.h"

namespace tarnwick::clipboard {
namespace {

TEST(ContentFacts, OnlyUnmarkedTextIsConvertible) {
  const struct {
    ContentFacts facts;  // text, ignore mark, exclude mark, history permission
    bool convertible;
  } rows[] = {{{true, false, false, {}}, true},  {{false, false, false, {}}, false},  // a bitmap: no text
              {{true, true, false, {}}, false}, {{true, false, true, {}}, false},
              {{true, false, false, 0}, false}, {{true, false, false, 1}, true}};
  for (const auto& row : rows) EXPECT_EQ(IsConvertible(row.facts), row.convertible) << &row - rows;
}

TEST(ClipboardTracker, NotificationsOfOurWriteAreOursEvenWhenLate) {
  ClipboardTracker tracker;
  tracker.RecordShown(10, true, FingerprintOf(u"a"));
  EXPECT_FALSE(tracker.IsOwnChange(false, 10));

  tracker.BeginOwnWrite();
  // During the write every notification is ours, whoever owns the content.
  EXPECT_TRUE(tracker.IsOwnChange(true, 11));
  EXPECT_TRUE(tracker.IsOwnChange(false, 11));
  tracker.EndOwnWrite(12, true, FingerprintOf(u"A"));

  // Late notifications while our write is still the content.
  EXPECT_TRUE(tracker.IsOwnChange(true, 12));
  // Another program copied since: not ours, even if its notification is late.
  EXPECT_FALSE(tracker.IsOwnChange(false, 13));
  EXPECT_FALSE(tracker.IsOwnChange(false, 12));
  // We own the clipboard but the content moved on (a later write of ours
  // not yet recorded): it is taken as new content.
  EXPECT_FALSE(tracker.IsOwnChange(true, 14));
}

TEST(ClipboardTracker, KnowsTheContentAlreadyShownAndItsOwnLastWrite) {
  ClipboardTracker tracker;
  EXPECT_FALSE(tracker.AlreadyShown(3));
  tracker.RecordShown(3, true, FingerprintOf(u"x"));
  EXPECT_TRUE(tracker.AlreadyShown(3));
  EXPECT_FALSE(tracker.AlreadyShown(4));
  EXPECT_FALSE(tracker.IsOwnSequence(3));
  tracker.BeginOwnWrite();
  tracker.EndOwnWrite(5, true, FingerprintOf(u"X"));
  EXPECT_TRUE(tracker.IsOwnSequence(5));
  EXPECT_TRUE(tracker.AlreadyShown(5)) << "our write is what the field shows";
  tracker.RecordShown(6, true, FingerprintOf(u"y"));
  EXPECT_FALSE(tracker.AlreadyShown(5));
  EXPECT_TRUE(tracker.IsOwnSequence(5)) << "still our last write";
}

TEST(ClipboardTracker, ReplacesOnlyTheConvertibleContentTheFieldShows) {
  ClipboardTracker tracker;
  EXPECT_FALSE(tracker.MayReplace(1)) << "nothing shown yet";

  tracker.RecordShown(5, true, FingerprintOf(u"five"));
  EXPECT_TRUE(tracker.MayReplace(5));
  EXPECT_FALSE(tracker.MayReplace(6)) << "a newer copy must not be overwritten";

  tracker.RecordShown(7, false, FingerprintOf(u""));  // a bitmap or a private copy
  EXPECT_FALSE(tracker.MayReplace(7));

  tracker.RecordShown(8, true, FingerprintOf(u"eight"));
  tracker.BeginOwnWrite();
  tracker.EndOwnWrite(9, true, FingerprintOf(u"EIGHT"));
  EXPECT_TRUE(tracker.MayReplace(9)) << "our own result may be converted again";

  tracker.BeginOwnWrite();
  tracker.EndOwnWrite(10, false, {});  // cleared, but the write failed
  EXPECT_FALSE(tracker.MayReplace(10));
}

TEST(ClipboardTracker, TheSameTextAnnouncedAgainIsNotNewerContent) {
  ClipboardTracker tracker;
  EXPECT_FALSE(tracker.MayReplaceSameText(FingerprintOf(u"x"))) << "nothing shown yet";
  tracker.RecordShown(20, true, FingerprintOf(u"copied text"));
  // The platform fetched the same selection again: a new sequence number.
  EXPECT_FALSE(tracker.MayReplace(24));
  EXPECT_TRUE(tracker.MayReplaceSameText(FingerprintOf(u"copied text")));
  EXPECT_FALSE(tracker.MayReplaceSameText(FingerprintOf(u"copied texT")));
  EXPECT_FALSE(tracker.MayReplaceSameText(FingerprintOf(u"copied text ")));

  tracker.BeginOwnWrite();
  tracker.EndOwnWrite(22, true, FingerprintOf(u"COPIED TEXT"));
  EXPECT_TRUE(tracker.MayReplaceSameText(FingerprintOf(u"COPIED TEXT"))) << "our write, again";

  tracker.RecordShown(30, false, FingerprintOf(u""));  // a bitmap: field empty
  EXPECT_FALSE(tracker.MayReplaceSameText(FingerprintOf(u"")));
}

TEST(TextFingerprint, TellsTextsApartByEveryUnitAndTheLength) {
  EXPECT_EQ(FingerprintOf(u"Привет"), FingerprintOf(u"Привет"));
  EXPECT_NE(FingerprintOf(u"Привет"), FingerprintOf(u"привет"));
  EXPECT_NE(FingerprintOf(u"\u0100"), FingerprintOf(std::u16string(1, u'\0')));  // the high byte counts
  EXPECT_NE(FingerprintOf(u""), FingerprintOf(std::u16string(1, u'\0')));
  EXPECT_EQ(FingerprintOf(u"abc").length, 3u);
}

TEST(RefreshGate, ANestedRefreshOnlyMarksPendingButOneInAModalLoopRuns) {
  RefreshGate gate;
  {
    RefreshScope outer(gate, 0);
    ASSERT_TRUE(outer.Entered());
    EXPECT_FALSE(gate.TakePending());
    {
      RefreshScope nested(gate, 0);
      EXPECT_FALSE(nested.Entered());
    }
    EXPECT_TRUE(gate.TakePending());
    EXPECT_FALSE(gate.TakePending()) << "pending is taken once";
    {
      // The outer refresh opened an error dialog: its loop's notices run.
      RefreshScope inDialog(gate, 1);
      EXPECT_TRUE(inDialog.Entered());
      RefreshScope nestedInDialog(gate, 1);
      EXPECT_FALSE(nestedInDialog.Entered());
    }
    RefreshScope afterDialog(gate, 0);  // the outer refresh holds the gate again
    EXPECT_FALSE(afterDialog.Entered());
    EXPECT_TRUE(gate.TakePending());
  }
  RefreshScope again(gate, 0);
  EXPECT_TRUE(again.Entered());
}

}  // namespace
}  // namespace tarnwick::clipboard
