// The report text: header, API Error line, call-stack lines and the values
// of each level's arguments.
#include "errors/ErrReport.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "errors/ErrInfo.h"
#include "errors/ErrTrap.h"
#include "errors/PlatformFacts.h"

namespace tarnwick::mErrTrap {

const char16_t kHeaderTemplate[] =
    u"%Descr% %nl%"
    u"  Time='%Time%' App='%App%:%Ver%' ADO-version='%ADOVersion%' Computer='%Comp%' %nl%"
    u"  Method: %MethodName% %nl%"
    u"  Number: %ErrNum% = &H%ErrHex% = vbObjectError %ErrNumRel1% = ERRMAP_APP_FIRST "
    u"%ErrNumRel2% %ErrStd%%nl%"
    u"  Source: %Source% %nl%"
    u"  Description: %Descr%%nl%";

namespace {

constexpr char16_t kValueIndent[] = u"      ";

void ReplaceChar(Text& text, char16_t from, char16_t to) {
  for (char16_t& c : text) {
    if (c == from) c = to;
  }
}

bool StartsWith(TextView text, TextView prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Built by appending: GCC 12 misreads "literal + text + literal" (-Wrestrict).
Text Enclosed(char16_t open, TextView inner, char16_t close) {
  Text out;
  out.reserve(inner.size() + 2);
  out += open;
  out += inner;
  out += close;
  return out;
}

Text& Report() { return Context().ReportText; }

// --- Numbers as the user's regional settings write them ---------------------------

Text DecimalSeparator() {
  return Contained([] { return Platform().Separators().decimal; }, Text(u"."));
}

Text WithDecimalSeparator(const std::string& ascii) {
  Text out = AsciiToText(ascii);
  const auto point = out.find(u'.');
  if (point != Text::npos) out.replace(point, 1, DecimalSeparator());
  return out;
}

// The shortest ordinary form with the type's significant digits: 15 for
// double, 7 for single; exponent form ("1E+20", "1.5E-07") only beyond them.
Text FloatText(double value, int significantDigits) {
  if (!std::isfinite(value)) throw std::domain_error("not a finite number");
  if (value == 0) value = 0;  // no "-0"
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*G", significantDigits, value);
  return WithDecimalSeparator(buffer);
}

Text CurrencyText(CurrencyValue value) {
  const bool negative = value.scaled < 0;
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value.scaled)
                                           : static_cast<std::uint64_t>(value.scaled);
  std::string text = std::to_string(magnitude / 10000);
  std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += "." + fraction;
  return WithDecimalSeparator(negative ? "-" + text : text);
}

// A date alone when its time is midnight, a time alone on the zero day.
Text DateText(const DateValue& d) {
  const bool hasDate = !(d.year == 1899 && d.month == 12 && d.day == 30);
  const bool hasTime = d.hour != 0 || d.minute != 0 || d.second != 0;
  PlatformFacts& facts = Platform();
  if (!hasDate) return facts.TimeText(d);
  if (!hasTime) return facts.ShortDateText(d);
  return facts.ShortDateText(d) + u" " + facts.TimeText(d);
}

struct ValueRenderer {
  Text operator()(const ArrayValue&) const { return u"{Array}"; }
  Text operator()(EmptyValue) const { return u"{Empty}"; }
  Text operator()(NullValue) const { return u"{Null}"; }
  Text operator()(bool v) const { return v ? u"True" : u"False"; }
  Text operator()(std::uint8_t v) const { return DecimalText(v); }
  Text operator()(std::int16_t v) const { return DecimalText(v); }
  Text operator()(std::int32_t v) const { return DecimalText(v); }
  Text operator()(float v) const { return FloatText(v, 7); }
  Text operator()(double v) const { return FloatText(v, 15); }
  Text operator()(CurrencyValue v) const { return CurrencyText(v); }
  Text operator()(const DateValue& v) const { return Enclosed(u'\'', DateText(v), u'\''); }
  Text operator()(const Text& v) const { return Enclosed(u'\'', v, u'\''); }
  Text operator()(const CutText& v) const { return Enclosed(u'\'', v.shown, u'\''); }
  Text operator()(const ObjectRef& v) const {
    return Enclosed(u'{', v.typeName.empty() ? TextView(u"Nothing") : TextView(v.typeName), u'}');
  }
  Text operator()(ErrorValue) const { return {}; }
  Text operator()(MissingValue) const { return {}; }
  Text operator()(UnknownValue) const { return u"{?}"; }
};

std::vector<Text> SplitNames(TextView names) {
  std::vector<Text> out;
  if (names.empty()) return out;
  std::size_t start = 0;
  for (;;) {
    const auto comma = names.find(u',', start);
    out.emplace_back(names.substr(start, comma - start));
    if (comma == TextView::npos) return out;
    start = comma + 1;
  }
}

bool IsLongValue(const Text& text) {
  return text.size() > kLongValueLength || text.find(kCrLf) != Text::npos;
}

Text IndentLongValue(Text text) {
  ReplaceAll(text, kCrLf, Text(kCrLf) + kValueIndent);
  return kValueIndent + text;
}

// A text value longer than a report shows is rendered from its shown part
// alone (held in `scratch`); the whole of any other value.
const Value& ShownPart(const Value& value, Value& scratch) {
  const auto* text = std::get_if<Text>(&value);
  if (text == nullptr || text->size() <= kShownTextLength) return value;
  scratch = ErrTextValue(*text);
  return scratch;
}

// `wholeLength` is that of a text cut for the report (0: shown whole); a
// last line of the value then names it.
void AddLongValue(const Text& name, Text text, std::size_t wholeLength) {
  if (StartsWith(text, u"'<") && StartsWith(name, u"xml")) text = ErrIndentXml(text);
  if (wholeLength != 0) {
    text += kCrLf;
    text += u"\u2026 (" + DecimalText(static_cast<long long>(wholeLength)) + u" characters in all)";
  }
  Text& block = Context().LongValues;
  if (!block.empty()) block += kCrLf;
  block += u"    Value Of " + name + u":" + kCrLf + IndentLongValue(std::move(text));
}

void FlushLongValues() {
  Text& block = Context().LongValues;
  if (block.empty()) return;
  ErrAppendLine(block);
  block.clear();
}

Text HeaderTime() {
  PlatformFacts& facts = Platform();
  const RegionalSeparators separators = facts.Separators();
  return ErrTimeText(facts.LocalNow(), separators.date, separators.time);
}

Text AppName() {
  return Contained([] { return FileTitle(Platform().ExePath()); }, Text());
}

}  // namespace

// --- Header and lines -------------------------------------------------------------

void ErrFillPlaceholder(TextView name, TextView value) {
  Contained([&] {
    Text key;
    key += ErrMarker;
    key += name;
    key += ErrMarker;
    Text safeValue(value);
    ReplaceChar(safeValue, ErrMarker, u'%');
    ReplaceAll(Report(), key, safeValue);
  });
}

void ErrBuildHeader(TextView methodName) {
  Contained([&] {
    const ErrContext& ctx = Context();
    Report() = kHeaderTemplate;
    ReplaceChar(Report(), u'%', ErrMarker);
    ErrFillPlaceholder(u"nl", kCrLf);
    ErrFillPlaceholder(u"MethodName", methodName);
    ErrFillPlaceholder(u"Comp", ErrComputerName());
    ErrFillPlaceholder(u"Time", Contained(HeaderTime, Text()));
    ErrFillPlaceholder(u"App", AppName());
    ErrFillPlaceholder(u"Ver", ErrAppVersion());
    ErrFillPlaceholder(u"ADOVersion", ErrAdoVersion());
    ErrFillPlaceholder(u"ErrNum", DecimalText(ctx.Number));
    ErrFillPlaceholder(u"ErrHex", ErrHexText(ctx.Number));
    ErrFillPlaceholder(u"ErrNumRel1",
                       ErrSignedOffset(std::int64_t{ctx.Number} - vbObjectError));
    ErrFillPlaceholder(u"ErrNumRel2",
                       ErrSignedOffset(std::int64_t{ctx.Number} - ERRMAP_APP_FIRST));
    ErrFillPlaceholder(u"ErrStd", ctx.Number == ERR_GENERAL ? u"= ERR_GENERAL" : u"");
    ErrFillPlaceholder(u"Source", ctx.Source);
    ErrFillPlaceholder(u"Descr", ctx.Description);
  });
  ReplaceChar(Report(), ErrMarker, u'%');
}

void ErrAppendLine(TextView line) {
  if (ErrIsSilent()) return;
  Contained([&] {
    Text& report = Report();
    report.reserve(report.size() + line.size() + 2);
    report += line;
    report += kCrLf;
  });
}

void ErrAppendApiError() {
  const std::int32_t code = Context().LastDllError;
  if (code == 0 || code == 203) return;
  Contained([&] {
    ErrAppendLine(u"  API Error: (" + DecimalText(code) + u") " + ErrApiMessage(code));
  });
}

Text ErrApiMessage(std::int32_t code) {
  return Contained(
      [&] {
        Text message = Platform().SystemMessageBuffer(static_cast<std::uint32_t>(code));
        ReplaceAll(message, kCrLf, u"");
        std::erase(message, u'\0');
        return message;
      },
      Text());
}

void ErrAppendFrame(TextView methodName, TextView paramNames, const Value& args,
                    TextView envNames, const Value& envValues) {
  Contained([&] {
    Text line = u"  Call Stack: " + Text(methodName) + u"(" + ErrFormatArgs(paramNames, args) + u")";
    if (Context().Line != 0) line += u"  at Line " + DecimalText(Context().Line);
    line += u" ";
    ErrAppendLine(ErrPadRight(line, u"-", kCallStackWidth));
    FlushLongValues();
    if (envNames.empty()) return;
    ErrAppendLine(u"    Env: " + ErrFormatArgs(envNames, envValues));
    FlushLongValues();
  });
}

// --- Rendering --------------------------------------------------------------------

Text ErrFormatArgs(TextView names, const Value& values) {
  Context().LongValues.clear();
  try {
    const auto* list = std::get_if<ArrayValue>(&values);
    const Value* items = list ? list->items.data() : &values;  // one value: a list of one
    const std::size_t count = list ? list->items.size() : 1;
    const std::vector<Text> nameList = SplitNames(names);
    Text result;
    for (std::size_t i = 0; i < count; ++i) {
      const Text name = i < nameList.size() ? nameList[i] : Text();
      Value scratch;
      const Value& shown = ShownPart(items[i], scratch);
      Text text = ErrFormatValue(shown);
      if (IsLongValue(text)) {
        const auto* cut = std::get_if<CutText>(&shown);
        AddLongValue(name, std::move(text), cut != nullptr ? cut->length : 0);
        text = u"{Text}";
      }
      if (!result.empty()) result += u", ";
      result += name.empty() ? text : name + u"=" + text;
    }
    return result;
  } catch (...) {
    Context().LongValues.clear();  // no block for values the line does not show
    return {};
  }
}

Text ErrFormatValue(const Value& value) {
  return Contained([&] { return std::visit(ValueRenderer{}, static_cast<const Value::variant&>(value)); },
                   Text(u"{?}"));
}

Text ErrIndentXml(TextView text) {
  const TextView inner = text.size() >= 2 ? text.substr(1, text.size() - 2) : TextView();
  try {
    Text result;
    int depth = 0;
    std::size_t start = inner.find(u'<');
    result.append(inner.substr(0, start));
    bool firstTag = true;
    while (start != TextView::npos) {
      const std::size_t next = inner.find(u'<', start + 1);
      const TextView piece = inner.substr(start + 1, next == TextView::npos ? TextView::npos
                                                                            : next - start - 1);
      int indent = depth;
      if (StartsWith(piece, u"/")) {
        indent = --depth;
      } else if (piece.find(u"/>") == TextView::npos) {
        ++depth;
      }
      if (indent < 0) throw std::out_of_range("closing tag without an opening one");
      if (!firstTag) result += kCrLf;
      result.append(2 * static_cast<std::size_t>(indent), u' ');
      result += u'<';
      result += piece;
      firstTag = false;
      start = next;
    }
    return result;
  } catch (...) {
    return Text(inner);
  }
}

Text ErrPadRight(TextView text, TextView fill, std::size_t width) {
  Text out(text);
  for (std::size_t missing = width > text.size() ? width - text.size() : 0; missing > 0; --missing)
    out += fill;
  return out;
}

Text ErrSignedOffset(std::int64_t n) {
  if (n >= 0) return u"+ " + DecimalText(n);
  return u"- " + AsciiToText(std::to_string(0 - static_cast<std::uint64_t>(n)));
}

Text ErrComputerName() {
  return Contained([] { return Platform().ComputerName(); }, Text());
}

Text ErrAppVersion() {
  return Contained(
      [] {
        const VersionNumbers v = Platform().AppVersion();
        return DecimalText(v.major) + u"." + DecimalText(v.minor) + u"." + DecimalText(v.revision);
      },
      Text());
}

Text ErrAdoVersion() {
  return Contained([] { return Platform().AdoVersion(); }, Text(u"?"));
}

Text ErrTimeText(const DateValue& now, TextView dateSep, TextView timeSep) {
  const Text date(dateSep), time(timeSep);
  return TwoDigits(now.month) + date + TwoDigits(now.day) + date + TwoDigits(now.year % 100) +
         u" " + TwoDigits(now.hour) + time + TwoDigits(now.minute) + time + TwoDigits(now.second);
}

Text ErrHexText(std::int32_t n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(n)));
  return AsciiToText(buffer);
}

}  // namespace tarnwick::mErrTrap
