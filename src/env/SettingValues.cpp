#include "env/SettingValues.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "errors/ErrInfo.h"

namespace tarnwick::mRegSettings {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A number as the settings store holds it: blanks, an optional sign, digits
// with an optional "." fraction (at least one digit in all), an optional
// exponent, blanks. The result is the ASCII text without the blanks and a
// leading "+", ready for std::from_chars (which never consults the locale).
// Anything else is a type mismatch.
std::string NumberSyntax(TextView text) {
  std::size_t i = 0, end = text.size();
  while (i < end && IsBlank(text[i])) ++i;
  while (end > i && IsBlank(text[end - 1])) --end;
  std::string out;
  if (i < end && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') out.push_back('-');
    ++i;
  }
  std::size_t digits = 0;
  auto takeDigits = [&] {
    std::size_t n = 0;
    for (; i < end && IsDigit(text[i]); ++i, ++n) out.push_back(static_cast<char>(text[i]));
    return n;
  };
  digits += takeDigits();
  if (i < end && text[i] == u'.') {
    out.push_back('.');
    ++i;
    digits += takeDigits();
  }
  if (digits == 0) mErrTrap::RaiseRuntime(mErrTrap::rt::TypeMismatch);
  if (i < end && (text[i] == u'e' || text[i] == u'E')) {
    out.push_back('e');
    ++i;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) out.push_back(static_cast<char>(text[i++]));
    if (takeDigits() == 0) mErrTrap::RaiseRuntime(mErrTrap::rt::TypeMismatch);
  }
  if (i != end) mErrTrap::RaiseRuntime(mErrTrap::rt::TypeMismatch);
  return out;
}

// from_chars reports out-of-range alike for too large and too small values;
// only the large ones overflow, tiny ones are zero.
bool MagnitudeAtLeastOne(const std::string& number) {
  std::size_t i = (!number.empty() && number[0] == '-') ? 1 : 0;
  long long leading = 0;  // position of the first nonzero digit relative to "."
  bool seenPoint = false, found = false;
  long long intDigits = 0, zerosAfterPoint = 0;
  for (; i < number.size() && number[i] != 'e'; ++i) {
    char c = number[i];
    if (c == '.') {
      seenPoint = true;
    } else if (c != '0' || found) {
      if (!found) {
        found = true;
        leading = seenPoint ? -zerosAfterPoint : 0;
      }
      if (!seenPoint) ++intDigits;
    } else if (seenPoint) {
      ++zerosAfterPoint;
    }
  }
  if (!found) return false;
  long long exponent = 0;
  if (i < number.size()) {
    // The exponent digits could be many; clamp while reading.
    bool negative = false;
    ++i;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
    for (; i < number.size(); ++i) {
      if (exponent < 1000000) exponent = exponent * 10 + (number[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  const long long magnitude = (intDigits > 0 ? intDigits - 1 : leading - 1) + exponent;
  return magnitude >= 0;
}

template <class T>
T ParseNumber(TextView text) {
  const std::string number = NumberSyntax(text);
  T value{};
  const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (MagnitudeAtLeastOne(number)) mErrTrap::RaiseRuntime(mErrTrap::rt::Overflow);
    return T{0};
  }
  if (ec != std::errc() || ptr != number.data() + number.size())
    mErrTrap::RaiseRuntime(mErrTrap::rt::TypeMismatch);
  return value;
}

}  // namespace

std::int16_t ParseInt16Setting(TextView text) {
  // The default floating-point rounding mode rounds halves to even.
  const double rounded = std::nearbyint(ParseNumber<double>(text));
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) mErrTrap::RaiseRuntime(mErrTrap::rt::Overflow);
  return static_cast<std::int16_t>(rounded);
}

float ParseSingleSetting(TextView text) { return ParseNumber<float>(text); }

Text FormatSingleSetting(float value) {
  // Stored values must read back whatever the locale of the writer or the
  // reader: always "." as decimal point, never digit grouping, and plain
  // decimal digits ("300000", not "3e+05"), the shortest that read back
  // exactly.
  if (!std::isfinite(value)) value = 0.0f;
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return AsciiToText(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

Text FormatInt16Setting(std::int16_t value) { return DecimalText(value); }

}  // namespace tarnwick::mRegSettings
