#include "app/SettingRules.h"

#include <gtest/gtest.h>

#include <limits>

#include "errors/ErrInfo.h"

namespace tarnwick::app {
namespace {

template <class F>
mErrTrap::ErrInfo RaisedBy(F&& f) {
  try {
    f();
  } catch (const mErrTrap::ErrRaised& e) {
    return e.info();
  }
  return {};
}

TEST(SettingRules, OptionIndexesOutsideTheArrayRaise340WithTheIndex) {
  for (std::int16_t i = 0; i < 5; ++i) EXPECT_EQ(CheckedOptionIndex(i), i);
  const auto tooHigh = RaisedBy([] { CheckedOptionIndex(5); });
  EXPECT_EQ(tooHigh.Number, 340);
  EXPECT_EQ(tooHigh.Description, u"Control array element '5' doesn't exist");
  EXPECT_EQ(RaisedBy([] { CheckedOptionIndex(-1); }).Description,
            u"Control array element '-1' doesn't exist");
}

TEST(SettingRules, CheckStatesAreZeroToTwoAndOnlyOneIsOn) {
  EXPECT_EQ(CheckedCheckState(0), 0);
  EXPECT_EQ(CheckedCheckState(1), 1);
  EXPECT_EQ(CheckedCheckState(2), 2);
  EXPECT_EQ(RaisedBy([] { CheckedCheckState(3); }).Number, mErrTrap::rt::InvalidProperty);
  EXPECT_EQ(RaisedBy([] { CheckedCheckState(-1); }).Number, mErrTrap::rt::InvalidProperty);
  EXPECT_FALSE(IsOn(0));
  EXPECT_TRUE(IsOn(1));
  EXPECT_FALSE(IsOn(2)) << "grey counts as off";
}

TEST(SettingRules, EdgesOffScreenAreKeptAndImpossibleOnesRaiseOverflow) {
  EXPECT_EQ(EdgePixelsFromTwips(0.0f, 96), 0);
  EXPECT_EQ(EdgePixelsFromTwips(-30000.0f, 96), -2000);
  EXPECT_EQ(EdgePixelsFromTwips(150000.0f, 96), 10000);
  EXPECT_EQ(EdgePixelsFromTwips(1500.0f, 144), 150);
  EXPECT_EQ(RaisedBy([] { EdgePixelsFromTwips(3.0e38f, 96); }).Number, mErrTrap::rt::Overflow);
  EXPECT_EQ(RaisedBy([] { EdgePixelsFromTwips(-std::numeric_limits<float>::infinity(), 96); })
                .Number,
            mErrTrap::rt::Overflow);
}

}  // namespace
}  // namespace tarnwick::app
