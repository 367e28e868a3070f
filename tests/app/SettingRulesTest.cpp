#include "app/SettingRules.h"

#include <gtest/gtest.h>

#include <limits>

#include "errors/ErrInfo.h"

namespace tarnwick::app {
namespace {

TEST(SettingRules, StoredValuesTheWindowTakesOrRefuses) {
  struct Row {
    const char* what;
    int (*check)();
    int result;
    std::int32_t error = 0;
    Text description = {};  // checked when given
  };
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  const Row rows[] = {
      {"option 0", [] { return CheckedOptionIndex(0); }, 0},
      {"option 4", [] { return CheckedOptionIndex(4); }, 4},
      {"option 5", [] { return CheckedOptionIndex(5); }, 0, 340,
       u"Control array element '5' doesn't exist"},
      {"option -1", [] { return CheckedOptionIndex(-1); }, 0, 340,
       u"Control array element '-1' doesn't exist"},
      {"check 0", [] { return CheckedCheckState(0); }, 0},
      {"check 2", [] { return CheckedCheckState(2); }, 2},
      {"check 3", [] { return CheckedCheckState(3); }, 0, 380},
      {"check -1", [] { return CheckedCheckState(-1); }, 0, 380},
      {"far left", [] { return EdgePixelsFromTwips(-30000.0f, 96); }, -2000},
      {"far right", [] { return EdgePixelsFromTwips(150000.0f, 96); }, 10000},
      {"at 144 dpi", [] { return EdgePixelsFromTwips(1500.0f, 144); }, 150},
      {"lowest int", [] { return EdgePixelsFromTwips(-32212254720.0f, 96); }, INT32_MIN},
      {"beyond int", [] { return EdgePixelsFromTwips(3.0e38f, 96); }, 0, 6},
      {"infinite", [] { return EdgePixelsFromTwips(-kInf, 96); }, 0, 6},
      {"not a number", [] { return EdgePixelsFromTwips(kNaN, 96); }, 0, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    int result = 0;
    mErrTrap::ErrInfo raised;
    try {
      result = row.check();
    } catch (const mErrTrap::ErrRaised& e) {
      raised = e.info();
    }
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(raised.Number, row.error);
    if (!row.description.empty()) {
      EXPECT_EQ(raised.Description, row.description);
    }
  }
  EXPECT_FALSE(IsOn(0));
  EXPECT_TRUE(IsOn(1));
  EXPECT_FALSE(IsOn(2)) << "grey counts as off";
}

}  // namespace
}  // namespace tarnwick::app
