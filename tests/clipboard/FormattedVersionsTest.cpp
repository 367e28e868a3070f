// The formatted versions beside a copy's text: converted with the text's
// rule, left out when they cannot be converted, and part of what tells one
// content from another.
#include "clipboard/FormattedVersions.h"

#include <gtest/gtest.h>

#include <string>

#include "clipboard/ClipboardTracker.h"
#include "../support/CountingNew.h"

namespace tarnwick::clipboard {
namespace {

using mCase::CaseRule;

// A browser's "HTML Format" block around one paragraph (offsets of width 2).
std::string Html(const std::string& paragraph) {
  const std::string header = "Version:0.9\r\nStartHTML:xx\r\nEndHTML:xx\r\nStartFragment:xx\r\nEndFragment:xx\r\n";
  const std::string body = "<p>" + paragraph + "</p>";
  std::string block = header + body;
  for (const std::size_t offset :
       {header.size(), header.size() + body.size(), header.size(), header.size() + body.size()}) {
    const char digits[] = {char('0' + offset / 10), char('0' + offset % 10)};
    block.replace(block.find("xx"), 2, digits, 2);
  }
  return block;
}

std::string Rtf(const std::string& text) { return "{\\rtf1\\ansi{\\b " + text + "}\\par}"; }

TEST(FormattedVersions, EachVersionIsConvertedWithTheRuleAndOneThatCannotBeIsLeftOut) {
  struct Row {
    const char* name;
    CaseRule rule;
    FormattedVersions in, out;
  };
  const Row rows[] = {
      {"both", CaseRule::Upper, {Html("Hello wOrld"), Rtf("Hello wOrld")},
       {Html("HELLO WORLD"), Rtf("HELLO WORLD")}},
      {"sentence case sees a block start", CaseRule::Sentence, {Html("hELLO. wORLD"), Rtf("hELLO. wORLD")},
       {Html("Hello. World"), Rtf("Hello. World")}},
      {"html alone", CaseRule::Toggle, {Html("aB"), std::nullopt}, {Html("Ab"), std::nullopt}},
      {"rtf alone", CaseRule::Lower, {std::nullopt, Rtf("AB")}, {std::nullopt, Rtf("ab")}},
      {"a broken header", CaseRule::Upper, {"Version:0.9\r\nStartHTML:99\r\n<p>x</p>", Rtf("x")},
       {std::nullopt, Rtf("X")}},
      {"unbalanced groups", CaseRule::Upper, {Html("x"), "{\\rtf1 {x}"}, {Html("X"), std::nullopt}},
      {"neither", CaseRule::Upper, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FormattedVersions versions = row.in;
    ConvertFormattedVersions(row.rule, versions);
    EXPECT_EQ(versions.html, row.out.html);
    EXPECT_EQ(versions.rtf, row.out.rtf);
  }
}

// Out of memory for one result: that version is left out, not put back
// unconverted, and the other is converted all the same.
TEST(FormattedVersions, AVersionWithoutMemoryForItsResultIsLeftOut) {
  const std::string longText(4096, 'a');
  FormattedVersions versions{Html(longText), Rtf("x")};
  test_support::RefuseAllocationsFrom(longText.size());
  ConvertFormattedVersions(CaseRule::Upper, versions);
  test_support::RefuseAllocationsFrom(test_support::kRefuseNothing);
  EXPECT_EQ(versions.html, std::nullopt);
  EXPECT_EQ(versions.rtf, Rtf("X"));
}

TEST(TextFingerprint, TheFormattedVersionsBelongToTheContent) {
  const std::u16string text = u"same text";
  const FormattedVersions none, html{Html("a"), std::nullopt}, rtf{std::nullopt, Html("a")},
      empty{std::string(), std::nullopt}, other{Html("b"), std::nullopt},
      longer{Html("a") + "12345678", std::nullopt}, lastByte{Html("a") + "12345679", std::nullopt};
  EXPECT_EQ(FingerprintOf(text, none), FingerprintOf(text)) << "a text alone has no versions";
  EXPECT_EQ(FingerprintOf(text, html), FingerprintOf(text, FormattedVersions{Html("a"), std::nullopt}));
  const FormattedVersions* all[] = {&none, &html, &rtf, &empty, &other, &longer, &lastByte};
  for (const FormattedVersions* a : all) {
    for (const FormattedVersions* b : all) {
      if (a != b) {
        EXPECT_NE(FingerprintOf(text, *a), FingerprintOf(text, *b));
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick::clipboard
