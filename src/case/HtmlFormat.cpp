#include "case/HtmlFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "case/FormatTableData.h"
#include "case/FormatWriter.h"
#include "case/Utf8Validation.h"

namespace tarnwick::mCase {
namespace {

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
// What the stream reads in its place: a unit that every rule reads as it
// reads U+FFFF and that the UTF-8 kernels take in their ASCII blocks, where
// three bytes of U+FFFF would send each block to the slow path.
constexpr char16_t kNeutralStandIn = u'#';

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
  std::size_t length;  // the key alone cannot tell "xmp" from "xmp" and a NUL
  Element element;
};

constexpr ElementName E(std::string_view name, Element element) { return {NameKey(name), name.size(), element}; }

constexpr Element B = Element::Block, K = Element::Kept;
constexpr ElementName kElements[] = {
    E("address", B), E("article", B), E("aside", B), E("body", B), E("br", B), E("caption", B), E("center", B),
    E("dd", B), E("details", B), E("dialog", B), E("dir", B), E("div", B), E("dl", B), E("dt", B),
    E("fieldset", B), E("figure", B), E("footer", B), E("form", B), E("h1", B), E("h2", B), E("h3", B),
    E("h4", B), E("h5", B), E("h6", B), E("header", B), E("hgroup", B), E("hr", B), E("html", B),
    E("legend", B), E("li", B), E("main", B), E("menu", B), E("nav", B), E("ol", B), E("option", B), E("p", B),
    E("pre", B), E("section", B), E("summary", B), E("table", B), E("tbody", B), E("td", B), E("tfoot", B),
    E("th", B), E("thead", B), E("tr", B), E("ul", B), E("script", Element::Script), E("style", K),
    E("title", K), E("noscript", K), E("iframe", K), E("noembed", K), E("noframes", K),
    E("textarea", Element::Rcdata), E("xmp", Element::Rawtext)};

constexpr auto kElementKeys = [] {
  std::array<std::uint64_t, std::size(kElements)> keys{};
  for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = kElements[i].key;
  return keys;
}();
constexpr detail::KeySlots<8> kElementSlots(kElementKeys, 0x23ec75979615a32full);

Element ElementOf(std::string_view name) {
  if (name.size() > 8) {
    if (EqualIgnoringCase(name, "blockquote") || EqualIgnoringCase(name, "figcaption")) return Element::Block;
    return EqualIgnoringCase(name, "plaintext") ? Element::Plaintext : Element::Inline;
  }
  const std::uint64_t key = NameKey(name);
  const std::size_t candidate = kElementSlots.Candidate(key);
  const bool same = candidate != 0 && kElements[candidate - 1].key == key && kElements[candidate - 1].length == name.size();
  return same ? kElements[candidate - 1].element : Element::Inline;
}

// --- References ------------------------------------------------------------------

struct Reference {
  std::size_t end = 0;
  char16_t unit = kNeutralUnit;
  enum Form { Named, Decimal, Hex } form = Named;
  std::size_t digitsAt = 0, width = 0;  // numeric: the digits; named: the name
  bool semicolon = false;
};

// The first eight bytes of a name as a number (the name may be longer).
std::uint64_t ReferenceKey(const char* name, std::size_t length) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < length && i < 8; ++i) key |= std::uint64_t(std::uint8_t(name[i])) << (8 * i);
  return key;
}

// The names in a hash table by their first eight bytes and length, built
// once: a reference is found with a multiplication and a compare or two.
class NameIndex {
 public:
  NameIndex() {
    const auto names = data::NamedReferences();
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::uint64_t key = ReferenceKey(names[i].name.data(), names[i].name.size());
      std::size_t slot = Slot(key, names[i].name.size());
      while (slots_[slot].index != 0) slot = (slot + 1) % kSlots;
      slots_[slot] = {key, std::uint16_t(i + 1), names[i].unit, std::uint16_t(names[i].name.size())};
    }
  }

  char16_t Find(std::string_view name) const { return Find(name, ReferenceKey(name.data(), name.size())); }

  // The same with the name's key already made. A name of up to eight bytes
  // is the key itself, and its slot holds its unit.
  char16_t Find(std::string_view name, std::uint64_t key) const {
    const auto names = data::NamedReferences();
    for (std::size_t slot = Slot(key, name.size());; slot = (slot + 1) % kSlots) {
      if (slots_[slot].index == 0) return kNeutralUnit;
      if (slots_[slot].key != key) continue;
      if (slots_[slot].length == name.size() && name.size() <= 8) return slots_[slot].unit;
      const data::NamedReference& entry = names[slots_[slot].index - 1];
      if (entry.name.size() == name.size() && (name.size() <= 8 || entry.name.substr(8) == name.substr(8))) {
        return entry.unit;
      }
    }
  }

 private:
  static constexpr unsigned kBits = 11;
  static constexpr std::size_t kSlots = std::size_t(1) << kBits;  // a quarter full

  static std::size_t Slot(std::uint64_t key, std::size_t length) {
    return std::size_t(((key ^ length) * 0x9E3779B97F4A7C15ull) >> (64 - kBits));
  }

  struct Entry {
    std::uint64_t key = 0;
    std::uint16_t index = 0;  // into NamedReferences(), from 1; 0: empty
    char16_t unit = 0;
    std::uint16_t length = 0;  // of the name
  };
  std::array<Entry, kSlots> slots_{};
};

const NameIndex& Names() {
  static const NameIndex index;
  return index;
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
    // Most names are short: away from the end, a name of up to seven
    // letters and digits, and its semicolon, are found in one word of
    // eight bytes, which is then the name's key.
    if (i + 8 <= to) {
      const std::uint64_t word = detail::swar::Load(in.data() + i);
      const std::size_t width = detail::swar::Leading(detail::swar::Letters(word) | detail::swar::Digits(word));
      if (width == 0) return std::nullopt;
      if (width < 8) {
        ref.width = width;
        ref.semicolon = ((word >> (8 * width)) & 0xFF) == ';';
        ref.end = i + width + ref.semicolon;
        const std::size_t length = width + ref.semicolon;
        const std::uint64_t key = length == 8 ? word : word & ((std::uint64_t(1) << (8 * length)) - 1);
        ref.unit = Names().Find(in.substr(i, length), key);
        return ref;
      }
    }
    while (i < to && IsAlnum(in[i])) ++i;
    ref.width = i - ref.digitsAt;
    if (ref.width == 0) return std::nullopt;
  }
  ref.semicolon = i < to && in[i] == ';';
  ref.end = i + ref.semicolon;
  if (ref.form == Reference::Named) ref.unit = Names().Find(in.substr(ref.digitsAt, ref.end - ref.digitsAt));
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

// The end of a tag whose attributes after its name (which ends at `i`)
// all read ` name="value"` or ` name='value'` (or stand alone), where the
// first quote is at `quote`; 0 for any other tag. These are the states of
// TagEnd below taken in strides: a space (or after the name a '/', which
// reads the same) after the name or a value, then names and spaces
// without '=' or '/' up to a name that ends at the '=' before the quote,
// then the quoted value; from a value on, a '>' found before any quote
// ends the tag, as a quote can hide it only in a value.
std::size_t QuotedAttributesEnd(std::string_view in, std::size_t i, std::size_t quote, std::size_t to) {
  static const detail::ByteSet kGreaterOrQuote({'>', '"', '\''}, false);
  for (std::size_t from = i;;) {
    if (quote < from + 3 || in[quote - 1] != '=' || IsSpace(in[quote - 2])) return 0;
    for (std::size_t k = from + 1; k + 1 < quote; ++k) {
      if (in[k] == '=' || in[k] == '/') return 0;
    }
    const std::size_t close = detail::FindByte(in.data(), quote + 1, to, in[quote]);
    if (close == to) return 0;
    from = close + 1;
    if (from == to || (in[from] != '>' && !IsSpace(in[from]))) return 0;
    quote = kGreaterOrQuote.Find(in.data(), from, to);
    if (quote == to) return 0;
    if (in[quote] == '>') return quote + 1;
  }
}

// The end of a start or end tag whose name starts at `i`: past its '>', or
// `to` when the block ends inside it. Follows the attribute states of an
// HTML tokenizer, so that a '>' inside a quoted value does not end it.
std::size_t TagEnd(std::string_view in, std::size_t i, std::size_t to) {
  if (i < to && in[i] == '>') return i + 1;
  // Without a quote before the first '>', nothing can hide that '>'.
  static const detail::ByteSet kGreaterOrQuote({'>', '"', '\''}, false);
  const std::size_t first = kGreaterOrQuote.Find(in.data(), i, to);
  if (first == to) return to;
  if (in[first] == '>') return first + 1;
  if (const std::size_t end = QuotedAttributesEnd(in, i, first, to)) return end;
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
          const std::size_t close = detail::FindByte(in.data(), i + 1, to, c);
          if (close == to) return to;
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
  const std::size_t close = in.find("-->", at + 2);
  const std::size_t end = std::min(close == std::string_view::npos ? to : close + 3, to);
  const std::size_t bang = in.substr(0, end).find("--!>", at + 4);  // only one before `end` ends it sooner
  return bang == std::string_view::npos ? end : bang + 4;
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

// --- Recall ----------------------------------------------------------------------

// What a document's markup and references read as, recalled by their
// bytes: a browser writes the same tags and references thousands of times
// (each link's `<a href="..." class="...">`, each `&nbsp;`), and the same
// bytes read the same. Each is read once by ReadMarkup or ReadReference; a
// later one is looked up by its first bytes and taken when every byte that
// the reading looked at is the same.
class Recall {
 public:
  struct Tag {
    Markup markup;
    Element element;
  };

  // ReadReference(in, at, to).
  std::optional<Reference> ReadReferenceAt(std::string_view in, std::size_t at, std::size_t to) {
    if (at + 9 > to) return ReadReference(in, at, to);
    const std::uint64_t word = detail::swar::Load(in.data() + at + 1);
    ReferenceEntry& entry = references_[Slot(word & 0xFFFF)];
    if (entry.length != 0 && ((word ^ entry.bytes) & Mask(entry.length)) == 0) {
      Reference ref = entry.ref;  // (its rewrite, if any, stays: the same bytes)
      ref.end += at;
      ref.digitsAt += at;
      return ref;
    }
    auto ref = ReadReference(in, at, to);
    if (!ref) return ref;
    // The bytes after '&' that the reading looked at: a name up to the byte
    // after it, or '#', 'x' and the digits up to the byte after them.
    const std::size_t seen = ref->digitsAt + ref->width + 1 - (at + 1);
    if (seen <= 8) {
      entry = {word, std::uint8_t(seen), *ref, 0, 0, {}};
      entry.ref.end -= at;
      entry.ref.digitsAt -= at;
    }
    return ref;
  }

  // RewrittenReference for the reference [at, end) that the walk read, for
  // `unit`.
  std::string RewriteReferenceAt(std::string_view in, std::size_t at, std::size_t end, char16_t unit) {
    ReferenceEntry* entry = Recalled(in, at);
    if (entry != nullptr && entry->ref.end != end - at) entry = nullptr;  // cut short by the end of its content
    if (entry != nullptr && entry->rewrittenFor == unit && unit != 0) {
      return std::string(entry->rewritten, entry->rewrittenLength);
    }
    const auto ref = ReadReference(in, at, end);
    std::string bytes = RewrittenReference(in, *ref, unit);
    if (entry != nullptr && bytes.size() <= sizeof entry->rewritten) {
      entry->rewrittenFor = unit;
      entry->rewrittenLength = std::uint8_t(bytes.size());
      std::memcpy(entry->rewritten, bytes.data(), bytes.size());
    }
    return bytes;
  }

  // ReadMarkup(in, at, to), and the element of a tag's name.
  std::optional<Tag> ReadMarkupAt(std::string_view in, std::size_t at, std::size_t to) {
    TagEntry* entry = nullptr;
    if (at + 9 <= to) {
      // Four bytes after the '<', but none after a '>' among them: those
      // are not the tag's, and a short tag is then found whatever follows.
      const std::uint64_t head = detail::swar::Load(in.data() + at + 1) & 0xFFFFFFFFu;
      const std::uint64_t other = head ^ (detail::swar::kOnes * '>');
      const std::uint64_t greater = (other - detail::swar::kOnes) & ~other & detail::swar::kTops & 0xFFFFFFFFu;
      const std::size_t kept = greater == 0 ? 4 : std::size_t(std::countr_zero(greater)) / 8 + 1;
      entry = &tags_[Slot(head & Mask(kept))];
      const std::size_t length = entry->length;
      if (length != 0 && at + length < to && std::memcmp(in.data() + at, entry->bytes, length) == 0) {
        return Tag{{at + length, in.substr(at + entry->nameAt, entry->nameLength), entry->startTag}, entry->element};
      }
    }
    const auto markup = ReadMarkup(in, at, to);
    if (!markup) return std::nullopt;
    if (markup->name.empty()) return Tag{*markup, Element::Inline};
    const Element element = ElementOf(markup->name);
    // A tag that ends before `to` read only its own bytes.
    const std::size_t length = markup->end - at;
    if (entry != nullptr && markup->end < to && length <= kTagBytes) {
      entry->length = std::uint8_t(length);
      std::memcpy(entry->bytes, in.data() + at, length);
      entry->nameAt = std::uint8_t(markup->name.data() - (in.data() + at));
      entry->nameLength = std::uint8_t(markup->name.size());
      entry->startTag = markup->startTag;
      entry->element = element;
    }
    return Tag{*markup, element};
  }

 private:
  static constexpr std::size_t kSlots = 256, kTagBytes = 128;

  static std::size_t Slot(std::uint64_t head) { return std::size_t((head * 0x9E3779B97F4A7C15ull) >> 56); }
  static std::uint64_t Mask(std::size_t bytes) {
    return bytes == 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * bytes)) - 1;
  }

  struct ReferenceEntry {
    std::uint64_t bytes = 0;   // the eight after '&'
    std::uint8_t length = 0;   // of them that decide the reading; 0: none
    Reference ref;             // its places counted from the '&'
    char16_t rewrittenFor = 0;  // the unit of the last rewrite; 0: none
    std::uint8_t rewrittenLength = 0;
    char rewritten[16];
  };

  // The entry of the reference at in[at], when it holds that reference.
  ReferenceEntry* Recalled(std::string_view in, std::size_t at) {
    if (at + 9 > in.size()) return nullptr;
    const std::uint64_t word = detail::swar::Load(in.data() + at + 1);
    ReferenceEntry& entry = references_[Slot(word & 0xFFFF)];
    return entry.length != 0 && ((word ^ entry.bytes) & Mask(entry.length)) == 0 ? &entry : nullptr;
  }

  struct TagEntry {
    std::uint8_t length = 0;  // 0: none
    std::uint8_t nameAt = 0, nameLength = 0;
    bool startTag = false;
    Element element = Element::Inline;
    char bytes[kTagBytes];
  };
  std::array<ReferenceEntry, kSlots> references_{};
  std::array<TagEntry, kSlots> tags_{};
};

// --- The walk --------------------------------------------------------------------

// An input position whose place in the output the header needs.
struct Point {
  std::size_t at;
  int field;
  bool restart;  // the plain text, and so the stream, starts here
};

// What the stream's units of HTML are, and so how each is written back.
enum UnitForm : std::uint8_t {
  kReference,         // a character reference
  kPartnerReference,  // a letter whose partner is ASCII, where references are read
  kPartnerCharacter,  // the same where they are not
};

class HtmlWalk {
 public:
  HtmlWalk(CaseRule rule, std::string_view in, std::vector<Point> points)
      : rule_(rule),
        in_(in),
        markupStops_(Stops({'<', '&'})),
        rcdataStops_(Stops({'&'})),
        rawtextStops_(Stops({})),
        writer_(in),
        stream_(rule, in, writer_, *this),
        points_(std::move(points)),
        nextPoint_(points_.empty() ? kNone : points_.front().at) {}

  // Converts the document in [from, to); false when an offset falls inside
  // a reference that changes length.
  bool Run(std::size_t from, std::size_t to) {
    Walk(from, to, Content::Markup);
    Reach(in_.size());
    stream_.Flush();
    return !failed_;
  }

  std::string Finish() { return writer_.Finish(); }
  std::size_t Mapped(int field) const { return mapped_[field]; }

  // The stream's way back for a unit that the rule changed.
  void WriteUnit(const detail::TextStream<HtmlWalk>::Piece& piece, char16_t unit) {
    if (piece.form == kReference) {
      writer_.Replace(piece.at, piece.end, recall_->RewriteReferenceAt(in_, piece.at, piece.end, unit));
    } else if (unit >= 0x80) {
      char bytes[3];
      writer_.Replace(piece.at, piece.end, {bytes, detail::PutUtf8(bytes, unit)});
    } else {
      writer_.Replace(piece.at, piece.end,
                      piece.form == kPartnerReference ? DecimalReference(unit) : std::string(1, char(unit)));
    }
  }

 private:
  static constexpr std::size_t kNone = std::size_t(-1);

  // What the walk reads in a stretch: markup and references, references
  // alone, or neither.
  enum class Content { Markup, Rcdata, Rawtext };

  // The bytes where text may stop: the given ones, the first bytes of the
  // letters whose partner is ASCII, and of the no-break space for the rule
  // that reads it as a space.
  detail::ByteSet Stops(std::initializer_list<unsigned char> markup) const {
    unsigned char bytes[6];
    std::size_t n = 0;
    for (unsigned char b : markup) bytes[n++] = b;
    for (unsigned char b : {0xC4, 0xC5, 0xE2}) bytes[n++] = b;
    if (rule_ == CaseRule::Proper) bytes[n++] = 0xC2;
    switch (n) {
      case 3: return detail::ByteSet({bytes[0], bytes[1], bytes[2]}, false);
      case 4: return detail::ByteSet({bytes[0], bytes[1], bytes[2], bytes[3]}, false);
      case 5: return detail::ByteSet({bytes[0], bytes[1], bytes[2], bytes[3], bytes[4]}, false);
      default: return detail::ByteSet({bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]}, false);
    }
  }

  // Text, markup and references in [from, to) as content of the given kind.
  void Walk(std::size_t from, std::size_t to, Content content) {
    const detail::ByteSet& stops = content == Content::Markup   ? markupStops_
                                   : content == Content::Rcdata ? rcdataStops_
                                                                : rawtextStops_;
    detail::ByteScanner scanner(stops, in_.data(), in_.size());
    const bool references = content != Content::Rawtext;
    std::size_t pos = from, text = from;
    while (!failed_) {
      const std::size_t at = scanner.Find(pos, to);
      if (at == to) break;
      const char c = in_[at];
      if (c == '&') {
        const auto reference = recall_->ReadReferenceAt(in_, at, to);
        if (!reference) {
          pos = at + 1;
          continue;
        }
        Text(text, at);
        Reach(at);
        if (reference->unit == kNeutralUnit) {
          stream_.Read(kNeutralStandIn);  // never rewritten: the rule only reads it
        } else {
          const char16_t seen = reference->unit == 0xA0 ? u' ' : reference->unit;
          stream_.Unit(at, reference->end, seen, kReference);
        }
        pos = text = reference->end;
        continue;
      }
      if (c == '<') {
        const auto tag = recall_->ReadMarkupAt(in_, at, to);
        if (!tag) {
          pos = at + 1;
          continue;
        }
        Text(text, at);
        Reach(at);
        pos = text = tag->markup.end;
        if (tag->markup.name.empty()) continue;
        const Element element = tag->element;
        if (element == Element::Block) stream_.Read(u'\n');
        if (!tag->markup.startTag || element == Element::Inline || element == Element::Block) continue;
        const std::size_t close = element == Element::Script      ? ScriptEnd(in_, pos, to)
                                  : element == Element::Plaintext ? to
                                                                  : RawTextEnd(in_, pos, to, tag->markup.name);
        if (element == Element::Rcdata) Walk(pos, close, Content::Rcdata);
        if (element == Element::Rawtext || element == Element::Plaintext) Walk(pos, close, Content::Rawtext);
        pos = text = close;
        continue;
      }
      if (const std::size_t partner = AsciiPartnerLength(at, to)) {
        Text(text, at);
        Reach(at);
        const char16_t unit = partner == 3 ? char16_t(0x212A) : char16_t((in_[at] & 0x1F) << 6 | (in_[at + 1] & 0x3F));
        stream_.Unit(at, at + partner, unit, references ? kPartnerReference : kPartnerCharacter);
        pos = text = at + partner;
        continue;
      }
      if (rule_ == CaseRule::Proper && static_cast<unsigned char>(c) == 0xC2 && at + 1 < to &&
          static_cast<unsigned char>(in_[at + 1]) == 0xA0) {
        Text(text, at + 2);  // the no-break space as it is, then a space for the rule
        stream_.Read(u' ');
        Reach(at + 2);
        pos = text = at + 2;
        continue;
      }
      pos = at + 1;
    }
    Text(text, to);
    Reach(to);
  }

  // Text in [from, to), split where a point falls.
  void Text(std::size_t from, std::size_t to) {
    Reach(from);
    while (nextPoint_ < to) {
      stream_.Run(from, nextPoint_);
      from = nextPoint_;
      Reach(from);
    }
    stream_.Run(from, to);
  }

  // The length of the character at `at` when its partner is an ASCII
  // letter (long s, dotless i, dotted capital I, Kelvin sign), else 0.
  std::size_t AsciiPartnerLength(std::size_t at, std::size_t to) const {
    if (at + 1 >= to) return 0;
    const auto lead = static_cast<unsigned char>(in_[at]), next = static_cast<unsigned char>(in_[at + 1]);
    if ((lead == 0xC5 && next == 0xBF) || (lead == 0xC4 && (next == 0xB0 || next == 0xB1))) return 2;
    if (lead == 0xE2 && next == 0x84 && at + 2 < to && static_cast<unsigned char>(in_[at + 2]) == 0xAA) return 3;
    return 0;
  }

  // Records where the points up to `at` land, with everything before them
  // written; a point that falls inside something already rewritten has no
  // place.
  void Reach(std::size_t at) {
    if (nextPoint_ > at) return;
    stream_.Flush();
    for (; next_ < points_.size() && points_[next_].at <= at; ++next_) {
      const Point& point = points_[next_];
      if (point.at < writer_.Written()) failed_ = true;
      mapped_[point.field] = writer_.OutputPosition(point.at);
      if (point.restart) stream_.State() = true;
    }
    nextPoint_ = next_ < points_.size() ? points_[next_].at : kNone;
  }

  CaseRule rule_;
  std::string_view in_;
  const detail::ByteSet markupStops_, rcdataStops_, rawtextStops_;
  std::unique_ptr<Recall> recall_ = std::make_unique<Recall>();
  FormatWriter writer_;
  detail::TextStream<HtmlWalk> stream_;
  std::vector<Point> points_;
  std::size_t next_ = 0;
  std::size_t nextPoint_;  // points_[next_].at, or kNone
  std::array<std::size_t, kFields> mapped_{};
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
