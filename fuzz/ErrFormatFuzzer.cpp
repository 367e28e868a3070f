// Rendering argument values for the report: any value of any kind, under
// any platform facts (failing ones too), renders without a fault, the same
// way every time, and long values go to the "Value Of" block in its shape.
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
  }
  CheckFormatValue(values);
  if (const auto* list = std::get_if<ArrayValue>(&values)) {
    for (const Value& item : list->items) CheckFormatValue(item);
  }
  CheckFormatArgs(names, values);
  return 0;
}
