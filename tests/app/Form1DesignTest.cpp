#include "app/Form1Design.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <set>
#include <span>

#include "env/UIStrings.h"
#include "forms/FormDesign.h"

namespace tarnwick::app {
namespace {

struct Table {
  const char16_t* name;
  std::span<const ControlDesign> controls;
  int clientWidth, clientHeight;
};

std::vector<Table> AllForms() {
  std::vector<Table> all{{u"Form1", Form1Controls(), kClientWidthTwips, kClientHeightTwips}};
  for (const forms::FormDesign* form : {&forms::Form10Design(), &forms::Form11Design()})
    all.push_back({form->name, form->controls, form->clientWidth, form->clientHeight});
  return all;
}

const ControlDesign* Find(std::span<const ControlDesign> controls, int id) {
  for (const ControlDesign& c : controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

// Controls that frame or underlie others, or are never seen.
bool IsDecoration(const ControlDesign& c) {
  return c.kind == ControlKind::Panel || c.kind == ControlKind::GroupBox || c.kind == ControlKind::Line ||
         c.kind == ControlKind::HiddenLabel;
}

// Edges of siblings line up exactly or stand at least 4 pixels apart, and
// what the user can see keeps as much room from the edges around it.
constexpr int kClear = 60;

// Controls are built in table order: a container must exist before what it
// holds, ids must tell controls apart, and whatever the user can see lies
// inside the client area and inside its box, clear of their edges.
TEST(FormDesigns, ContainersFirstIdsUniqueEverythingVisibleInsideClearOfTheEdges) {
  for (const Table& form : AllForms()) {
    SCOPED_TRACE(TextToAscii(form.name));
    std::set<int> seen;
    for (const ControlDesign& c : form.controls) {
      SCOPED_TRACE(TextToAscii(c.name));
      EXPECT_TRUE(c.id != 0 && c.width > 0 && c.height > 0);
      EXPECT_TRUE(seen.insert(c.id).second) << "id used twice";
      if (c.container != 0) {
        EXPECT_TRUE(seen.count(c.container)) << "container comes later";
      }
      // The panel fills the window, Frame1 runs past it and the About
      // dialog's lines run past both edges, as designed.
      if (IsDecoration(c)) continue;
      const ControlDesign* box = Find(form.controls, c.container);
      if (box != nullptr && box->kind != ControlKind::Panel) {
        EXPECT_GE(c.left, kClear);
        EXPECT_GE(c.top, kClear);
        EXPECT_LE(c.left + c.width, box->width - kClear);
        EXPECT_LE(c.top + c.height, box->height - kClear);
      }
      int left = c.left, top = c.top;
      for (const ControlDesign* p = box; p != nullptr; p = Find(form.controls, p->container)) {
        left += p->left;
        top += p->top;
      }
      EXPECT_GE(left, kClear);
      EXPECT_GE(top, kClear);
      // The widest option of the hidden Frame1 reaches the right edge.
      EXPECT_LE(left + c.width, form.clientWidth);
      EXPECT_LE(top + c.height, form.clientHeight);
    }
  }
  // The font container is never seen: it starts below the client area.
  EXPECT_GE(DesignOf(ControlId::lblFontContainer).top, kClientHeightTwips);
}

// What a user would see as a slip of the layout: two controls of one
// container that overlap, or edges that almost line up.
TEST(FormDesigns, SiblingsNeverOverlapAndEdgesLineUpOrStandClear) {
  const auto edges = [](const ControlDesign& c) {
    return std::array{c.left, c.left + c.width, c.top, c.top + c.height};
  };
  for (const Table& form : AllForms()) {
    SCOPED_TRACE(TextToAscii(form.name));
    for (std::size_t i = 0; i < form.controls.size(); ++i) {
      for (std::size_t j = i + 1; j < form.controls.size(); ++j) {
        const ControlDesign &a = form.controls[i], &b = form.controls[j];
        if (a.container != b.container || IsDecoration(a) || IsDecoration(b)) continue;
        SCOPED_TRACE(TextToAscii(a.name) + " and " + TextToAscii(b.name));
        const auto ea = edges(a), eb = edges(b);
        EXPECT_TRUE(ea[1] <= eb[0] || eb[1] <= ea[0] || ea[3] <= eb[2] || eb[3] <= ea[2]) << "overlap";
        for (std::size_t k = 0; k < ea.size(); ++k) {
          const int apart = std::abs(ea[k] - eb[k]);
          EXPECT_TRUE(apart == 0 || apart >= kClear) << "edge " << k << " off by " << apart;
        }
      }
    }
  }
}

// Each step of a dialog's load sets one caption, in ascending order; the
// window's own caption comes first.
TEST(FormDesigns, CaptionStepsRunOnceEachInOrder) {
  for (const forms::FormDesign* form : {&forms::Form10Design(), &forms::Form11Design()}) {
    SCOPED_TRACE(TextToAscii(form->name));
    const auto steps = forms::CaptionSteps(*form);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front().control, nullptr);
    // A failing step is reported by its number: the steps run by tens.
    for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(steps[i].step, 20 + 10 * int(i));
  }
  EXPECT_EQ(forms::CaptionSteps(forms::Form11Design()).size(), 20u);  // steps 20 to 210
  EXPECT_EQ(forms::CaptionSteps(forms::Form10Design()).size(), 10u);  // steps 20 to 110
}

TEST(Form1Design, EachCommandPairsItsButtonAndOptionByCaption) {
  int index = 0;
  for (const ConversionCommand& command : ConversionCommands()) {
    const ControlDesign& option = DesignOf(command.option);
    EXPECT_EQ(command.option, OptionControl(index));
    EXPECT_EQ(option.container, ControlId::Frame1);  // whose bounds every control keeps, as above
    EXPECT_EQ(Text(option.caption), Text(DesignOf(command.button).caption));
    EXPECT_EQ(command.optionStep, 30 + 10 * index++);
  }
}

TEST(FormDesigns, AboutVersionLineWidensTheMinorNumberOnly) {
  EXPECT_EQ(forms::AboutVersionLine(u"Version ", 1, 5), u"Version 1.05");
  EXPECT_EQ(forms::AboutVersionLine(u"Version ", 2, 12), u"Version 2.12");
  EXPECT_EQ(forms::AboutVersionLine(u"Version ", 10, 0), u"Version 10.00");
}

TEST(FormDesigns, TwipsConvertAtTheGivenDpi) {
  EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 369);
  EXPECT_EQ(TwipsToPixels(120, 120), 10);
  EXPECT_EQ(TwipsToPixels(1815, 144), 182);  // 181.5 rounds up
  EXPECT_EQ(TwipsToPixels(-300, 96), -20);
  EXPECT_DOUBLE_EQ(PixelsToTwips(-7, 96), -105.0);
}

TEST(FieldView, ShowsShortTextsWholeLongOnesFromTheStartNeverHalfAPair) {
  const Text emoji = u"abc\U0001F600def";  // the emoji takes units 3 and 4
  const Text loneHigh = Text(u"abc") + char16_t(0xD800);
  const struct {
    Text text;
    std::size_t limit, shown;
  } rows[] = {{u"", 4, 0}, {u"abcd", 4, 4}, {u"abcdef", 4, 4}, {u"abc", 0, 0}, {u"abcdef", 0, 0},
              {emoji, 4, 3}, {emoji, 5, 5}, {emoji, 3, 3},
              {u"abc\U00010000", 4, 3}, {u"abc\U0010FFFF", 4, 3},  // high halves D800 and DBFF
              {u"ab\U00010000c", 4, 4},  // the cut falls after the pair
              {loneHigh, 4, 4}};          // a whole text is shown whole
  for (const auto& row : rows) {
    SCOPED_TRACE(TextToAscii(row.text) + " limit " + std::to_string(row.limit));
    EXPECT_EQ(FieldViewLength(row.text, row.limit), row.shown);
  }
  EXPECT_EQ(FieldViewLength(Text(kFieldViewLimit * 3, u'x')), kFieldViewLimit);
}

}  // namespace
}  // namespace tarnwick::app
