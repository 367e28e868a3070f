#include "app/Form1Design.h"

#include <gtest/gtest.h>

#include <set>

namespace tarnwick::app {
namespace {

TEST(Form1Design, TabOrderIsTheTableOrderWithoutGaps) {
  std::set<int> orders;
  int expected = 0;
  for (const ControlDesign& c : Form1Controls()) {
    EXPECT_EQ(c.tabOrder, expected++) << TextToAscii(c.name);
    EXPECT_EQ(&DesignOf(c.id), &c);
    orders.insert(c.tabOrder);
  }
  EXPECT_EQ(orders.size(), static_cast<std::size_t>(kControlCount));
}

TEST(Form1Design, ContainersComeBeforeTheirControls) {
  // Controls are created in table order, so a container must exist first.
  for (const ControlDesign& c : Form1Controls()) {
    if (c.container == ControlId::Count) continue;
    EXPECT_LT(static_cast<int>(c.container), static_cast<int>(c.id)) << TextToAscii(c.name);
  }
}

TEST(Form1Design, EveryControlThatCanBeUsedLiesInsideTheClientArea) {
  // The panel fills the window and Frame1's right edge runs past it as
  // designed; everything that takes input must be fully visible.
  for (const ControlDesign& c : Form1Controls()) {
    if (c.kind == ControlKind::Panel || c.kind == ControlKind::GroupBox ||
        c.id == ControlId::lblFontContainer) {
      continue;
    }
    int left = c.left, top = c.top;
    for (ControlId p = c.container; p != ControlId::Count; p = DesignOf(p).container) {
      left += DesignOf(p).left;
      top += DesignOf(p).top;
    }
    EXPECT_LE(left + c.width, kClientWidthTwips) << TextToAscii(c.name);
    EXPECT_LE(top + c.height, kClientHeightTwips) << TextToAscii(c.name);
  }
  // The font container is never seen: it starts below the client area.
  EXPECT_GE(DesignOf(ControlId::lblFontContainer).top, kClientHeightTwips);
}

TEST(Form1Design, OptionsMatchTheButtonsCaptionForCaption) {
  const ControlId buttons[] = {ControlId::bnSentence, ControlId::bnLower, ControlId::bnUpper,
                               ControlId::bnEvery, ControlId::bnToggle};
  for (int i = 0; i < kOptionCount; ++i) {
    const ControlDesign& option = DesignOf(OptionControl(i));
    EXPECT_EQ(option.container, ControlId::Frame1);
    EXPECT_EQ(Text(option.caption), Text(DesignOf(buttons[i]).caption));
    EXPECT_LE(option.left + option.width, DesignOf(ControlId::Frame1).width);
    EXPECT_LE(option.top + option.height, DesignOf(ControlId::Frame1).height);
  }
}

TEST(Form1Design, TwipsConvertAtTheGivenDpi) {
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 369);
  EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 96), 223);
  EXPECT_EQ(TwipsToPixels(120, 120), 10);
  EXPECT_EQ(TwipsToPixels(1815, 144), 182);  // 181.5 rounds up
  EXPECT_EQ(TwipsToPixels(-300, 96), -20);
  EXPECT_DOUBLE_EQ(PixelsToTwips(20, 96), 300.0);
  EXPECT_DOUBLE_EQ(PixelsToTwips(-7, 96), -105.0);
}

}  // namespace
}  // namespace tarnwick::app

namespace tarnwick::app {
namespace {

TEST(FieldView, ShowsShortTextsWholeAndLongOnesFromTheStart) {
  EXPECT_EQ(FieldViewLength(u"", 4), 0u);
  EXPECT_EQ(FieldViewLength(u"abcd", 4), 4u);
  EXPECT_EQ(FieldViewLength(u"abcdef", 4), 4u);
  const Text big(kFieldViewLimit * 3, u'x');
  EXPECT_EQ(FieldViewLength(big), kFieldViewLimit);
}

TEST(FieldView, NeverEndsInsideASurrogatePair) {
  const Text text = u"abc\U0001F600def";  // the emoji takes units 3 and 4
  EXPECT_EQ(FieldViewLength(text, 4), 3u);
  EXPECT_EQ(FieldViewLength(text, 5), 5u);
  EXPECT_EQ(FieldViewLength(text, 3), 3u);
}

}  // namespace
}  // namespace tarnwick::app
