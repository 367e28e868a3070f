#include "app/SettingRules.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "errors/ErrInfo.h"

namespace tarnwick::app {
namespace {

// The result, or the number and description of the error raised instead.
template <class F>
std::tuple<int, std::int32_t, Text> Outcome(F&& check) {
  try {
    return {check(), 0, u""};
  } catch (const mErrTrap::ErrRaised& e) {
    return {0, e.info().Number, e.info().Description};
  }
}

TEST(SettingRules, StoredValuesTheWindowTakesOrRefuses) {
  struct Row {
    const char* what;
    std::tuple<int, std::int32_t, Text> outcome, expected;
  };
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const Row rows[] = {
      {"option 0", Outcome([] { return CheckedOptionIndex(0); }), {0, 0, u""}},
      {"option 4", Outcome([] { return CheckedOptionIndex(4); }), {4, 0, u""}},
      {"option 5", Outcome([] { return CheckedOptionIndex(5); }),
       {0, 340, u"Control array element '5' doesn't exist"}},
      {"option -1", Outcome([] { return CheckedOptionIndex(-1); }),
       {0, 340, u"Control array element '-1' doesn't exist"}},
      {"check 0", Outcome([] { return CheckedCheckState(0); }), {0, 0, u""}},
      {"check 2", Outcome([] { return CheckedCheckState(2); }), {2, 0, u""}},
      {"check 3", Outcome([] { return CheckedCheckState(3); }), {0, 380, u"Invalid property value"}},
      {"check -1", Outcome([] { return CheckedCheckState(-1); }), {0, 380, u"Invalid property value"}},
      {"edge far left", Outcome([] { return EdgePixelsFromTwips(-30000.0f, 96); }), {-2000, 0, u""}},
      {"edge far right", Outcome([] { return EdgePixelsFromTwips(150000.0f, 96); }), {10000, 0, u""}},
      {"edge at 144 dpi", Outcome([] { return EdgePixelsFromTwips(1500.0f, 144); }), {150, 0, u""}},
      {"edge too far", Outcome([] { return EdgePixelsFromTwips(3.0e38f, 96); }), {0, 6, u"Overflow"}},
      {"edge infinite", Outcome([] { return EdgePixelsFromTwips(-kInf, 96); }), {0, 6, u"Overflow"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.outcome, row.expected);
  }
  EXPECT_EQ(std::make_tuple(IsOn(0), IsOn(1), IsOn(2)), std::make_tuple(false, true, false));
}

}  // namespace
}  // namespace tarnwick::app
