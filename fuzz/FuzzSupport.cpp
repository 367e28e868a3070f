#include "FuzzSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include "errors/ErrTrap.h"

namespace tarnwick::fuzz {
namespace {

using mErrTrap::Value;

// Letters whose case partner is shared with another letter, digraphs with a
// title-case form, and letters without a one-unit partner.
constexpr char16_t kVariantForms[] = {
    0x00B5, 0x00DF, 0x0130, 0x0131, 0x017F, 0x01C4, 0x01C5, 0x01C6, 0x01C7, 0x01C8, 0x01CB,
    0x01F2, 0x0345, 0x0390, 0x03C2, 0x03D0, 0x03D1, 0x03D5, 0x03D6, 0x03F0, 0x03F1, 0x03F4,
    0x03F5, 0x1C80, 0x1C85, 0x1C88, 0x1E9B, 0x1E9E, 0x1FBE, 0x1F88, 0x2126, 0x212A, 0x212B};
constexpr char16_t kPunctuation[] = u".!?:;,'\"()[]<>/-\t\n\r\v\f \0";

char16_t TakeUnit(FuzzedDataProvider& in, int kind) {
  switch (kind) {
    case 0: return in.ConsumeIntegralInRange<char16_t>(0x20, 0x7E);
    case 1: return in.ConsumeIntegralInRange<char16_t>(0x00, 0x1F);
    case 2: return kPunctuation[in.ConsumeIntegralInRange<std::size_t>(0, sizeof kPunctuation / 2 - 1)];
    case 3: return in.ConsumeIntegralInRange<char16_t>(0x00C0, 0x024F);
    case 4: return in.ConsumeIntegralInRange<char16_t>(0x0370, 0x052F);
    case 5: return kVariantForms[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kVariantForms) - 1)];
    case 6: return in.ConsumeIntegralInRange<char16_t>(0xD800, 0xDFFF);
    case 7: return in.ConsumeIntegralInRange<char16_t>(0x4E00, 0x4FFF);
    case 8: return in.ConsumeIntegralInRange<char16_t>(0x1E00, 0x1FFF);
    default: return in.ConsumeIntegral<char16_t>();
  }
}

Value TakeList(FuzzedDataProvider& in, int depth) {
  mErrTrap::ArrayValue list;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 5);
  for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) list.items.push_back(TakeValue(in, depth + 1));
  return Value(std::move(list));
}

double TakeDouble(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return in.ConsumeBool() ? HUGE_VAL : -HUGE_VAL;
    case 2: return in.ConsumeBool() ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
    case 3: return in.ConsumeBool() ? std::numeric_limits<double>::denorm_min() : -0.0;
    case 4: return in.ConsumeFloatingPoint<double>();
    default: return in.ConsumeIntegralInRange<int>(-100000, 100000) / 64.0;
  }
}

}  // namespace

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

Text TakeText(FuzzedDataProvider& in, std::size_t maxUnits) {
  Text text;
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
  while (text.size() < length && in.remaining_bytes() > 0) {
    const int kind = in.ConsumeIntegralInRange<int>(0, 9);
    const std::size_t run = in.ConsumeIntegralInRange<std::size_t>(1, 48);
    for (std::size_t i = 0; i < run && text.size() < length; ++i) text += TakeUnit(in, kind);
  }
  return text;
}

Text LenientUtf8(std::string_view bytes) {
  Text text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    const std::size_t length = byte(0) >= 0xF0 ? 4 : byte(0) >= 0xE0 ? 3 : byte(0) >= 0xC0 ? 2 : 1;
    bool ok = i + length <= bytes.size();
    char32_t cp = length == 1 ? byte(0) : byte(0) & (0x7F >> length);
    for (std::size_t k = 1; ok && k < length; ++k) {
      ok = (byte(k) & 0xC0) == 0x80;
      cp = cp << 6 | (byte(k) & 0x3F);
    }
    if (!ok || cp > 0x10FFFF) {
      text += static_cast<char16_t>(byte(0));
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(cp);
    }
    i += length;
  }
  return text;
}

std::string Utf8(TextView text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    const int tail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    bytes += static_cast<char>(tail == 0 ? c : (0xFF80 >> tail) | (c >> (6 * tail)));
    for (int k = tail - 1; k >= 0; --k) bytes += static_cast<char>(0x80 | (c >> (6 * k) & 0x3F));
  }
  return bytes;
}

std::vector<Text> SeedFields(TextView text) {
  std::vector<Text> fields(1);
  for (char16_t c : text) {
    if (c == u'\x1E') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

Text TakeTokens(FuzzedDataProvider& in, std::size_t maxPieces, std::initializer_list<TextView> tokens) {
  Text text;
  const std::size_t pieces = in.ConsumeIntegralInRange<std::size_t>(0, maxPieces);
  for (std::size_t i = 0; i < pieces && in.remaining_bytes() > 0; ++i) {
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, tokens.size());
    if (pick < tokens.size()) {
      text += tokens.begin()[pick];
    } else {
      text += TakeText(in, 12);
    }
  }
  return text;
}

Value TakeValue(FuzzedDataProvider& in, int depth) {
  using namespace mErrTrap;
  switch (in.ConsumeIntegralInRange<int>(0, 16)) {
    case 0: return Value(EmptyValue{});
    case 1: return Value(NullValue{});
    case 2: return Value(in.ConsumeBool());
    case 3: return Value(in.ConsumeIntegral<std::uint8_t>());
    case 4: return Value(in.ConsumeIntegral<std::int16_t>());
    case 5: return Value(in.ConsumeIntegral<std::int32_t>());
    case 6: return Value(static_cast<float>(TakeDouble(in)));
    case 7: return Value(TakeDouble(in));
    case 8: return Value(CurrencyValue{in.ConsumeIntegral<std::int64_t>()});
    case 9: {
      DateValue d;
      d.year = in.ConsumeIntegralInRange<int>(-1, 10000);
      d.month = in.ConsumeIntegralInRange<int>(0, 13);
      d.day = in.ConsumeIntegralInRange<int>(0, 32);
      d.hour = in.ConsumeIntegralInRange<int>(0, 24);
      d.minute = in.ConsumeIntegralInRange<int>(0, 60);
      d.second = in.ConsumeIntegralInRange<int>(0, 60);
      if (in.ConsumeBool()) d.year = 1899, d.month = 12, d.day = 30;  // the zero day: a time alone
      return Value(d);
    }
    case 10: return Value(ObjectRef{TakeTokens(in, 3, {u"Form1", u"Nothing", u"", u"}"})});
    case 11: return Value(ErrorValue{in.ConsumeIntegral<std::int32_t>()});
    case 12: return Value(MissingValue{});
    case 13: return Value(UnknownValue{});
    case 14: return depth < 3 ? TakeList(in, depth) : Value(NullValue{});
    default:
      return Value(TakeTokens(in, 12, {u"<", u"</", u"/>", u">", u"<a>", u"</a>", u"<b/>", u"\r\n",
                                       u"\r", u"\n", u"'", u"0123456789012345678901234567890123456789"}));
  }
}

// --- Platform facts ----------------------------------------------------------------

namespace {
// Pieces that matter to the report: placeholder names, markers, folders.
Text TakeFactText(FuzzedDataProvider& in) {
  return TakeTokens(in, 6, {u"%", u"\b", u"Comp", u"%Comp%", u"\bDescr\b", u"\\", u"/", u".", u"\r\n", u"?"});
}
}  // namespace

FuzzFacts::FuzzFacts(FuzzedDataProvider& in)
    : computer(TakeFactText(in)), exePath(TakeFactText(in)), ado(TakeFactText(in)) {
  version = {in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegral<std::int32_t>(),
             in.ConsumeIntegral<std::int32_t>()};
  separators = {TakeFactText(in), TakeFactText(in), TakeFactText(in)};
  now = {in.ConsumeIntegralInRange<int>(1601, 9999), in.ConsumeIntegralInRange<int>(1, 12),
         in.ConsumeIntegralInRange<int>(1, 31),     in.ConsumeIntegralInRange<int>(0, 23),
         in.ConsumeIntegralInRange<int>(0, 59),     in.ConsumeIntegralInRange<int>(0, 59)};
  fails = in.ConsumeBool() ? in.ConsumeIntegral<std::uint8_t>() : 0;
}

void FuzzFacts::FailIf(unsigned which) const {
  if (fails & which) throw std::runtime_error("platform fact unavailable");
}

Text FuzzFacts::Answer(unsigned which, const Text& text) const {
  FailIf(which);
  return text;
}

mErrTrap::VersionNumbers FuzzFacts::AppVersion() {
  FailIf(kVersion);
  return version;
}

Text FuzzFacts::SystemMessageBuffer(std::uint32_t code) {
  FailIf(kMessage);
  Text buffer = DecimalText(code) + u"\r\n" + computer;
  buffer.resize(512, u'\0');
  return buffer;
}

mErrTrap::RegionalSeparators FuzzFacts::Separators() {
  FailIf(kSeparators);
  return separators;
}

Text FuzzFacts::ShortDateText(const mErrTrap::DateValue& d) {
  FailIf(kDates);
  return DecimalText(d.month) + separators.date + DecimalText(d.day) + separators.date + DecimalText(d.year);
}

Text FuzzFacts::TimeText(const mErrTrap::DateValue& t) {
  FailIf(kDates);
  return DecimalText(t.hour) + separators.time + DecimalText(t.minute) + separators.time + DecimalText(t.second);
}

mErrTrap::DateValue FuzzFacts::LocalNow() {
  FailIf(kClock);
  return now;
}

FactsScope::FactsScope(FuzzFacts& facts) {
  mErrTrap::ResetErrorState();
  mErrTrap::SetPlatformFacts(&facts);
}

FactsScope::~FactsScope() {
  mErrTrap::SetPlatformFacts(nullptr);
  mErrTrap::ResetErrorState();
}

}  // namespace tarnwick::fuzz
