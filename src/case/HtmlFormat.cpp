#include "case/HtmlFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "case/FormatTableData.h"
#include "case/FormatWriter.h"
#include "case/Utf8Validation.h"

namespace tarnwick::mCase {
namespace {

using detail::ConvertUnit;
using detail::FormatWriter;

constexpr bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
constexpr bool IsAlpha(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsHexDigit(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
constexpr bool IsAlnum(char c) { return IsAlpha(c) || IsDigit(c); }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c | 0x20) : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// A unit that is no letter, delimiter or separator: what the rule sees for
// a reference that stands for nothing it knows.
constexpr char16_t kNeutralUnit = 0xFFFF;

// --- The header ------------------------------------------------------------------

enum Field { kStartHtml, kEndHtml, kStartFragment, kEndFragment, kStartSelection, kEndSelection, kFields };
constexpr std::string_view kFieldNames[kFields] = {"StartHTML",     "EndHTML",        "StartFragment",
                                                   "EndFragment",   "StartSelection", "EndSelection"};

struct OffsetField {
  bool present = false;
  long long value = 0;  // -1 for StartHTML and EndHTML without a context
  std::size_t digitsAt = 0, width = 0;
};

struct Header {
  std::array<OffsetField, kFields> fields;
  std::size_t end = 0;  // the first byte after the header lines
};

// "  000123  ", or "-1" where allowed; the digits' place and number.
bool ReadOffset(std::string_view line, std::size_t lineAt, bool minusOneAllowed, OffsetField& field) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  const bool negative = i < line.size() && line[i] == '-';
  i += negative;
  const std::size_t digits = i;
  long long value = 0;
  while (i < line.size() && IsDigit(line[i]) && i - digits < 18) value = value * 10 + (line[i++] - '0');
  const std::size_t width = i - digits;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (width == 0 || i != line.size() || (negative && (value != 1 || !minusOneAllowed))) return false;
  field = {true, negative ? -1 : value, lineAt + digits, width};
  return true;
}

// The "Key:value" lines before the document; the header ends with the
// first line that is not one, or where the document starts.
std::optional<Header> ReadHeader(std::string_view block) {
  Header header;
  bool version = false;
  std::size_t pos = 0, limit = block.size();
  while (pos < limit) {
    std::size_t colon = pos;
    while (colon < block.size() && IsAlpha(block[colon])) ++colon;
    if (colon == pos || colon == block.size() || block[colon] != ':') break;
    const std::string_view key = block.substr(pos, colon - pos);
    std::size_t lineEnd = colon + 1;
    while (lineEnd < block.size() && block[lineEnd] != '\r' && block[lineEnd] != '\n') ++lineEnd;
    if (lineEnd == block.size()) return std::nullopt;  // no document after the header
    const std::string_view value = block.substr(colon + 1, lineEnd - colon - 1);
    if (key == "Version") {
      if (version) return std::nullopt;
      version = true;
    }
    for (int f = 0; f < kFields; ++f) {
      if (key != kFieldNames[f]) continue;
      if (header.fields[f].present || !ReadOffset(value, colon + 1, f <= kEndHtml, header.fields[f])) {
        return std::nullopt;
      }
    }
    pos = lineEnd + 1 + (block[lineEnd] == '\r' && lineEnd + 1 < block.size() && block[lineEnd + 1] == '\n');
    header.end = pos;
    for (const OffsetField& field : header.fields) {
      if (field.present && field.value >= 0) limit = std::min(limit, std::size_t(field.value));
    }
  }
  const auto& f = header.fields;
  const bool required = version && f[kStartHtml].present && f[kEndHtml].present && f[kStartFragment].present &&
                        f[kEndFragment].present && f[kStartSelection].present == f[kEndSelection].present &&
                        (f[kStartHtml].value < 0) == (f[kEndHtml].value < 0);
  if (!required) return std::nullopt;
  return header;
}

// Each offset within the block and in order: header <= StartHTML <=
// StartFragment <= StartSelection <= EndSelection <= EndFragment <= EndHTML.
bool InOrder(const Header& header, std::size_t size) {
  const auto& f = header.fields;
  const bool context = f[kStartHtml].value >= 0;
  std::vector<long long> chain = {static_cast<long long>(header.end)};
  if (context) chain.push_back(f[kStartHtml].value);
  chain.push_back(f[kStartFragment].value);
  if (f[kStartSelection].present) chain.insert(chain.end(), {f[kStartSelection].value, f[kEndSelection].value});
  chain.push_back(f[kEndFragment].value);
  if (context) chain.push_back(f[kEndHtml].value);
  chain.push_back(static_cast<long long>(size));
  return std::is_sorted(chain.begin(), chain.end());
}

std::string PaddedDecimal(long long value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// Writes the new offsets into the header. Each keeps its width; when one
// needs more digits, every field grows that had the same width as all the
// others (or only that one where the widths differed), and the offsets move
// by what the header grew.
std::string RewriteHeader(std::string out, const Header& header, const std::array<long long, kFields>& values) {
  std::vector<int> fields;
  for (int f = 0; f < kFields; ++f) {
    if (header.fields[f].present && header.fields[f].value >= 0) fields.push_back(f);
  }
  std::sort(fields.begin(), fields.end(),
            [&](int a, int b) { return header.fields[a].digitsAt < header.fields[b].digitsAt; });
  const bool uniform = std::all_of(fields.begin(), fields.end(), [&](int f) {
    return header.fields[f].width == header.fields[fields.front()].width;
  });
  std::array<std::size_t, kFields> widths{};
  std::size_t growth = 0;
  for (bool settled = false; !settled;) {
    std::size_t widest = 0, newGrowth = 0;
    for (int f : fields) {
      widths[f] = std::max(header.fields[f].width, std::to_string(values[f] + growth).size());
      widest = std::max(widest, widths[f]);
    }
    for (int f : fields) {
      if (uniform) widths[f] = widest;
      newGrowth += widths[f] - header.fields[f].width;
    }
    settled = newGrowth == growth;
    growth = newGrowth;
  }
  if (growth == 0) {
    for (int f : fields) out.replace(header.fields[f].digitsAt, widths[f], PaddedDecimal(values[f], widths[f]));
    return out;
  }
  std::string grown;
  grown.reserve(out.size() + growth);
  std::size_t from = 0;
  for (int f : fields) {
    grown.append(out, from, header.fields[f].digitsAt - from);
    grown += PaddedDecimal(values[f] + growth, widths[f]);
    from = header.fields[f].digitsAt + header.fields[f].width;
  }
  grown.append(out, from);
  return grown;
}

// --- Elements --------------------------------------------------------------------

// What an element's tags mean for the text: nothing (inline), a line break
// in a browser's plain text (block), or content that is no markup: kept as
// it is (not shown, or code), converted as text with references
// (textarea), or converted as bare text.
enum class Element : std::uint8_t { Inline, Block, Script, Kept, Rcdata, Rawtext, Plaintext };

// A name of up to eight letters as a number, lower case, for a quick lookup.
constexpr std::uint64_t NameKey(std::string_view name) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < name.size(); ++i) key |= std::uint64_t(std::uint8_t(AsciiLower(name[i]))) << (8 * i);
  return key;
}

struct ElementName {
  std::uint64_t key;
  Element element;
};

constexpr ElementName E(std::string_view name, Element element) { return {NameKey(name), element}; }

constexpr Element B = Element::Block, K = Element::Kept;
constexpr ElementName kElementsByKey[] = {
    E("address", B), E("article", B), E("aside", B), E("body", B), E("br", B), E("caption", B), E("center", B),
    E("dd", B), E("details", B), E("dialog", B), E("dir", B), E("div", B), E("dl", B), E("dt", B),
    E("fieldset", B), E("figure", B), E("footer", B), E("form", B), E("h1", B), E("h2", B), E("h3", B),
    E("h4", B), E("h5", B), E("h6", B), E("header", B), E("hgroup", B), E("hr", B), E("html", B),
    E("legend", B), E("li", B), E("main", B), E("menu", B), E("nav", B), E("ol", B), E("option", B), E("p", B),
    E("pre", B), E("section", B), E("summary", B), E("table", B), E("tbody", B), E("td", B), E("tfoot", B),
    E("th", B), E("thead", B), E("tr", B), E("ul", B), E("script", Element::Script), E("style", K),
    E("title", K), E("noscript", K), E("iframe", K), E("noembed", K), E("noframes", K),
    E("textarea", Element::Rcdata), E("xmp", Element::Rawtext)};

struct SortedElements {
  std::array<ElementName, std::size(kElementsByKey)> names;
  constexpr SortedElements() : names() {
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = kElementsByKey[i];
    std::sort(names.begin(), names.end(), [](const ElementName& a, const ElementName& b) { return a.key < b.key; });
  }
};
constexpr SortedElements kSortedElements;

Element ElementOf(std::string_view name) {
  if (name.size() > 8) {
    if (EqualIgnoringCase(name, "blockquote") || EqualIgnoringCase(name, "figcaption")) return Element::Block;
    return EqualIgnoringCase(name, "plaintext") ? Element::Plaintext : Element::Inline;
  }
  const std::uint64_t key = NameKey(name);
  const auto& names = kSortedElements.names;
  const auto at = std::lower_bound(names.begin(), names.end(), key,
                                   [](const ElementName& e, std::uint64_t k) { return e.key < k; });
  return at != names.end() && at->key == key ? at->element : Element::Inline;
}

// --- References ------------------------------------------------------------------

struct Reference {
  std::size_t end = 0;
  char16_t unit = kNeutralUnit;
  enum Form { Named, Decimal, Hex } form = Named;
  std::size_t digitsAt = 0, width = 0;  // numeric: the digits; named: the name
  bool semicolon = false;
};

// The names by their first eight bytes as a number (case kept), built once:
// a reference is looked up with integer compares.
struct NameIndex {
  std::vector<std::pair<std::uint64_t, std::uint16_t>> keys;  // key, index into NamedReferences()
  NameIndex() {
    const auto names = data::NamedReferences();
    for (std::size_t i = 0; i < names.size(); ++i) keys.push_back({Key(names[i].name), std::uint16_t(i)});
    std::sort(keys.begin(), keys.end());
  }
  static std::uint64_t Key(std::string_view name) {
    std::uint64_t key = 0;
    std::memcpy(&key, name.data(), std::min<std::size_t>(name.size(), 8));
    return key;
  }
};

char16_t NamedUnit(std::string_view name) {
  static const NameIndex index;
  const auto names = data::NamedReferences();
  const std::uint64_t key = NameIndex::Key(name);
  auto at = std::lower_bound(index.keys.begin(), index.keys.end(), std::make_pair(key, std::uint16_t(0)));
  for (; at != index.keys.end() && at->first == key; ++at) {
    if (names[at->second].name == name) return names[at->second].unit;
  }
  return kNeutralUnit;
}

// Numeric references stand for the code point, except that 0x80-0x9F read
// as in Windows-1252 (as browsers do), and what is no character (0,
// surrogates, beyond U+10FFFF) or lies beyond the BMP has no case.
char16_t NumericUnit(unsigned long value) {
  if (value >= 0x80 && value <= 0x9F) {
    for (const data::CodePage& page : data::CodePages()) {
      if (page.number == 1252 && page.decode[value - 0x80] != data::kNoCharacter) return page.decode[value - 0x80];
    }
  }
  if (value == 0 || value >= 0x10000 || (value >= 0xD800 && value <= 0xDFFF)) return kNeutralUnit;
  return static_cast<char16_t>(value);
}

// The reference at in[at] == '&', or none (a bare ampersand).
std::optional<Reference> ReadReference(std::string_view in, std::size_t at, std::size_t to) {
  Reference ref;
  std::size_t i = at + 1;
  if (i < to && in[i] == '#') {
    const bool hex = i + 1 < to && (in[i + 1] | 0x20) == 'x';
    i += 1 + hex;
    ref.form = hex ? Reference::Hex : Reference::Decimal;
    ref.digitsAt = i;
    unsigned long value = 0;
    while (i < to && (hex ? IsHexDigit(in[i]) : IsDigit(in[i]))) {
      const unsigned digit = IsDigit(in[i]) ? in[i] - '0' : (in[i] | 0x20) - 'a' + 10;
      value = std::min<unsigned long>(value * (hex ? 16 : 10) + digit, 0x110000);
      ++i;
    }
    ref.width = i - ref.digitsAt;
    if (ref.width == 0) return std::nullopt;
    ref.unit = NumericUnit(value);
  } else {
    ref.digitsAt = i;
    while (i < to && IsAlnum(in[i])) ++i;
    ref.width = i - ref.digitsAt;
    if (ref.width == 0) return std::nullopt;
  }
  ref.semicolon = i < to && in[i] == ';';
  ref.end = i + ref.semicolon;
  if (ref.form == Reference::Named) ref.unit = NamedUnit(in.substr(ref.digitsAt, ref.end - ref.digitsAt));
  return ref;
}

// The name written for `unit`: among its names with (or without) the
// semicolon, the one that equals the original apart from letter case, else
// the shortest; empty when it has none.
std::string_view NameFor(char16_t unit, std::string_view original, bool semicolon) {
  const auto names = data::NamedReferences();
  const auto order = data::NamesByUnit();
  auto at = std::lower_bound(order.begin(), order.end(), unit,
                             [&](std::uint16_t i, char16_t u) { return names[i].unit < u; });
  std::string_view chosen;
  for (; at != order.end() && names[*at].unit == unit; ++at) {
    const std::string_view name = names[*at].name;
    if ((name.back() == ';') != semicolon) continue;
    if (EqualIgnoringCase(name, original)) return name;
    if (chosen.empty()) chosen = name;
  }
  return chosen;
}

std::string Digits(unsigned value, unsigned base, bool upperHex, std::size_t width) {
  std::string digits;
  do {
    const unsigned digit = value % base;
    digits.insert(digits.begin(), char(digit < 10 ? '0' + digit : (upperHex ? 'A' : 'a') + digit - 10));
    value /= base;
  } while (value != 0);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// "&#N;": built by appending, which GCC 12 does not mistake for an overlapping copy.
std::string DecimalReference(char16_t unit) { return std::string("&#").append(Digits(unit, 10, false, 0)).append(";"); }

// The reference written back for the converted unit in the original's form.
std::string RewrittenReference(std::string_view in, const Reference& ref, char16_t unit) {
  const std::string_view body = in.substr(ref.digitsAt, ref.width);
  if (ref.form == Reference::Named) {
    const std::string_view name = NameFor(unit, in.substr(ref.digitsAt, ref.end - ref.digitsAt), ref.semicolon);
    return name.empty() ? DecimalReference(unit) : std::string("&").append(name);
  }
  std::string out(in.substr(ref.digitsAt - (ref.form == Reference::Hex ? 3 : 2), ref.form == Reference::Hex ? 3 : 2));
  if (ref.form == Reference::Decimal) return out + Digits(unit, 10, false, ref.width) + (ref.semicolon ? ";" : "");
  const bool lowerHex = std::any_of(body.begin(), body.end(), [](char c) { return c >= 'a' && c <= 'f'; });
  return out + Digits(unit, 16, !lowerHex, ref.width) + (ref.semicolon ? ";" : "");
}

// --- Markup ----------------------------------------------------------------------

// The end of a start or end tag whose name starts at `i`: past its '>', or
// `to` when the block ends inside it. Follows the attribute states of an
// HTML tokenizer, so that a '>' inside a quoted value does not end it.
std::size_t TagEnd(std::string_view in, std::size_t i, std::size_t to) {
  // Without a quote before the first '>', nothing can hide that '>'.
  const auto* firstGreater = static_cast<const char*>(std::memchr(in.data() + i, '>', to - i));
  if (firstGreater == nullptr) return to;
  const std::size_t length = static_cast<std::size_t>(firstGreater - in.data()) - i;
  if (std::memchr(in.data() + i, '"', length) == nullptr && std::memchr(in.data() + i, '\'', length) == nullptr) {
    return i + length + 1;
  }
  enum { Name, BeforeAttribute, Attribute, AfterAttribute, BeforeValue, Unquoted, AfterQuoted, SelfClosing };
  int state = Name;
  while (i < to) {
    const char c = in[i];
    switch (state) {
      case Name:
      case Attribute:
        if (c == '>') return i + 1;
        if (IsSpace(c) || c == '/') {
          state = state == Name ? (c == '/' ? SelfClosing : BeforeAttribute) : AfterAttribute;
          if (state == AfterAttribute) continue;  // looked at again there
        } else if (c == '=' && state == Attribute) {
          state = BeforeValue;
        }
        break;
      case BeforeAttribute:
      case AfterAttribute:
        if (c == '>') return i + 1;
        if (c == '/') {
          state = SelfClosing;
        } else if (c == '=' && state == AfterAttribute) {
          state = BeforeValue;
        } else if (!IsSpace(c)) {
          state = Attribute;  // a '=' before any name starts the name
        }
        break;
      case BeforeValue:
        if (c == '>') return i + 1;
        if (c == '"' || c == '\'') {
          const std::size_t close = in.find(c, i + 1);
          if (close == std::string_view::npos || close >= to) return to;
          i = close;
          state = AfterQuoted;
        } else if (!IsSpace(c)) {
          state = Unquoted;
        }
        break;
      case Unquoted:
        if (c == '>') return i + 1;
        if (IsSpace(c)) state = BeforeAttribute;
        break;
      case AfterQuoted:
      case SelfClosing:
        if (c == '>') return i + 1;
        if (c == '/' && state == AfterQuoted) {
          state = SelfClosing;
        } else {
          state = BeforeAttribute;
          if (!IsSpace(c)) continue;
        }
        break;
    }
    ++i;
  }
  return to;
}

// "</name" followed by a space, '/' or '>' at in[i].
bool IsEndTagOf(std::string_view in, std::size_t i, std::size_t to, std::string_view name) {
  const std::size_t after = i + 2 + name.size();
  return after < to && in[i] == '<' && in[i + 1] == '/' && EqualIgnoringCase(in.substr(i + 2, name.size()), name) &&
         (IsSpace(in[after]) || in[after] == '/' || in[after] == '>');
}

// Where the end tag of a kept element starts, or `to`.
std::size_t RawTextEnd(std::string_view in, std::size_t i, std::size_t to, std::string_view name) {
  for (; (i = in.find('<', i)) < to; ++i) {
    if (IsEndTagOf(in, i, to, name)) return i;
  }
  return to;
}

// Where a script's end tag starts, or `to`. Inside "<!--" a nested
// "<script" hides the next "</script" (the escape states of a tokenizer).
std::size_t ScriptEnd(std::string_view in, std::size_t i, std::size_t to) {
  enum { Data, Escaped, DoubleEscaped } state = Data;
  for (; i < to; ++i) {
    const char c = in[i];
    if (c == '>' && state != Data && in[i - 1] == '-' && in[i - 2] == '-') {  // i >= 2: past the start tag
      state = Data;
    } else if (c == '<') {
      const bool endTag = IsEndTagOf(in, i, to, "script");
      if (endTag && state != DoubleEscaped) return i;
      if (endTag) {
        state = Escaped;
        i += 7;
      } else if (state == Data && in.substr(i, 4) == "<!--" && i + 4 <= to) {
        state = Escaped;
        i += 3;
      } else if (state == Escaped && i + 7 < to && EqualIgnoringCase(in.substr(i + 1, 6), "script") &&
                 (IsSpace(in[i + 7]) || in[i + 7] == '/' || in[i + 7] == '>')) {
        state = DoubleEscaped;
        i += 6;
      }
    }
  }
  return to;
}

// The end of a comment that starts at in[at] ("<!--"): past the first
// "-->" (which may share the opening's dashes: "<!-->" and "<!--->") or
// "--!>", or `to`.
std::size_t CommentEnd(std::string_view in, std::size_t at, std::size_t to) {
  const std::size_t close = in.find("-->", at + 2), bang = in.find("--!>", at + 4);
  const std::size_t end = std::min(close == std::string_view::npos ? to : close + 3,
                                   bang == std::string_view::npos ? to : bang + 4);
  return std::min(end, to);
}

// Bogus comments and declarations (<!DOCTYPE ...>, <?...>, </ 3>) run to
// the first '>'.
std::size_t DeclarationEnd(std::string_view in, std::size_t at, std::size_t to) {
  const std::size_t close = in.find('>', at);
  return close == std::string_view::npos || close >= to ? to : close + 1;
}

struct Markup {
  std::size_t end;
  std::string_view name;  // of a start or end tag
  bool startTag = false;
};

// The markup at in[at] == '<', or none: a '<' that starts no tag is text.
std::optional<Markup> ReadMarkup(std::string_view in, std::size_t at, std::size_t to) {
  if (at + 1 >= to) return std::nullopt;
  const char next = in[at + 1];
  if (next == '!') {
    if (in.substr(at, 4) == "<!--" && at + 4 <= to) return Markup{CommentEnd(in, at, to), {}};
    return Markup{DeclarationEnd(in, at, to), {}};
  }
  if (next == '?') return Markup{DeclarationEnd(in, at, to), {}};
  const bool endTag = next == '/';
  const std::size_t nameAt = at + 1 + endTag;
  if (nameAt >= to) return std::nullopt;  // "</" at the end is text
  if (!IsAlpha(in[nameAt])) {
    if (!endTag) return std::nullopt;
    return Markup{in[nameAt] == '>' ? nameAt + 1 : DeclarationEnd(in, at, to), {}};
  }
  std::size_t nameEnd = nameAt;
  while (nameEnd < to && !IsSpace(in[nameEnd]) && in[nameEnd] != '/' && in[nameEnd] != '>') ++nameEnd;
  return Markup{TagEnd(in, nameEnd, to), in.substr(nameAt, nameEnd - nameAt), !endTag};
}

// --- The walk --------------------------------------------------------------------

// An input position whose place in the output the header needs.
struct Point {
  std::size_t at;
  int field;
  bool restart;  // the plain text, and so the stream, starts here
};

// The next place of one byte from a position on, remembered, so that a
// byte far away is searched for once rather than from every position.
class NextByte {
 public:
  NextByte(std::string_view in, char byte) : in_(in), byte_(byte) {}
  std::size_t From(std::size_t pos, std::size_t to) {
    if (!valid_ || at_ < pos) {
      valid_ = true;
      const void* found = std::memchr(in_.data() + pos, byte_, to - pos);
      at_ = found ? static_cast<std::size_t>(static_cast<const char*>(found) - in_.data()) : to;
    }
    return std::min(at_, to);
  }

 private:
  std::string_view in_;
  char byte_;
  std::size_t at_ = 0;
  bool valid_ = false;
};

class HtmlWalk {
 public:
  HtmlWalk(CaseRule rule, std::string_view in, std::vector<Point> points)
      : rule_(rule), in_(in), writer_(in), points_(std::move(points)) {}

  // Converts the document in [from, to); false when an offset falls inside
  // a reference that changes length.
  bool Run(std::size_t from, std::size_t to) {
    Walk(from, to, Content::Markup);
    return Reach(in_.size());
  }

  std::string Finish() { return writer_.Finish(); }
  std::size_t Mapped(int field) const { return mapped_[field]; }

 private:
  // What the walk reads in a stretch: markup and references, references
  // alone, or neither.
  enum class Content { Markup, Rcdata, Rawtext };

  // Text, markup and references in [from, to) as content of the given kind.
  void Walk(std::size_t from, std::size_t to, Content content) {
    std::size_t pos = from, text = from;
    NextByte lessThan(in_, '<'), ampersand(in_, '&');
    while (failed_ == false) {
      const std::size_t tag = content == Content::Markup ? lessThan.From(pos, to) : to;
      const std::size_t ref = content != Content::Rawtext ? ampersand.From(pos, to) : to;
      const std::size_t at = std::min(tag, ref);
      if (at == to) break;
      if (at == ref) {
        const auto reference = ReadReference(in_, at, to);
        if (!reference) {
          pos = at + 1;
          continue;
        }
        Text(text, at);
        ConvertReference(*reference, at);
        pos = text = reference->end;
        continue;
      }
      const auto markup = ReadMarkup(in_, at, to);
      if (!markup) {
        pos = at + 1;
        continue;
      }
      Text(text, at);
      pos = text = markup->end;
      if (markup->name.empty()) continue;
      const Element element = ElementOf(markup->name);
      if (element == Element::Block) ConvertUnit(rule_, u'\n', state_);
      if (!markup->startTag || element == Element::Inline || element == Element::Block) continue;
      const std::size_t close = element == Element::Script      ? ScriptEnd(in_, pos, to)
                                : element == Element::Plaintext ? to
                                                                : RawTextEnd(in_, pos, to, markup->name);
      if (element == Element::Rcdata) Walk(pos, close, Content::Rcdata);
      if (element == Element::Rawtext || element == Element::Plaintext) Walk(pos, close, Content::Rawtext);
      pos = text = close;
    }
    Text(text, to, content != Content::Rawtext);
  }

  // Text in [from, to), split where a point falls; a no-break space counts
  // as a space for the rule.
  void Text(std::size_t from, std::size_t to, bool references = true) {
    Reach(from);
    while (from < to) {
      std::size_t stop = to;
      if (next_ < points_.size() && points_[next_].at < stop) stop = points_[next_].at;
      bool noBreakSpace = false;
      if (rule_ == CaseRule::Proper) {
        const std::size_t nbsp = in_.substr(from, stop - from).find("\xC2\xA0");
        if (nbsp != std::string_view::npos) {
          stop = from + nbsp + 2;
          noBreakSpace = true;
        }
      }
      const std::size_t ascii = AsciiPartnerAt(from, stop);
      writer_.ConvertText(rule_, from, ascii, state_);
      // A letter with an ASCII partner before the no-break space comes first;
      // the space is read when the next round reaches it.
      if (noBreakSpace && ascii == stop) ConvertUnit(rule_, u' ', state_);
      if (ascii < stop) stop = ConvertToAscii(ascii, references);
      from = stop;
      Reach(from);
    }
  }

  // The first character in [from, to) whose partner is an ASCII letter
  // (long s, dotless i, dotted capital I, Kelvin sign), or `to`.
  std::size_t AsciiPartnerAt(std::size_t from, std::size_t to) const {
    std::size_t i = from;
    for (std::uint64_t word; i + 8 <= to; i += 8) {  // ASCII, eight bytes at a time
      std::memcpy(&word, in_.data() + i, 8);
      if ((word & 0x8080808080808080ull) != 0) break;
    }
    for (; i + 1 < to; ++i) {
      const auto lead = static_cast<unsigned char>(in_[i]), next = static_cast<unsigned char>(in_[i + 1]);
      if ((lead == 0xC5 && next == 0xBF) || (lead == 0xC4 && (next == 0xB0 || next == 0xB1))) return i;
      if (lead == 0xE2 && next == 0x84 && i + 2 < to && static_cast<unsigned char>(in_[i + 2]) == 0xAA) return i;
    }
    return to;
  }

  // One such character; converted to an ASCII letter it is written as a
  // decimal reference where references are read, so that it cannot make a
  // tag ("<ſ" becoming "<S") or a reference ("&ſcaron;" becoming
  // "&Scaron;") out of the text before it. Returns where it ends.
  std::size_t ConvertToAscii(std::size_t at, bool references) {
    const bool kelvin = static_cast<unsigned char>(in_[at]) == 0xE2;
    const std::size_t end = at + (kelvin ? 3 : 2);
    const char16_t unit = kelvin ? 0x212A : static_cast<char16_t>((in_[at] & 0x1F) << 6 | (in_[at + 1] & 0x3F));
    bool state = state_;
    const char16_t converted = ConvertUnit(rule_, unit, state);
    if (converted >= 0x80) {
      writer_.ConvertText(rule_, at, end, state_);
      return end;
    }
    state_ = state;
    writer_.Replace(at, end, references ? DecimalReference(converted) : std::string(1, char(converted)));
    return end;
  }

  void ConvertReference(const Reference& ref, std::size_t at) {
    Reach(at);
    const char16_t seen = ref.unit == 0xA0 ? u' ' : ref.unit;
    const char16_t converted = ConvertUnit(rule_, seen, state_);
    if (converted == seen || ref.unit == kNeutralUnit) return;
    writer_.Replace(at, ref.end, RewrittenReference(in_, ref, converted));
  }

  // Records where the points up to `at` land; a point that falls inside
  // something already rewritten has no place.
  bool Reach(std::size_t at) {
    for (; next_ < points_.size() && points_[next_].at <= at; ++next_) {
      const Point& point = points_[next_];
      if (point.at < writer_.Written()) failed_ = true;
      mapped_[point.field] = writer_.OutputPosition(point.at);
      if (point.restart) state_ = true;
    }
    return !failed_;
  }

  CaseRule rule_;
  std::string_view in_;
  FormatWriter writer_;
  std::vector<Point> points_;
  std::size_t next_ = 0;
  std::array<std::size_t, kFields> mapped_{};
  bool state_ = true;
  bool failed_ = false;
};

}  // namespace

std::optional<std::string> ConvertHtmlFormat(CaseRule rule, std::string_view block) {
  const auto header = ReadHeader(block);
  if (!header || !InOrder(*header, block.size())) return std::nullopt;
  const auto& fields = header->fields;
  const bool context = fields[kStartHtml].value >= 0;
  const std::size_t from = context ? fields[kStartHtml].value : fields[kStartFragment].value;
  const std::size_t to = context ? fields[kEndHtml].value : fields[kEndFragment].value;

  // A clipboard block may end with NULs, and whatever follows the first of
  // them after the document is no text: it is kept unread.
  const std::size_t nul = block.find('\0', to);
  const std::size_t dataEnd = nul == std::string_view::npos ? block.size() : nul;
  if (utf8::FindInvalid(block.substr(0, dataEnd))) return std::nullopt;

  std::vector<Point> points;
  for (int f = 0; f < kFields; ++f) {
    if (!fields[f].present || fields[f].value < 0) continue;
    const std::size_t at = fields[f].value;
    if (at < dataEnd && (static_cast<unsigned char>(block[at]) & 0xC0) == 0x80) return std::nullopt;
    points.push_back({at, f, f == kStartFragment || f == kStartSelection});
  }
  std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.at < b.at; });

  HtmlWalk walk(rule, block, std::move(points));
  if (!walk.Run(from, to)) return std::nullopt;
  std::array<long long, kFields> values{};
  for (int f = 0; f < kFields; ++f) values[f] = fields[f].value >= 0 ? static_cast<long long>(walk.Mapped(f)) : -1;
  return RewriteHeader(walk.Finish(), *header, values);
}

}  // namespace tarnwick::mCase
