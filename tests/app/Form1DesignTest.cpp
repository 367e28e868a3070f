#include "app/Form1Design.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tarnwick::app {
namespace {

// Controls are created in table order, so a container must come before the
// controls it holds; the order is also the tab order.
TEST(Form1Design, TableOrderContainersAndVisibility) {
  int index = 0;
  for (const ControlDesign& c : Form1Controls()) {
    SCOPED_TRACE(TextToAscii(c.name));
    EXPECT_EQ(c.tabOrder, index++);
    EXPECT_EQ(&DesignOf(c.id), &c);
    if (c.container != ControlId::Count) {
      EXPECT_LT(c.container, c.id);
    }
    EXPECT_GT(c.width, 0);
    EXPECT_GT(c.height, 0);
    // The panel fills the window and Frame1 runs past its right edge as
    // designed; everything that takes input must be fully visible.
    if (c.kind == ControlKind::Panel || c.kind == ControlKind::GroupBox ||
        c.id == ControlId::lblFontContainer) {
      continue;
    }
    int left = c.left, top = c.top;
    for (ControlId p = c.container; p != ControlId::Count; p = DesignOf(p).container) {
      left += DesignOf(p).left;
      top += DesignOf(p).top;
    }
    EXPECT_LE(left + c.width, kClientWidthTwips);
    EXPECT_LE(top + c.height, kClientHeightTwips);
  }
  // The font container is never seen: it starts below the client area.
  EXPECT_GE(DesignOf(ControlId::lblFontContainer).top, kClientHeightTwips);
}

TEST(Form1Design, OptionsMatchTheButtonsCaptionForCaption) {
  const ControlId buttons[] = {ControlId::bnSentence, ControlId::bnLower, ControlId::bnUpper,
                               ControlId::bnEvery, ControlId::bnToggle};
  const ControlDesign& frame = DesignOf(ControlId::Frame1);
  for (int i = 0; i < kOptionCount; ++i) {
    const ControlDesign& option = DesignOf(OptionControl(i));
    SCOPED_TRACE(i);
    EXPECT_EQ(option.container, ControlId::Frame1);
    EXPECT_EQ(Text(option.caption), Text(DesignOf(buttons[i]).caption));
    EXPECT_LE(option.left + option.width, frame.width);
    EXPECT_LE(option.top + option.height, frame.height);
  }
}

TEST(Form1Design, TwipsAndTheFieldView) {
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 369);
  EXPECT_EQ(TwipsToPixels(1815, 144), 182);  // 181.5 rounds up
  EXPECT_EQ(TwipsToPixels(-300, 96), -20);
  EXPECT_DOUBLE_EQ(PixelsToTwips(-7, 96), -105.0);
  const Text emoji = u"abc\U0001F600def";  // the emoji takes units 3 and 4
  const std::tuple<Text, std::size_t, std::size_t> views[] = {
      {u"", 4, 0}, {u"abcd", 4, 4}, {u"abcdef", 4, 4}, {emoji, 4, 3}, {emoji, 5, 5}, {emoji, 3, 3}};
  for (const auto& [text, limit, shown] : views) {
    EXPECT_EQ(FieldViewLength(text, limit), shown) << TextToAscii(text) << " limit " << limit;
  }
  EXPECT_EQ(FieldViewLength(Text(kFieldViewLimit * 3, u'x')), kFieldViewLimit);
}

}  // namespace
}  // namespace tarnwick::app
