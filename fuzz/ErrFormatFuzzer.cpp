// Rendering argument values for the report: any value of any kind, under
// any platform facts (failing ones too), renders without a fault, the same
// way every time, and long values go to the "Value Of" block in its shape;
// a text past the length a report shows is cut, its whole length named, and
// renders the same whole as the trap records it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include "FuzzSupport.h"
#include "errors/ErrReport.h"
#include "errors/ErrTrap.h"

namespace {

using namespace tarnwick;
using namespace tarnwick::mErrTrap;
using fuzz::Check;

bool HasLineBreakChar(TextView text) { return text.find_first_of(u"\r\n") != TextView::npos; }

// Every line of the block names a value or holds one, indented by six blanks.
void CheckBlockShape(TextView block) {
  std::size_t start = 0;
  while (start <= block.size()) {
    const std::size_t end = std::min(block.find(u"\r\n", start), block.size());
    const TextView line = block.substr(start, end - start);
    Check(line.starts_with(u"    Value Of ") || line.starts_with(u"      "),
          "a line of the Value Of block is neither a name nor an indented value");
    start = end + 2;
  }
}

void CheckFormatValue(const Value& value) {
  const Text once = ErrFormatValue(value);
  Check(ErrFormatValue(value) == once, "ErrFormatValue is not deterministic");
  if (const auto* text = std::get_if<Text>(&value)) {
    Check(once == u"'" + *text + u"'", "a text is not rendered between quotes as it stands");
  }
  if (std::holds_alternative<ArrayValue>(value)) Check(once == u"{Array}", "a list is not rendered as {Array}");
}

// Stretches a text value past the length a report shows, by repeating it,
// so that the cut falls anywhere in its pattern.
void Stretch(Value& value, std::size_t extra) {
  auto* text = std::get_if<Text>(&value);
  if (text == nullptr || text->empty()) return;
  Text longer;
  while (longer.size() < kShownTextLength + extra) longer += *text;
  *text = std::move(longer);
}

TextView NthName(TextView names, std::size_t index) {
  for (; index > 0 && names.find(u',') != TextView::npos; --index) names.remove_prefix(names.find(u',') + 1);
  return index > 0 ? TextView() : names.substr(0, names.find(u','));
}

// A text value longer than the report shows: the block names its length,
// and it holds what the trap's record of the text gives.
void CheckCutText(TextView name, const Value& value) {
  const auto* text = std::get_if<Text>(&value);
  if (text == nullptr || text->size() <= kShownTextLength) return;
  const Text line = ErrFormatArgs(name, value);
  const Text block = Context().LongValues;
  Check(line.empty() || block.find(u"      \u2026 (" + DecimalText(static_cast<long long>(text->size())) +
                                    u" characters in all)") != Text::npos,
        "a cut text's block does not name its whole length");
  Check(ErrFormatArgs(name, ErrValueOf(*text)) == line && Context().LongValues == block,
        "a cut text renders otherwise whole than as the trap records it");
  Context().LongValues.clear();
}

void CheckFormatArgs(TextView names, const Value& values) {
  const Text once = ErrFormatArgs(names, values);
  const Text block = Context().LongValues;
  Context().LongValues.clear();
  Check(ErrFormatArgs(names, values) == once, "ErrFormatArgs is not deterministic");
  Check(Context().LongValues == block, "ErrFormatArgs fills another Value Of block the second time");
  if (HasLineBreakChar(names)) return;
  Check(once.find(u"\r\n") == Text::npos, "a line break reached the call-stack line");
  if (!block.empty()) {
    CheckBlockShape(block);
    Check(once.find(u"{Text}") != Text::npos, "a Value Of block without a {Text} in the line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  fuzz::FuzzFacts facts(in);
  fuzz::FactsScope scope(facts);
  Text names;
  Value values;
  if (in.ConsumeBool()) {  // seeds: the names, then one or more texts
    std::vector<Text> fields = fuzz::SeedFields(fuzz::LenientUtf8(in.ConsumeRemainingBytesAsString()));
    names = fields.front();
    ArrayValue list;
    for (std::size_t i = 1; i < fields.size(); ++i) list.items.emplace_back(fields[i]);
    values = list.items.size() == 1 ? list.items.front() : Value(list);
  } else {
    names = fuzz::TakeTokens(in, 8, {u"str", u"xml", u"xmlDoc", u",", u",,", u"X", u"Y"});
    values = fuzz::TakeValue(in);
    if (in.ConsumeBool()) Stretch(values, in.ConsumeIntegralInRange<std::size_t>(0, 64));
  }
  if (const auto* list = std::get_if<ArrayValue>(&values)) {
    for (std::size_t i = 0; i < list->items.size(); ++i) CheckCutText(NthName(names, i), list->items[i]);
  } else {
    CheckCutText(names, values);
  }
  CheckFormatValue(values);
  if (const auto* list = std::get_if<ArrayValue>(&values)) {
    for (const Value& item : list->items) CheckFormatValue(item);
  }
  CheckFormatArgs(names, values);
  return 0;
}
