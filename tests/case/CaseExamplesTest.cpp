// The documented examples of the five rules, and the sample sentence of the
// conversion commands under all five.
#include <gtest/gtest.h>

#include "case/CaseRules.h"

namespace tarnwick::mCase {
namespace {

struct Example {
  const char16_t* input;
  const char16_t* expected;
};

void ExpectAll(Text (*rule)(TextView), std::initializer_list<Example> examples) {
  for (const Example& e : examples) {
    EXPECT_EQ(rule(e.input), Text(e.expected)) << TextToAscii(e.input);
  }
}

TEST(CaseExamples, SampleSentenceUnderEveryRule) {
  const Text sample = u"Hello World. how are you?";
  EXPECT_EQ(UpperCase(sample), u"HELLO WORLD. HOW ARE YOU?");
  EXPECT_EQ(LowerCase(sample), u"hello world. how are you?");
  EXPECT_EQ(SentenceCase(sample), u"Hello world. How are you?");
  EXPECT_EQ(ProperCase(sample), u"Hello World. How Are You?");
  EXPECT_EQ(ToggledCase(sample), u"hELLO wORLD. HOW ARE YOU?");
  EXPECT_EQ(ToggledCase(ToggledCase(sample)), sample);
}

TEST(CaseExamples, EmptyTextUnderEveryRule) {
  for (auto rule : {UpperCase, LowerCase, SentenceCase, ProperCase, ToggledCase}) {
    EXPECT_EQ(rule(u""), u"");
  }
}

TEST(CaseExamples, SentenceCaseStartsSentencesOnlyAtDelimiters) {
  ExpectAll(SentenceCase, {
      {u"HELLO WORLD", u"Hello world"},
      {u"hello. how are you? fine! time: now", u"Hello. How are you? Fine! Time: Now"},
      {u"first line\r\nsecond line", u"First line\r\nsecond line"},
      {u"end.\r\n\r\nnext", u"End.\r\n\r\nNext"},
      {u"semi; comma, dash - not ends", u"Semi; comma, dash - not ends"},
  });
}

TEST(CaseExamples, SentenceCaseSkipsLeadingNonLetters) {
  ExpectAll(SentenceCase, {
      {u"   hello", u"   Hello"},
      {u"3rd place", u"3Rd place"},
      {u"(note.) then", u"(Note.) Then"},
  });
}

TEST(CaseExamples, SentenceCaseDelimitersInsideWordsAndNumbersCount) {
  ExpectAll(SentenceCase, {
      {u"version 2.5 is out", u"Version 2.5 Is out"},
      {u"e.g. this", u"E.G. This"},
      {u"wait... what", u"Wait... What"},
      {u"file.txt", u"File.Txt"},
      {u"i met John in NASA", u"I met john in nasa"},
  });
}

TEST(CaseExamples, SentenceCaseOfDelimitersOnlyAndTrailingDelimiter) {
  ExpectAll(SentenceCase, {
      {u"...!?", u"...!?"},
      {u"end.", u"End."},
  });
}

TEST(CaseExamples, SentenceCaseOtherScripts) {
  ExpectAll(SentenceCase, {
      {u"привет. мир", u"Привет. Мир"},
      {u"ΚΑΛΗΜΕΡΑ. κόσμε", u"Καλημερα. Κόσμε"},
      {u"你好世界。 . abc", u"你好世界。 . Abc"},
      {u"中文. abc", u"中文. Abc"},
  });
}

TEST(CaseExamples, ToggleCaseSwapsLettersOnly) {
  ExpectAll(ToggledCase, {
      {u"Hello World 123", u"hELLO wORLD 123"},
      {u"Мир", u"мИР"},
      {u"a1.b,\r\n\tC!", u"A1.B,\r\n\tc!"},
      // The title-case digraph is neither its own upper nor lower form.
      {u"\u01C5a\u01C4\u01C6", u"\u01C5A\u01C6\u01C4"},
  });
}

TEST(CaseExamples, ProperCaseWordsStartOnlyAfterSeparators) {
  ExpectAll(ProperCase, {
      {u"hello WORLD", u"Hello World"},
      {u"o'neil and jean-luc", u"O'neil And Jean-luc"},
      {u"(hello) world", u"(hello) World"},
      {u"hello.world", u"Hello.world"},
      {u"one\ttwo\r\nthree", u"One\tTwo\r\nThree"},
      {u"a\vb\fc", u"A\vB\fC"},
      {u"\xE9t\xE9 \u0434\u043E\u043C", u"\xC9t\xE9 \u0414\u043E\u043C"},
  });
  // NUL separates words as well.
  EXPECT_EQ(ProperCase(TextView(u"ab\0cd", 5)), Text(u"Ab\0Cd", 5));
}

TEST(CaseExamples, UpperAndLowerChangeLettersOnly) {
  EXPECT_EQ(UpperCase(u"abc 123, x.y!\r\n\tz"), u"ABC 123, X.Y!\r\n\tZ");
  EXPECT_EQ(LowerCase(u"ABC 123, X.Y!\r\n\tZ"), u"abc 123, x.y!\r\n\tz");
  // Sharp s has no single-unit upper form and stays.
  EXPECT_EQ(UpperCase(u"stra\xDF" u"e"), u"STRA\xDF" u"E");
  EXPECT_EQ(UpperCase(u"\u043F\u0440\u0438\u0432\u0435\u0442"), u"\u041F\u0420\u0418\u0412\u0415\u0422");
}

TEST(CaseExamples, SurrogatePairsPassEveryRuleUnchanged) {
  // U+10428 (a lower-case Deseret letter) and U+1F600 (an emoji).
  const Text text = u"a\U00010428b \U0001F600. c";
  EXPECT_EQ(UpperCase(text), u"A\U00010428B \U0001F600. C");
  EXPECT_EQ(LowerCase(text), text);
  EXPECT_EQ(SentenceCase(text), u"A\U00010428b \U0001F600. C");
  EXPECT_EQ(ProperCase(text), u"A\U00010428b \U0001F600. C");
  EXPECT_EQ(ToggledCase(text), u"A\U00010428B \U0001F600. C");
}

}  // namespace
}  // namespace tarnwick::mCase
