// ASCII in and out of the program's text: seven bits pass, anything above
// becomes '?' (the first code unit past ASCII included).
#include <gtest/gtest.h>

#include "common/Text.h"

namespace tarnwick {
namespace {

TEST(Text, AsciiBothWaysKeepsSevenBitsAndMarksTheRest) {
  EXPECT_EQ(AsciiToText("A~\x7F\x80\xFF"), u"A~\x7F??");
  EXPECT_EQ(TextToAscii(u"A~\u007F\u0080\u00E9\uFFFF"), "A~\x7F???");
}

}  // namespace
}  // namespace tarnwick
