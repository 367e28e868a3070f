#include "app/SettingRules.h"

#include <gtest/gtest.h>

#include <limits>

#include "../support/Outcome.h"

namespace tarnwick::app {
namespace {

using testsupport::Outcome;

TEST(SettingRules, StoredValuesTheWindowTakesOrRefuses) {
  const Text kInvalid = u"380 Invalid property value";
  const struct {
    std::int16_t value;
    Text option, checkState;
  } rows[] = {{0, u"0", u"0"}, {2, u"2", u"2"}, {3, u"3", kInvalid}, {4, u"4", kInvalid},
              {5, u"340 Control array element '5' doesn't exist", kInvalid},
              {-1, u"340 Control array element '-1' doesn't exist", kInvalid}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(Outcome([&] { return CheckedOptionIndex(row.value); }), row.option);
    EXPECT_EQ(Outcome([&] { return CheckedCheckState(row.value); }), row.checkState);
  }
  EXPECT_TRUE(IsOn(1));
  EXPECT_FALSE(IsOn(0) || IsOn(2)) << "grey counts as off";
}

TEST(SettingRules, WindowEdgesOffScreenAreKeptImpossibleOnesOverflow) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(-30000.0f, 96); }), u"-2000");
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(150000.0f, 96); }), u"10000");
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(1500.0f, 144); }), u"150");
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(-32212254720.0f, 96); }), u"-2147483648");
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(3.0e38f, 96); }), u"6 Overflow");
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(-kInf, 96); }), u"6 Overflow");
  EXPECT_EQ(Outcome([] { return EdgePixelsFromTwips(kNaN, 96); }), u"6 Overflow");
}

}  // namespace
}  // namespace tarnwick::app
