#include <gtest/gtest.h>

#include "shell/ShellErrorText.h"

namespace tarnwick::mCommon {
namespace {

TEST(ShellErrorText, SilentCodes) {
  for (std::int32_t code : {1, 4, 28, 29, 30, 32, 33, 42, -1, -32, INT32_MIN})
    EXPECT_TRUE(ShellErrorText(code).empty()) << code;
}

TEST(ShellErrorText, CodesWithAText) {
  EXPECT_EQ(ShellErrorText(2), u"The specified file was not found.");
  EXPECT_EQ(ShellErrorText(26), u"A sharing violation occurred.");
  for (std::int32_t code : {0, 2, 3, 5, 8, 11, 26, 27, 31}) {
    const Text text = ShellErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.back(), u'.') << code;
  }
}

}  // namespace
}  // namespace tarnwick::mCommon
