// Argument values as a trap records them: a small variant that covers every
// kind of value the report can render.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "common/Text.h"

namespace tarnwick::mErrTrap {

struct EmptyValue {};    // never assigned
struct NullValue {};     // null
struct MissingValue {};  // an omitted optional argument
struct ErrorValue {      // an error value held in a variable
  std::int32_t code = 0;
};
struct UnknownValue {};  // a kind that the report cannot name
struct CurrencyValue {   // fixed point, four decimals
  std::int64_t scaled = 0;
};
struct DateValue {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
struct ObjectRef {  // a reference shown by its type name; "Nothing" when empty
  Text typeName = u"Nothing";
};

// A report shows at most this many characters of a text value: a report
// must stay small enough to mail, and building it must not need memory in
// proportion to a text that may be what ran out of memory.
inline constexpr std::size_t kShownTextLength = 1000;

// How many of the text's first characters a report shows: all of a short
// text; else kShownTextLength, or one fewer where that cut would split a
// surrogate pair or a CR LF.
inline std::size_t ShownLength(TextView text) noexcept {
  if (text.size() <= kShownTextLength) return text.size();
  const char16_t last = text[kShownTextLength - 1], next = text[kShownTextLength];
  const bool splitsPair = last >= 0xD800 && last <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF;
  const bool splitsLineBreak = last == u'\r' && next == u'\n';
  return splitsPair || splitsLineBreak ? kShownTextLength - 1 : kShownTextLength;
}

// A text recorded without the part that a report never shows.
struct CutText {
  Text shown;              // its first ShownLength characters
  std::size_t length = 0;  // the whole text's length
};

struct Value;
struct ArrayValue {
  std::vector<Value> items;
};

struct Value : std::variant<EmptyValue, NullValue, bool, std::uint8_t, std::int16_t, std::int32_t,
                            float, double, CurrencyValue, DateValue, Text, CutText, ObjectRef, ErrorValue,
                            MissingValue, UnknownValue, ArrayValue> {
  using variant::variant;
  Value() : variant(EmptyValue{}) {}
};

// A text as a trap records it: whole when a report shows all of it, else cut
// (only the shown part is copied).
inline Value ErrTextValue(TextView text) {
  if (text.size() <= kShownTextLength) return Value(Text(text));
  return Value(CutText{Text(text.substr(0, ShownLength(text))), text.size()});
}

// Conversions used by traps to record parameters. A type of another layer
// (a window, a control) becomes recordable by an overload of ErrValueOf in
// its own namespace, found by argument-dependent lookup.
inline Value ErrValueOf(const Value& v) { return v; }
inline Value ErrValueOf(const Text& v) { return ErrTextValue(v); }
inline Value ErrValueOf(TextView v) { return ErrTextValue(v); }
inline Value ErrValueOf(const char16_t* v) { return ErrTextValue(v ? v : u""); }
inline Value ErrValueOf(bool v) { return Value(v); }
inline Value ErrValueOf(std::uint8_t v) { return Value(v); }
inline Value ErrValueOf(std::int16_t v) { return Value(v); }
inline Value ErrValueOf(std::int32_t v) { return Value(v); }
inline Value ErrValueOf(float v) { return Value(v); }
inline Value ErrValueOf(double v) { return Value(v); }
inline Value ErrValueOf(const ObjectRef& v) { return Value(v); }
inline Value ErrValueOf(const DateValue& v) { return Value(v); }
inline Value ErrValueOf(const CurrencyValue& v) { return Value(v); }

}  // namespace tarnwick::mErrTrap
