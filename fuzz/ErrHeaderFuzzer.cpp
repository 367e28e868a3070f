// Filling the report header: whatever the method name, source, description
// and platform facts hold (markers, "%", placeholder names, "%Descr%"), the
// header is the template with each placeholder replaced by its value taken
// literally; nothing a value brings in is ever filled again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "errors/ErrInfo.h"
#include "errors/ErrReport.h"
#include "errors/ErrTrap.h"

namespace {

using namespace tarnwick;
using namespace tarnwick::mErrTrap;
using fuzz::Check;
using fuzz::FuzzFacts;

Text Printed(const char* format, long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return AsciiToText(buffer);
}

Text Offset(long long n) { return (n < 0 ? u"- " : u"+ ") + Printed("%lld", n < 0 ? -n : n); }

Text Title(TextView path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash != TextView::npos) path.remove_prefix(slash + 1);
  return Text(path.substr(0, path.rfind(u'.')));
}

Text TimeOf(const FuzzFacts& f) {
  if (f.fails & (FuzzFacts::kSeparators | FuzzFacts::kClock)) return {};
  const DateValue& t = f.now;
  const Text& d = f.separators.date;
  const Text& c = f.separators.time;
  return Printed("%02lld", t.month) + d + Printed("%02lld", t.day) + d + Printed("%02lld", t.year % 100) + u" " +
         Printed("%02lld", t.hour) + c + Printed("%02lld", t.minute) + c + Printed("%02lld", t.second);
}

// What each placeholder stands for, worked out from the inputs directly.
std::map<Text, Text> ExpectedValues(const FuzzFacts& f, const Text& method, std::int32_t number) {
  const bool failed[] = {(f.fails & FuzzFacts::kComputer) != 0, (f.fails & FuzzFacts::kExe) != 0,
                         (f.fails & FuzzFacts::kVersion) != 0, (f.fails & FuzzFacts::kAdo) != 0};
  const VersionNumbers& v = f.version;
  return {
      {u"nl", u"\r\n"},
      {u"MethodName", method},
      {u"Comp", failed[0] ? Text() : f.computer},
      {u"Time", TimeOf(f)},
      {u"App", failed[1] ? Text() : Title(f.exePath)},
      {u"Ver", failed[2] ? Text() : Printed("%lld", v.major) + u"." + Printed("%lld", v.minor) + u"." +
                                        Printed("%lld", v.revision)},
      {u"ADOVersion", failed[3] ? Text(u"?") : f.ado},
      {u"ErrNum", Printed("%lld", number)},
      {u"ErrHex", Printed("%llX", static_cast<std::uint32_t>(number))},
      {u"ErrNumRel1", Offset(static_cast<long long>(number) + 2147221504LL)},
      {u"ErrNumRel2", Offset(static_cast<long long>(number) + 2147216306LL)},
      {u"ErrStd", number == static_cast<std::int32_t>(0x8004144E) ? u"= ERR_GENERAL" : u""},
      {u"Source", Context().Source},
      {u"Descr", Context().Description},
  };
}

// The template with every %name% replaced by its value, markers in values
// shown as "%".
Text Filled(TextView templ, const std::map<Text, Text>& values) {
  Text out;
  std::size_t at = 0;
  while (at < templ.size()) {
    const std::size_t open = templ.find(u'%', at);
    const std::size_t close = open == TextView::npos ? open : templ.find(u'%', open + 1);
    if (close == TextView::npos) {
      out += templ.substr(at);
      break;
    }
    out += templ.substr(at, open - at);
    const auto value = values.find(Text(templ.substr(open + 1, close - open - 1)));
    Check(value != values.end(), "the header template names an unknown placeholder");
    for (char16_t c : value->second) out += c == ErrMarker ? u'%' : c;
    at = close + 1;
  }
  return out;
}

constexpr std::initializer_list<TextView> kTokens = {
    u"%",     u"\b",          u"%Descr%",     u"\bDescr\b",  u"\bnl\b",      u"%nl%",   u"Comp",
    u"\bComp\b", u"\bMethodName\b", u"\bTime\b", u"\bSource\b", u"\bErrNum\b", u"\bErrStd\b", u"\b\b",
    u"Descr", u"\r\n"};

std::int32_t TakeNumber(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return ERR_GENERAL;
    case 1: return vbObjectError + in.ConsumeIntegralInRange<std::int32_t>(0, 70000);
    case 2: return in.ConsumeIntegralInRange<std::int32_t>(-1000, 1000);
    default: return in.ConsumeIntegral<std::int32_t>();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  FuzzFacts facts(in);
  fuzz::FactsScope scope(facts);
  Text method;
  if (in.ConsumeBool()) {  // seeds: the number, then method, source and description as text
    Context().Number = TakeNumber(in);
    std::vector<Text> fields = fuzz::SeedFields(fuzz::LenientUtf8(in.ConsumeRemainingBytesAsString()));
    fields.resize(3);
    method = fields[0];
    Context().Source = fields[1];
    Context().Description = fields[2];
  } else {
    method = fuzz::TakeTokens(in, 6, kTokens);
    Context().Number = TakeNumber(in);
    Context().Source = fuzz::TakeTokens(in, 6, kTokens);
    Context().Description = fuzz::TakeTokens(in, 6, kTokens);
  }

  ErrBuildHeader(method);
  const Text& header = Context().ReportText;
  Check(header.find(ErrMarker) == Text::npos, "a marker was left in the header");
  Check(header == Filled(kHeaderTemplate, ExpectedValues(facts, method, Context().Number)),
        "the header is not the template with its values taken literally");
  return 0;
}
