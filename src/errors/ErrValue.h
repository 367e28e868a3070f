// Argument values as a trap records them: a small variant that covers every
// kind of value the report can render.
#pragma once

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

struct Value;
struct ArrayValue {
  std::vector<Value> items;
};

struct Value : std::variant<EmptyValue, NullValue, bool, std::uint8_t, std::int16_t, std::int32_t,
                            float, double, CurrencyValue, DateValue, Text, ObjectRef, ErrorValue,
                            MissingValue, UnknownValue, ArrayValue> {
  using variant::variant;
  Value() : variant(EmptyValue{}) {}
};

// Conversions used by traps to record parameters. A type of another layer
// (a window, a control) becomes recordable by an overload of ErrValueOf in
// its own namespace, found by argument-dependent lookup.
inline Value ErrValueOf(const Value& v) { return v; }
inline Value ErrValueOf(const Text& v) { return Value(v); }
inline Value ErrValueOf(TextView v) { return Value(Text(v)); }
inline Value ErrValueOf(const char16_t* v) { return Value(Text(v ? v : u"")); }
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
