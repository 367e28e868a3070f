// Indenting XML values for the report: any text, well-formed or not, gives
// its own characters back with only line breaks and blanks added; a
// well-formed document gives one tag per line, two blanks per level.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "errors/ErrReport.h"

namespace {

using namespace tarnwick;
using fuzz::Check;

Text WithoutLayout(TextView text) {
  Text out;
  for (char16_t c : text) {
    if (c != u' ' && c != u'\r' && c != u'\n') out += c;
  }
  return out;
}

// Text between tags: anything but "<" and "/", which would start or close one.
Text TakeContent(FuzzedDataProvider& in) {
  Text text = fuzz::TakeTokens(in, 3, {u"x", u"text", u" ", u">", u"=\"1\"", u"'"});
  std::erase_if(text, [](char16_t c) { return c == u'<' || c == u'/'; });
  return text;
}

// A random element with its expected lines: each tag on a line of its own,
// indented by two blanks per enclosing element, with the text after it.
void TakeElement(FuzzedDataProvider& in, int depth, Text& xml, std::vector<Text>& lines) {
  const Text name(1 + in.ConsumeIntegralInRange<int>(0, 2), static_cast<char16_t>(u'a' + depth % 26));
  const Text indent(2 * static_cast<std::size_t>(depth), u' ');
  const Text content = TakeContent(in);
  if (depth >= 6 || in.ConsumeIntegralInRange<int>(0, 3) == 0) {
    xml += u"<" + name + u"/>" + content;
    lines.push_back(indent + u"<" + name + u"/>" + content);
    return;
  }
  xml += u"<" + name + u">" + content;
  lines.push_back(indent + u"<" + name + u">" + content);
  const int children = in.ConsumeIntegralInRange<int>(0, 3);
  for (int i = 0; i < children && in.remaining_bytes() > 0; ++i) TakeElement(in, depth + 1, xml, lines);
  const Text tail = TakeContent(in);
  xml += u"</" + name + u">" + tail;
  lines.push_back(indent + u"</" + name + u">" + tail);
}

void CheckWellFormed(FuzzedDataProvider& in) {
  Text xml;
  std::vector<Text> lines;
  TakeElement(in, 0, xml, lines);
  Text expected;
  for (const Text& line : lines) expected += (expected.empty() ? u"" : u"\r\n") + line;
  Check(mErrTrap::ErrIndentXml(u"'" + xml + u"'") == expected, "a well-formed document is indented wrongly");
}

void CheckAnyText(const Text& text) {
  const Text indented = mErrTrap::ErrIndentXml(text);
  Check(mErrTrap::ErrIndentXml(text) == indented, "ErrIndentXml is not deterministic");
  const TextView inner = text.size() >= 2 ? TextView(text).substr(1, text.size() - 2) : TextView();
  Check(WithoutLayout(indented) == WithoutLayout(inner), "indenting changed more than the layout");
  if (inner.find(u'<') == TextView::npos) Check(indented == inner, "a text without tags was changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: CheckWellFormed(in); break;
    case 1: {
      Text text = fuzz::TakeTokens(in, 24, {u"<", u"</", u"/>", u">", u"<a>", u"</a>", u"<b/>", u"'", u"\r\n", u"  "});
      if (in.ConsumeBool()) text = u"'" + text + u"'";
      CheckAnyText(text);
      break;
    }
    default: CheckAnyText(fuzz::LenientUtf8(in.ConsumeRemainingBytesAsString()));  // seeds: plain text
  }
  return 0;
}
