#include "case/RtfFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "case/FormatTableData.h"
#include "case/FormatWriter.h"

namespace tarnwick::mCase {
namespace {

using detail::ConvertUnit;
using detail::FormatWriter;

constexpr bool IsLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  const char lower = char(c | 0x20);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A unit that is no letter, delimiter or separator.
constexpr char16_t kNeutralUnit = 0xFFFF;

// --- Control words -----------------------------------------------------------------

enum class Word : std::uint8_t {
  Other,
  Unicode,        // \uN
  UnicodeSkip,    // \ucN
  Binary,         // \binN
  Font,           // \fN
  FontCharset,    // \fcharsetN (font table)
  FontCodePage,   // \cpgN (font table)
  DocumentPage,   // \ansicpgN, \ansi, \mac, \pc, \pca
  DefaultFont,    // \deffN
  Plain,          // \plain: the default font again
  Character,      // a word that stands for a character
  Kept,           // starts a destination that is no document text
  FontTable,      // starts the font table (kept, but read)
  OwnStream,      // starts document text outside the main flow: footnote, header, footer
  ReadOnly,       // starts list numbers: read by the rule, not changed
};

struct WordInfo {
  std::string_view name;
  Word word;
  char16_t unit = 0;  // Character: what the rule reads; DocumentPage: the page (0: from the number)
};

// Sorted by name.
constexpr WordInfo kWords[] = {
    {"aftncn", Word::Kept}, {"aftnsep", Word::Kept}, {"aftnsepc", Word::Kept},
    {"annotation", Word::Kept}, {"ansi", Word::DocumentPage, 1252}, {"ansicpg", Word::DocumentPage},
    {"author", Word::Kept}, {"bin", Word::Binary}, {"bullet", Word::Character, 0x2022},
    {"buptim", Word::Kept}, {"cell", Word::Character, u'\n'}, {"colortbl", Word::Kept},
    {"comment", Word::Kept}, {"cpg", Word::FontCodePage}, {"creatim", Word::Kept},
    {"datafield", Word::Kept}, {"deff", Word::DefaultFont}, {"do", Word::Kept},
    {"doccomm", Word::Kept}, {"emdash", Word::Character, 0x2014}, {"emspace", Word::Character, 0x2003},
    {"endash", Word::Character, 0x2013}, {"enspace", Word::Character, 0x2002}, {"f", Word::Font},
    {"fcharset", Word::FontCharset}, {"filetbl", Word::Kept}, {"fldinst", Word::Kept},
    {"fonttbl", Word::FontTable}, {"footer", Word::OwnStream}, {"footerf", Word::OwnStream},
    {"footerl", Word::OwnStream}, {"footerr", Word::OwnStream}, {"footnote", Word::OwnStream},
    {"ftncn", Word::Kept}, {"ftnsep", Word::Kept}, {"ftnsepc", Word::Kept},
    {"header", Word::OwnStream}, {"headerf", Word::OwnStream}, {"headerl", Word::OwnStream},
    {"headerr", Word::OwnStream}, {"info", Word::Kept}, {"keywords", Word::Kept},
    {"ldblquote", Word::Character, 0x201C}, {"line", Word::Character, u'\n'},
    {"listoverridetable", Word::Kept}, {"listtable", Word::Kept}, {"listtext", Word::ReadOnly},
    {"lquote", Word::Character, 0x2018}, {"ltrmark", Word::Character, 0x200E},
    {"mac", Word::DocumentPage, 10000}, {"nestcell", Word::Character, u'\n'},
    {"nestrow", Word::Character, u'\n'}, {"nonshppict", Word::Kept}, {"object", Word::Kept},
    {"operator", Word::Kept}, {"page", Word::Character, u'\n'}, {"par", Word::Character, u'\n'},
    {"pc", Word::DocumentPage, 437}, {"pca", Word::DocumentPage, 850}, {"pict", Word::Kept},
    {"plain", Word::Plain}, {"pn", Word::Kept}, {"pntext", Word::ReadOnly}, {"printim", Word::Kept},
    {"qmspace", Word::Character, 0x2005}, {"rdblquote", Word::Character, 0x201D},
    {"revtbl", Word::Kept}, {"revtim", Word::Kept}, {"row", Word::Character, u'\n'},
    {"rquote", Word::Character, 0x2019}, {"rsidtbl", Word::Kept}, {"rtlmark", Word::Character, 0x200F},
    {"rxe", Word::Kept}, {"sect", Word::Character, u'\n'}, {"shp", Word::Kept}, {"shppict", Word::Kept},
    {"shprslt", Word::Kept}, {"stylesheet", Word::Kept}, {"subject", Word::Kept},
    {"tab", Word::Character, u'\t'}, {"tc", Word::Kept}, {"template", Word::Kept}, {"title", Word::Kept},
    {"txe", Word::Kept}, {"u", Word::Unicode}, {"uc", Word::UnicodeSkip}, {"xe", Word::Kept},
    {"xmlnstbl", Word::Kept}, {"zwj", Word::Character, 0x200D}, {"zwnj", Word::Character, 0x200C},
};

// A name of up to eight letters as a number, for a quick lookup; longer
// names (rarer, and few in the table) are compared as they are.
constexpr std::uint64_t NameKey(std::string_view name) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < name.size() && i < 8; ++i) key |= std::uint64_t(std::uint8_t(name[i])) << (8 * i);
  return key;
}

struct KeyedWords {
  std::array<std::pair<std::uint64_t, std::uint8_t>, std::size(kWords)> keys{};  // key, index into kWords
  constexpr KeyedWords() {
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = {kWords[i].name.size() <= 8 ? NameKey(kWords[i].name) : 0, std::uint8_t(i)};
    std::sort(keys.begin(), keys.end());
  }
};
constexpr KeyedWords kKeyedWords;

const WordInfo& Lookup(std::string_view name) {
  static constexpr WordInfo kOther{"", Word::Other};
  if (name.size() > 8) {
    for (const WordInfo& info : kWords) {
      if (info.name == name) return info;
    }
    return kOther;
  }
  const std::uint64_t key = NameKey(name);
  const auto& keys = kKeyedWords.keys;
  const auto at = std::lower_bound(keys.begin(), keys.end(), std::pair<std::uint64_t, std::uint8_t>(key, 0));
  return at != keys.end() && at->first == key ? kWords[at->second] : kOther;
}

// "\name-123 ": where its parts lie.
struct ControlWord {
  std::size_t nameAt, nameEnd, paramAt, paramEnd, end;
  long long value;
  bool hasParam;
  std::string_view Name(std::string_view in) const { return in.substr(nameAt, nameEnd - nameAt); }
};

// The control word at in[at] == '\\', in[at + 1] a letter.
ControlWord ReadControlWord(std::string_view in, std::size_t at) {
  ControlWord w{};
  w.nameAt = at + 1;
  std::size_t i = w.nameAt;
  while (i < in.size() && IsLetter(in[i])) ++i;
  w.nameEnd = w.paramAt = i;
  const bool negative = i + 1 < in.size() && in[i] == '-' && IsDigit(in[i + 1]);
  i += negative;
  long long value = 0;
  while (i < in.size() && IsDigit(in[i])) value = std::min<long long>(value * 10 + (in[i++] - '0'), 1LL << 40);
  w.hasParam = i > w.paramAt;
  w.value = negative ? -value : value;
  w.paramEnd = i;
  w.end = i + (i < in.size() && in[i] == ' ');
  return w;
}

// --- Code pages --------------------------------------------------------------------

struct Page {
  enum Kind { Table, Symbol, None } kind;  // None: no table here (double-byte pages among them)
  const data::CodePage* table;
};

Page PageNumbered(long long number) {
  for (const data::CodePage& page : data::CodePages()) {
    if (page.number == number) return {Page::Table, &page};
  }
  return {Page::None, nullptr};
}

char16_t Decode(const data::CodePage& page, unsigned char byte) {
  return byte < 0x80 ? char16_t(byte) : page.decode[byte - 0x80];
}

// The byte of `unit` in the page (ASCII alone without one), or -1.
int Encode(const data::CodePage* page, char16_t unit) {
  if (unit < 0x80) return unit;
  if (page == nullptr) return -1;
  const auto at = std::lower_bound(page->encode.begin(), page->encode.end(), unit,
                                   [](const data::ByteOfUnit& e, char16_t u) { return e.unit < u; });
  return at != page->encode.end() && at->unit == unit ? at->byte : -1;
}

struct FontDef {
  long long charset = -1, codePage = -1;
};

// --- The walk ----------------------------------------------------------------------

enum class Kind : std::uint8_t {
  Text,      // document text: read by the rule and converted
  ReadOnly,  // read by the rule, not changed
  Kept,      // no document text
};

struct Group {
  Kind kind = Kind::Text;
  bool fontTable = false;
  bool ownStream = false;
  bool outerState = false;  // the main flow's state, given back when an own stream ends
  long long font = -1;
  long long skip = 1;  // \uc: fallback characters after \uN
};

// A character of a \uN fallback: a raw byte or \'hh.
struct FallbackChar {
  std::size_t at;
  bool hex;
};

class RtfWalk {
 public:
  RtfWalk(CaseRule rule, std::string_view in) : rule_(rule), in_(in), writer_(in) {}

  // False when the document cannot be converted safely.
  bool Run() {
    if (in_.substr(0, 5) != "{\\rtf") return false;
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      bool ok = true;
      if (c == '{') {
        OpenGroup();
      } else if (c == '}') {
        CloseGroup();
        if (groups_.empty()) return OnlyPaddingAfter(pos_);
      } else if (c == '\\') {
        ok = Control();
      } else if (Top().kind == Kind::Kept) {
        SkipKeptBytes();
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else {
        ok = Text();
      }
      if (!ok) return false;
    }
    return false;  // a group still open
  }

  std::string Finish() { return writer_.Finish(); }

 private:
  Group& Top() { return groups_.back(); }

  // After the document's last brace: line breaks and spaces, then from the
  // first NUL on anything (the rest of a clipboard block). Another brace
  // or text means groups that do not balance.
  bool OnlyPaddingAfter(std::size_t at) const {
    for (; at < in_.size() && in_[at] != '\0'; ++at) {
      if (in_[at] != '\r' && in_[at] != '\n' && in_[at] != ' ' && in_[at] != '\t') return false;
    }
    return true;
  }

  void OpenGroup() {
    Group group = groups_.empty() ? Group{} : Top();
    ++pos_;
    group.ownStream = false;
    if (group.kind != Kind::Kept && pos_ + 1 < in_.size() && in_[pos_] == '\\') {
      if (in_[pos_ + 1] == '*') {
        group.kind = Kind::Kept;
      } else if (IsLetter(in_[pos_ + 1])) {
        switch (Lookup(ReadControlWord(in_, pos_).Name(in_)).word) {
          case Word::Kept: group.kind = Kind::Kept; break;
          case Word::FontTable:
            group.kind = Kind::Kept;
            group.fontTable = true;
            break;
          case Word::ReadOnly: group.kind = Kind::ReadOnly; break;
          case Word::OwnStream:
            group.ownStream = true;
            group.outerState = state_;
            state_ = true;
            break;
          default: break;
        }
      }
    }
    groups_.push_back(group);
  }

  void CloseGroup() {
    ++pos_;
    if (Top().ownStream) state_ = Top().outerState;
    groups_.pop_back();
  }

  // Bytes of a kept destination up to the next brace or backslash.
  void SkipKeptBytes() {
    while (pos_ < in_.size() && in_[pos_] != '{' && in_[pos_] != '}' && in_[pos_] != '\\') ++pos_;
  }

  // The rule reads one unit of the stream; what it makes of it.
  char16_t Read(char16_t unit) { return Top().kind == Kind::Kept ? unit : ConvertUnit(rule_, unit, state_); }

  bool Control() {
    const std::size_t at = pos_;
    if (at + 1 >= in_.size()) return false;
    const char next = in_[at + 1];
    if (IsLetter(next)) {
      const ControlWord word = ReadControlWord(in_, at);
      pos_ = word.end;
      return ControlWordSeen(word);
    }
    if (next == '\'') {
      if (at + 3 >= in_.size() || HexValue(in_[at + 2]) < 0 || HexValue(in_[at + 3]) < 0) return false;
      pos_ = at + 4;
      return Top().kind == Kind::Kept || ByteChar(at, true);
    }
    pos_ = at + 2;
    switch (next) {
      case '\r':
      case '\n': Read(u'\n'); break;  // the same as \par
      case '~': Read(0x00A0); break;
      case '_': Read(0x2011); break;
      case '{':
      case '}':
      case '\\': Read(char16_t(next)); break;
      default: break;
    }
    return true;
  }

  bool ControlWordSeen(const ControlWord& word) {
    const WordInfo& info = Lookup(word.Name(in_));
    Group& group = Top();
    if (info.word == Word::Binary) return SkipBinary(word);
    if (group.fontTable) {
      ++generation_;
      if (info.word == Word::Font) font_ = word.value;
      if (info.word == Word::FontCharset) Font(font_).charset = word.value;
      if (info.word == Word::FontCodePage) Font(font_).codePage = word.value;
      return true;
    }
    if (group.kind == Kind::Kept) return true;
    switch (info.word) {
      case Word::Unicode: return word.hasParam ? UnicodeChar(word) : true;
      case Word::UnicodeSkip: group.skip = std::clamp<long long>(word.value, 0, 16); break;
      case Word::Font: group.font = word.value; break;
      case Word::DocumentPage:
        documentPage_ = info.unit != 0 ? info.unit : word.value;
        ++generation_;
        break;
      case Word::DefaultFont: defaultFont_ = word.value; break;
      case Word::Plain: group.font = defaultFont_; break;
      case Word::Character: Read(info.unit); break;
      default: break;
    }
    return true;
  }

  bool SkipBinary(const ControlWord& word) {
    if (!word.hasParam || word.value < 0 || std::size_t(word.value) > in_.size() - pos_) return false;
    pos_ += std::size_t(word.value);
    return true;
  }

  FontDef& Font(long long number) {
    static FontDef ignored;
    if (number < 0 || number >= 0x10000) return ignored = {};
    if (std::size_t(number) >= fonts_.size()) fonts_.resize(std::size_t(number) + 1);
    return fonts_[std::size_t(number)];
  }

  // The code page of the text in the current font, remembered for the
  // font and the tables it was found with.
  Page CurrentPage() {
    const long long number = Top().font >= 0 ? Top().font : defaultFont_;
    if (number != pageFont_ || generation_ != pageGeneration_) {
      page_ = PageOfFont(number);
      pageFont_ = number;
      pageGeneration_ = generation_;
    }
    return page_;
  }

  Page PageOfFont(long long number) const {
    if (number >= 0 && std::size_t(number) < fonts_.size()) {
      const FontDef& font = fonts_[std::size_t(number)];
      if (font.codePage >= 0) return PageNumbered(font.codePage);
      if (font.charset == 2) return {Page::Symbol, nullptr};
      if (font.charset >= 0 && font.charset != 1) {
        const auto charsets = data::FontCharsets();
        const auto known = std::find_if(charsets.begin(), charsets.end(),
                                        [&](const data::FontCharset& c) { return c.charset == font.charset; });
        return known == charsets.end() ? Page{Page::None, nullptr} : PageNumbered(known->codePage);
      }
    }
    return PageNumbered(documentPage_);
  }

  // Plain text: a run of ASCII bytes, then one byte above 0x7F if that
  // is what stopped it.
  bool Text() {
    const std::size_t from = pos_;
    while (pos_ < in_.size()) {
      const auto c = static_cast<unsigned char>(in_[pos_]);
      if (c >= 0x80 || c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n') break;
      ++pos_;
    }
    if (pos_ > from) AsciiText(from, pos_);
    if (pos_ < in_.size() && static_cast<unsigned char>(in_[pos_]) >= 0x80) return ByteChar(pos_++, false);
    return true;
  }

  void AsciiText(std::size_t from, std::size_t to) {
    const bool symbol = CurrentPage().kind == Page::Symbol;
    if (Top().kind == Kind::Text && !symbol) {
      writer_.ConvertText(rule_, from, to, state_);
      return;
    }
    for (std::size_t i = from; i < to; ++i) Read(symbol && IsLetter(in_[i]) ? kNeutralUnit : char16_t(in_[i]));
  }

  // A character of one byte at `at`: \'hh (hex) or a raw byte.
  bool ByteChar(std::size_t at, bool hex) {
    const auto byte = static_cast<unsigned char>(hex ? HexValue(in_[at + 2]) * 16 + HexValue(in_[at + 3]) : in_[at]);
    const Page page = CurrentPage();
    if (page.kind == Page::Symbol) {
      Read(kNeutralUnit);
      return true;
    }
    if (byte >= 0x80 && page.kind == Page::None) return false;  // no table to read it with
    const char16_t unit = byte < 0x80 ? char16_t(byte) : Decode(*page.table, byte);
    if (unit == data::kNoCharacter) {
      Read(kNeutralUnit);
      return true;
    }
    const char16_t converted = Read(unit);
    if (converted != unit && Top().kind == Kind::Text) WriteChar(at, hex, page.table, converted);
    return true;
  }

  // Writes `unit` in place of the character at `at`: in the same form when
  // the page has it, else as \uN with the fallback characters in force.
  void WriteChar(std::size_t at, bool hex, const data::CodePage* page, char16_t unit) {
    const std::size_t end = at + (hex ? 4 : 1);
    const int byte = Encode(page, unit);
    if (byte >= 0) {
      // A raw byte that becomes an ASCII letter (and was none) is written
      // as \'hh: after a control word without a delimiter it would
      // lengthen the word's name.
      const bool escape = hex || (IsLetter(char(byte)) && !IsLetter(in_[at]));
      writer_.Replace(at, end, escape ? HexEscape(hex ? at : std::size_t(-1), byte) : std::string(1, char(byte)));
      return;
    }
    std::string escape = std::string("\\u").append(std::to_string(unit > 0x7FFF ? int(unit) - 0x10000 : int(unit)));
    const long long skip = Top().skip;
    if (skip == 0) escape += ' ';
    if (skip > 0) escape.append(in_.substr(at, end - at));
    if (skip > 1) escape.append(std::size_t(skip - 1), '?');
    writer_.Replace(at, end, escape);
  }

  // \'hh for `byte`, with the hex digits' case of the \'hh at `at` (lower
  // case for none).
  std::string HexEscape(std::size_t at, int byte) const {
    const std::string_view digits = at < in_.size() ? in_.substr(at + 2, 2) : std::string_view();
    const bool upper = std::any_of(digits.begin(), digits.end(), [](char c) { return c >= 'A' && c <= 'F'; });
    const char* hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    return {'\\', '\'', hex[byte >> 4], hex[byte & 15]};
  }

  // \uN and its fallback characters.
  bool UnicodeChar(const ControlWord& word) {
    if (word.value < -0x8000 || word.value > 0xFFFF) return false;
    const auto unit = static_cast<char16_t>(word.value < 0 ? word.value + 0x10000 : word.value);
    std::vector<FallbackChar> fallback;
    if (!SkipFallback(fallback)) return false;
    const char16_t converted = Read(unit);
    if (converted == unit || Top().kind != Kind::Text) return true;
    // Numbers above 32767 are written negative, unless the writer wrote them positive.
    const bool negative = converted > 0x7FFF && word.value <= 0x7FFF;
    writer_.Replace(word.paramAt, word.paramEnd, std::to_string(negative ? int(converted) - 0x10000 : int(converted)));
    const Page page = CurrentPage();
    if (page.kind != Page::Table) return true;
    for (const FallbackChar& c : fallback) {
      const auto byte = static_cast<unsigned char>(c.hex ? HexValue(in_[c.at + 2]) * 16 + HexValue(in_[c.at + 3]) : in_[c.at]);
      const char16_t was = Decode(*page.table, byte);
      if (was == data::kNoCharacter) continue;
      const char16_t now = ToLowerUnit(converted) != converted   ? ToUpperUnit(was)
                           : ToUpperUnit(converted) != converted ? ToLowerUnit(was)
                                                                 : was;
      const int newByte = now == was ? -1 : Encode(page.table, now);
      if (newByte < 0) continue;
      const bool escape = c.hex || (IsLetter(char(newByte)) && !IsLetter(in_[c.at]));  // as in WriteChar
      writer_.Replace(c.at, c.at + (c.hex ? 4 : 1),
                      escape ? HexEscape(c.hex ? c.at : std::size_t(-1), newByte) : std::string(1, char(newByte)));
    }
    return true;
  }

  // Skips the \uc fallback after \uN: each raw byte, \'hh, control word or
  // control symbol counts as one, line breaks as none; a brace ends it.
  bool SkipFallback(std::vector<FallbackChar>& chars) {
    for (long long left = Top().skip; left > 0 && pos_ < in_.size(); --left) {
      const char c = in_[pos_];
      if (c == '{' || c == '}') break;
      if (c == '\r' || c == '\n') {
        ++pos_, ++left;
        continue;
      }
      if (c != '\\') {
        chars.push_back({pos_++, false});
        continue;
      }
      if (pos_ + 1 >= in_.size()) return false;
      const char next = in_[pos_ + 1];
      if (next == '\'') {
        if (pos_ + 3 >= in_.size() || HexValue(in_[pos_ + 2]) < 0 || HexValue(in_[pos_ + 3]) < 0) return false;
        chars.push_back({pos_, true});
        pos_ += 4;
      } else if (IsLetter(next)) {
        const ControlWord word = ReadControlWord(in_, pos_);
        pos_ = word.end;
        if (Lookup(word.Name(in_)).word == Word::Binary && !SkipBinary(word)) return false;
      } else {
        pos_ += 2;
      }
    }
    return true;
  }

  CaseRule rule_;
  std::string_view in_;
  FormatWriter writer_;
  std::size_t pos_ = 0;
  std::vector<Group> groups_;
  std::vector<FontDef> fonts_;
  long long font_ = -1;  // the font table entry being read
  long long documentPage_ = 1252;
  long long defaultFont_ = -1;
  // The page of pageFont_, found when the font table and document page were
  // at pageGeneration_ (each change of them counts up generation_).
  Page page_{Page::None, nullptr};
  long long pageFont_ = -2;
  unsigned generation_ = 0, pageGeneration_ = 0;
  bool state_ = true;
};

}  // namespace

std::optional<std::string> ConvertRtf(CaseRule rule, std::string_view block) {
  RtfWalk walk(rule, block);
  if (!walk.Run()) return std::nullopt;
  return walk.Finish();
}

}  // namespace tarnwick::mCase
