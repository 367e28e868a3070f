#include "case/RtfFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "case/CaseVector.h"
#include "case/FormatScan.h"
#include "case/FormatTableData.h"
#include "case/FormatWriter.h"

#if TARNWICK_CASE_SSE2_BASELINE
#include <immintrin.h>
#endif

#if defined(_MSC_VER)
#define TARNWICK_RTF_INLINE __forceinline
#else
#define TARNWICK_RTF_INLINE inline __attribute__((always_inline))
#endif

namespace tarnwick::mCase {
namespace {

using detail::FormatWriter;

constexpr bool IsLetter(char c) { return detail::IsAsciiLetter(c); }
constexpr bool IsDigit(char c) { return detail::IsAsciiDigit(c); }
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

// The first eight bytes of a name as a number, for a quick lookup.
constexpr std::uint64_t NameKey(std::string_view name) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < name.size() && i < 8; ++i) key |= std::uint64_t(std::uint8_t(name[i])) << (8 * i);
  return key;
}

constexpr auto kWordKeys = [] {
  std::array<std::uint64_t, std::size(kWords)> keys{};
  for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = NameKey(kWords[i].name);
  return keys;
}();
constexpr detail::KeySlots<9> kWordSlots(kWordKeys, 0xe73dd14186820cf3ull);

// Each word's key and length by KeySlots::Candidate: at 0, a key that no
// name has.
struct WordKey {
  std::uint64_t key;
  std::size_t length;
};
constexpr auto kWordKeysByCandidate = [] {
  std::array<WordKey, std::size(kWords) + 1> keys{};
  for (std::size_t i = 0; i < std::size(kWords); ++i) keys[i + 1] = {kWordKeys[i], kWords[i].name.size()};
  return keys;
}();

#if TARNWICK_CASE_SSE2_BASELINE
// For each length of name (31: that or longer), the first letters of the
// names of kWords: a word whose name matches no entry is none of them,
// and changes nothing.
constexpr auto kWordFilter = [] {
  std::array<std::uint32_t, 32> filter{};
  for (const WordInfo& info : kWords) filter[std::min<std::size_t>(info.name.size(), 31)] |= 1u << (info.name[0] - 'a');
  return filter;
}();

// The kinds of 64 bytes, one bit a byte, the first byte in the lowest bit.
struct WindowMasks {
  std::uint64_t stops;       // backslashes, braces, bytes above 0x7F
  std::uint64_t backslashes;
  std::uint64_t lineBreaks;  // CR, LF
  std::uint64_t letters, digits, minus, spaces;
};

WindowMasks MasksAtSse2(const char* data) {
  WindowMasks m{};
  const __m128i backslash = _mm_set1_epi8('\\'), open = _mm_set1_epi8('{'), close = _mm_set1_epi8('}'),
                cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), minus = _mm_set1_epi8('-'),
                space = _mm_set1_epi8(' '), caseBit = _mm_set1_epi8(0x20);
  for (int k = 0; k < 4; ++k) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
    const auto bits = [&](__m128i hit) { return std::uint64_t(unsigned(_mm_movemask_epi8(hit))) << (16 * k); };
    const __m128i backslashes = _mm_cmpeq_epi8(b, backslash);
    m.backslashes |= bits(backslashes);
    m.stops |= bits(_mm_or_si128(_mm_or_si128(backslashes, b), _mm_or_si128(_mm_cmpeq_epi8(b, open), _mm_cmpeq_epi8(b, close))));
    m.lineBreaks |= bits(_mm_or_si128(_mm_cmpeq_epi8(b, cr), _mm_cmpeq_epi8(b, lf)));
    m.letters |= std::uint64_t(detail::InRange(_mm_or_si128(b, caseBit), 'a', 26)) << (16 * k);
    m.digits |= std::uint64_t(detail::InRange(b, '0', 10)) << (16 * k);
    m.minus |= bits(_mm_cmpeq_epi8(b, minus));
    m.spaces |= bits(_mm_cmpeq_epi8(b, space));
  }
  return m;
}

}  // namespace
}  // namespace tarnwick::mCase

// Only CPUs and systems with AVX-512 reach what follows (RtfWalk checks).
#include "case/Avx512TargetBegin.h"

namespace tarnwick::mCase {
namespace {

WindowMasks MasksAtAvx512(const char* data) {
  const __m512i b = _mm512_loadu_si512(data);
  const auto is = [&](char c) { return std::uint64_t(_mm512_cmpeq_epi8_mask(b, _mm512_set1_epi8(c))); };
  WindowMasks m;
  m.backslashes = is('\\');
  m.stops = m.backslashes | is('{') | is('}') | std::uint64_t(_mm512_movepi8_mask(b));
  m.lineBreaks = is('\r') | is('\n');
  m.letters = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(_mm512_or_si512(b, _mm512_set1_epi8(0x20)), _mm512_set1_epi8('a')),
                                     _mm512_set1_epi8(26));
  m.digits = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(b, _mm512_set1_epi8('0')), _mm512_set1_epi8(10));
  m.minus = is('-');
  m.spaces = is(' ');
  return m;
}

}  // namespace
}  // namespace tarnwick::mCase

#include "case/Avx512TargetEnd.h"

namespace tarnwick::mCase {
namespace {

// The masks of the 64 bytes at `data` by the widest path that the kernels
// take (so that tests choose it as they choose theirs); none on the scalar
// path, which steps through every stop.
using MasksOf = WindowMasks (*)(const char*);
MasksOf WindowMasksForPath() {
  switch (detail::ActiveKernelPath()) {
    case detail::KernelPath::Scalar: return nullptr;
    case detail::KernelPath::Avx512: return MasksAtAvx512;
    default: return MasksAtSse2;
  }
}
#endif

// "\\name-123 ": where its parts lie.
struct ControlWord {
  std::size_t nameAt, nameEnd, paramEnd, end;  // the parameter starts at nameEnd
  std::uint64_t key;                           // NameKey of the name
  bool HasParam() const { return paramEnd > nameEnd; }
  std::string_view Name(std::string_view in) const { return {in.data() + nameAt, nameEnd - nameAt}; }
  // The parameter, as large as 2^40 at most.
  long long Value(std::string_view in) const {
    const bool negative = HasParam() && in[nameEnd] == '-';
    long long value = 0;
    for (std::size_t i = nameEnd + negative; i < paramEnd; ++i) value = std::min<long long>(value * 10 + (in[i] - '0'), 1LL << 40);
    return negative ? -value : value;
  }
};

// The control word at in[at] == '\\', in[at + 1] a letter.
ControlWord ReadControlWord(std::string_view in, std::size_t at) {
  const char* data = in.data();
  const std::size_t n = in.size();
  ControlWord w;
  w.nameAt = at + 1;
  // Most words are short: away from the end of the input, a name of up to
  // seven letters and its number are found in the sixteen bytes after the
  // backslash, every kind of byte among them at once, so that no load waits
  // for the length of the name.
#if TARNWICK_CASE_SSE2_BASELINE
  if (at + 24 <= n) {
    const std::uint64_t name = detail::swar::Load(data + w.nameAt);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + w.nameAt));
    const unsigned letters = detail::InRange(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 26);
    const unsigned digits = detail::InRange(bytes, '0', 10);
    const unsigned minuses = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('-'))));
    const unsigned spaces = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
    const std::size_t length = std::size_t(std::countr_one(letters));
    if (length < 8) {
      w.key = name & ((std::uint64_t(1) << (8 * length)) - 1);
      w.nameEnd = w.nameAt + length;
      const std::size_t minus = (minuses >> length) & (digits >> (length + 1)) & 1u;
      const std::size_t digitsEnd = length + minus + std::size_t(std::countr_one(digits >> (length + minus)));
      if (digitsEnd < 16) {
        w.paramEnd = w.nameAt + digitsEnd;
        w.end = w.paramEnd + ((spaces >> digitsEnd) & 1u);
        return w;
      }
    }
  }
#else
  if (at + 24 <= n) {
    const std::uint64_t name = detail::swar::Load(data + w.nameAt);
    const std::size_t length = detail::swar::Leading(detail::swar::Letters(name));
    if (length < 8) {
      w.key = name & ((std::uint64_t(1) << (8 * length)) - 1);
      std::size_t i = w.nameEnd = w.nameAt + length;
      const std::uint64_t param = detail::swar::Load(data + i);
      const std::uint64_t digits = detail::swar::Digits(param);
      const std::size_t minus = (param & 0xFF) == '-' && (digits & 0x8000) != 0;
      const std::size_t count = detail::swar::Leading(digits >> (8 * minus));
      if (count < 8 - minus) {
        w.paramEnd = i + minus + count;
        w.end = w.paramEnd + (data[w.paramEnd] == ' ');
        return w;
      }
    }
  }
#endif
  std::size_t i = w.nameEnd = w.nameAt + detail::CountLetters(data, w.nameAt, n);
  w.key = NameKey(w.Name(in));
  i += i + 1 < n && data[i] == '-' && IsDigit(data[i + 1]);
  i += detail::CountDigits(data, i, n);
  w.paramEnd = i;
  w.end = i + (i < n && data[i] == ' ');
  return w;
}

// The word of a control word.
const WordInfo& Lookup(std::string_view in, const ControlWord& word) {
  static constexpr WordInfo kOther{"", Word::Other};
  const std::size_t candidate = kWordSlots.Candidate(word.key);
  const std::size_t length = word.nameEnd - word.nameAt;
  const WordKey& key = kWordKeysByCandidate[candidate];
  if (key.key != word.key || key.length != length) return kOther;
  const WordInfo& info = kWords[candidate - 1];
  return length <= 8 || info.name.substr(8) == word.Name(in).substr(8) ? info : kOther;
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

// The most fallback characters that \uc asks for.
constexpr long long kMostFallback = 16;

// What the stream's units of RTF are, and so how each is written back.
enum UnitForm : std::uint8_t {
  kRawByte,          // a byte above 0x7F in the code page in force
  kHexByte,          // \'hh
  kUnicode,          // the number of \uN, then its fallback
  kUnicodePositive,  // the same, a number above 32767 written positive
};

// The decimal digits of `value`, with a minus sign when negative, ending
// at `end`; returns where they start.
char* Decimal(int value, char* end) {
  unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
  do {
    *--end = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *--end = '-';
  return end;
}

class RtfWalk {
 public:
  using Piece = detail::TextStream<RtfWalk>::Piece;

  RtfWalk(CaseRule rule, std::string_view in)
      : rule_(rule),
        stateless_(rule == CaseRule::Upper || rule == CaseRule::Lower || rule == CaseRule::Toggle),
        in_(in),
        textStops_({'\\', '{', '}', '\r', '\n'}, true),
        keptStops_({'\\', '{', '}'}, false),
        textScanner_(textStops_, in.data(), in.size()),
        keptScanner_(keptStops_, in.data(), in.size()),
        writer_(in),
        stream_(rule, in, writer_, *this) {}

  // False when the document cannot be converted safely.
  bool Run() {
    if (in_.substr(0, 5) != "{\\rtf") return false;
    // The rules with state gather the stream piece by piece, which the
    // windows do not make faster: they step.
#if TARNWICK_CASE_SSE2_BASELINE
    const std::size_t windowsEnd = masksOf_ != nullptr && stateless_ && in_.size() >= 64 ? in_.size() - 63 : 0;
    while (pos_ < windowsEnd) {
      const Step step = Window();
      if (step != Step::GoOn) return step == Step::Ended && OnlyPaddingAfter(pos_);
    }
#endif
    while (pos_ < in_.size()) {
      const Step step = StepOnce();
      if (step != Step::GoOn) return step == Step::Ended && OnlyPaddingAfter(pos_);
    }
    return false;  // a group still open
  }

  std::string Finish() { return writer_.Finish(); }

  // The stream's way back for a unit that the rule changed.
  void WriteUnit(const Piece& piece, char16_t unit) {
    const auto* page = static_cast<const data::CodePage*>(piece.context);
    if (piece.form == kUnicode || piece.form == kUnicodePositive) {
      WriteUnicode(piece, page, unit);
    } else {
      WriteChar(piece.at, piece.form == kHexByte, page, piece.count, unit);
    }
  }

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
        switch (Lookup(in_, ReadControlWord(in_, pos_)).word) {
          case Word::Kept: group.kind = Kind::Kept; break;
          case Word::FontTable:
            group.kind = Kind::Kept;
            group.fontTable = true;
            break;
          case Word::ReadOnly: group.kind = Kind::ReadOnly; break;
          case Word::OwnStream:
            stream_.Flush();
            group.ownStream = true;
            group.outerState = stream_.State();
            stream_.State() = true;
            break;
          default: break;
        }
      }
    }
    groups_.push_back(group);
  }

  void CloseGroup() {
    ++pos_;
    if (Top().ownStream) {
      stream_.Flush();
      stream_.State() = Top().outerState;
    }
    groups_.pop_back();
  }

  enum class Step : std::uint8_t {
    GoOn,
    Failed,  // the document cannot be converted safely
    Ended,   // the document's last brace is closed (and the stream flushed)
  };

  // What starts at pos_: a control word or symbol, a brace, a byte above
  // 0x7F, or text up to the next of them. Inlined into Run's loop, which
  // for the rules with state is the whole walk.
  TARNWICK_RTF_INLINE Step StepOnce() {
    const char c = in_[pos_];
    bool ok = true;
    if (c == '\\') {
      ok = Control();
    } else if (c == '{') {
      OpenGroup();
    } else if (c == '}') {
      CloseGroup();
      if (groups_.empty()) {
        stream_.Flush();
        return Step::Ended;
      }
    } else if (Top().kind == Kind::Kept) {
      pos_ = keptScanner_.Find(pos_, in_.size());
    } else if (c == '\r' || c == '\n') {
      ++pos_;
    } else {
      ok = Text();
    }
    return ok ? Step::GoOn : Step::Failed;
  }

#if TARNWICK_CASE_SSE2_BASELINE
  // For a rule without state, the 64 bytes from pos_ (all in the input)
  // at once. Their kinds as bit masks give every control word's extent,
  // and the words that no entry of kWordFilter admits, which change
  // nothing, are passed over with no step of their own; the text between
  // them is converted in one go. What is left (braces, other escapes,
  // bytes above 0x7F, the words that may matter, a word that may run past
  // the 64 bytes) goes through StepOnce, or is a character written as it
  // was before. Where a backslash follows a backslash the extents cannot
  // be told at once, and each stop goes through StepOnce.
  Step Window() {
    const std::size_t base = pos_;
    const WindowMasks m = masksOf_(in_.data() + base);
    if ((m.backslashes & (m.backslashes >> 1)) != 0) return StopByStop(base, m);
    const WordMasks words = Words(in_.data() + base, m);
    const std::uint64_t events = m.stops & ~words.markup;  // the backslash of each passed word is markup
    const std::uint64_t text = ~words.markup & ~m.lineBreaks;
    std::uint64_t pending = 0;  // text not yet handed to WindowText: the same group and font throughout
    std::size_t cursor = 0;     // pos_ - base
    for (;;) {
      const std::uint64_t ahead = events >> cursor;
      const std::size_t next = ahead == 0 ? 64 : cursor + std::size_t(std::countr_zero(ahead));
      if (next > cursor) pending |= BitsBetween(cursor, next) & text;
      pos_ = base + next;
      if (next == 64) {
        WindowText(base, pending);
        return Step::GoOn;
      }
      // A character written before changes neither the group nor the
      // font: the text around it is handed over at once.
      if (!Remembered()) {
        WindowText(base, pending);
        pending = 0;
        const Step step = CharacterOrStep();
        if (step != Step::GoOn) return step;
      }
      cursor = pos_ - base;
      // Past the window, or inside what the masks took for a word (after
      // \bin's data, which may look like anything): the masks end here.
      if (cursor >= 64 || ((words.markup & ~words.starts) >> cursor & 1) != 0) {
        WindowText(base, pending);
        return Step::GoOn;
      }
    }
  }

  // What CharacterOrStep wrote for the `length` bytes at the start of
  // `bytes`, whose first `compared` bytes tell it, in `page` with `skip`.
  struct Written {
    __m128i bytes;
    const data::CodePage* page;
    Page::Kind kind;
    long long skip;
    std::uint8_t length = 0, compared = 0;  // none: 0
    char output[16];
  };

  // StepOnce for a rule without state, remembering what it wrote for the
  // characters of \'hh and \uN (with its fallback) in document text: a
  // document repeats its few letters beyond ASCII, and each of them comes
  // to the same bytes in the same code page, \uc count and rule.
  Step CharacterOrStep() {
    const std::size_t at = pos_;
    Written* known = Remembering();
    if (known == nullptr) return StepOnce();
    const Page page = CurrentPage();
    const long long skip = Top().skip;
    const Step step = StepOnce();
    const std::size_t length = pos_ - at;
    // What ends a \uN (or a word of its fallback) is the byte after it,
    // and after that one too when it is a '-' (the sign of a number).
    const std::size_t compared = in_[at + 1] == '\'' ? 4 : length + 1;
    if (step == Step::GoOn && writer_.InPlace() && compared <= 16 && (compared == 4 || in_[at + length] != '-')) {
      *known = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(in_.data() + at)), page.table, page.kind, skip,
                std::uint8_t(length), std::uint8_t(compared), {}};
      std::memcpy(known->output, writer_.InPlaceOutput(at), length);
    }
    return step;
  }

  // Writes what CharacterOrStep remembered for the character at pos_, if
  // it did, and steps past it.
  bool Remembered() {
    const Written* known = Remembering();
    if (known == nullptr || known->length == 0) return false;
    const std::size_t at = pos_;
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in_.data() + at));
    const unsigned same = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, known->bytes))) | (0xFFFFu << known->compared);
    const Page page = CurrentPage();
    if ((same & 0xFFFFu) != 0xFFFFu || known->page != page.table || known->kind != page.kind || known->skip != Top().skip) {
      return false;
    }
    writer_.ReplaceShort(at, at + known->length, known->output, known->length);
    pos_ = at + known->length;
    return true;
  }

  // For \'hh or \uN at pos_ in document text, while the output is the
  // input's copy: the slot of the character. Null for anything else.
  Written* Remembering() {
    const std::size_t at = pos_;
    if (at + 16 > in_.size() || in_[at] != '\\') return nullptr;
    const bool hex = in_[at + 1] == '\'';
    const bool unicode = in_[at + 1] == 'u' && (IsDigit(in_[at + 2]) || in_[at + 2] == '-');
    if (!(hex || unicode) || Top().kind != Kind::Text || !writer_.InPlace()) return nullptr;
    // The slot by the bytes that name the character: "\\'hh", or "\\u" and the digits.
    const std::uint64_t head = detail::swar::Load(in_.data() + at);
    const std::size_t named = hex ? 4 : 2 + detail::swar::Leading(detail::swar::Digits(head >> 16));
    const std::uint64_t name = named == 8 ? head : head & ((std::uint64_t(1) << (8 * named)) - 1);
    return &written_[(name * 0x9E3779B97F4A7C15ull) >> 56];
  }

  // Bits [from, to) of 64, from < to <= 64.
  static std::uint64_t BitsBetween(std::size_t from, std::size_t to) {
    return (to == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << to) - 1) & (~std::uint64_t(0) << from);
  }

  struct WordMasks {
    std::uint64_t markup;  // the bytes of the control words passed over
    std::uint64_t starts;  // their backslashes
  };

  // The control words in the window that kWordFilter rules out and that
  // end, delimiter and all, before its last byte (so that every byte that
  // tells where they end is in it). Needs no backslash after a backslash:
  // each backslash then starts an escape.
  static WordMasks Words(const char* data, const WindowMasks& m) {
    const std::uint64_t nameStarts = (m.backslashes << 1) & m.letters;
    const std::uint64_t nameEnds = (m.letters + nameStarts) & ~m.letters;
    const std::uint64_t negative = nameEnds & m.minus & (m.digits >> 1);
    const std::uint64_t paramStarts = (nameEnds & m.digits) | (negative << 1);
    const std::uint64_t paramEnds = (m.digits + paramStarts) & ~m.digits;
    const std::uint64_t ends = paramEnds | (nameEnds & ~m.digits & ~negative);
    const std::uint64_t after = (ends & ~m.spaces) | ((ends & m.spaces) << 1);  // the byte after each word
    WordMasks words{0, 0};
    for (std::uint64_t left = nameStarts; left != 0; left &= left - 1) {
      const std::size_t name = std::size_t(std::countr_zero(left));
      const std::uint64_t nameEnd = nameEnds >> name, end = after >> name;
      if (nameEnd == 0 || end == 0) break;  // runs past the window: so do the words after it
      const std::size_t length = std::size_t(std::countr_zero(nameEnd));
      const std::size_t wordEnd = name + std::size_t(std::countr_zero(end));  // at most 63
      const unsigned first = static_cast<unsigned char>(data[name]) - 'a';
      const bool mayMatter = first < 26 && ((kWordFilter[std::min<std::size_t>(length, 31)] >> first) & 1) != 0;
      // No branch on whether it is passed: which words are is as good as random.
      const std::uint64_t passed = std::uint64_t(0) - std::uint64_t(wordEnd <= 62 && !mayMatter);
      words.markup |= ((std::uint64_t(1) << wordEnd) - 1) & (~std::uint64_t(0) << (name - 1)) & passed;
      words.starts |= (std::uint64_t(1) << (name - 1)) & passed;
    }
    return words;
  }

  // Each stop of the window through StepOnce, the text between them run
  // by run.
  Step StopByStop(std::size_t base, const WindowMasks& m) {
    std::size_t cursor = 0;
    for (;;) {
      const std::uint64_t ahead = m.stops >> cursor;
      const std::size_t next = ahead == 0 ? 64 : cursor + std::size_t(std::countr_zero(ahead));
      if (next > cursor) WindowText(base, BitsBetween(cursor, next) & ~m.lineBreaks);
      pos_ = base + next;
      if (next == 64) return Step::GoOn;
      const Step step = StepOnce();
      if (step != Step::GoOn) return step;
      cursor = pos_ - base;
      if (cursor >= 64) return Step::GoOn;
    }
  }

  // The text bytes of the window in `text`, as Text() would hand each run
  // of them to AsciiText: a rule without state reads nothing, so only the
  // runs of document text outside a symbol font change, in place at once.
  void WindowText(std::size_t base, std::uint64_t text) {
    if (text == 0 || Top().kind == Kind::Kept) return;
    if (writer_.InPlace()) {
      if (Top().kind == Kind::Text && CurrentPage().kind != Page::Symbol) writer_.ConvertAsciiMasked(rule_, base, text);
      return;
    }
    while (text != 0) {
      const std::size_t from = std::size_t(std::countr_zero(text));
      const std::size_t to = from + std::size_t(std::countr_one(text >> from));
      AsciiText(base + from, base + to);
      text &= ~BitsBetween(from, to);
    }
  }
#endif

  // The rule reads one unit of the stream.
  void Read(char16_t unit) {
    if (Top().kind != Kind::Kept) stream_.Read(unit);
  }

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
    const WordInfo& info = Lookup(in_, word);
    if (info.word == Word::Other) return true;  // most words: formatting that the text does not see
    Group& group = Top();
    if (info.word == Word::Binary) return SkipBinary(word);
    if (group.fontTable) {
      ++generation_;
      if (info.word == Word::Font) font_ = word.Value(in_);
      if (info.word == Word::FontCharset) Font(font_).charset = word.Value(in_);
      if (info.word == Word::FontCodePage) Font(font_).codePage = word.Value(in_);
      return true;
    }
    if (group.kind == Kind::Kept) return true;
    switch (info.word) {
      case Word::Unicode: return word.HasParam() ? UnicodeChar(word) : true;
      case Word::UnicodeSkip: group.skip = std::clamp<long long>(word.Value(in_), 0, kMostFallback); break;
      case Word::Font: group.font = word.Value(in_); break;
      case Word::DocumentPage:
        documentPage_ = info.unit != 0 ? info.unit : word.Value(in_);
        ++generation_;
        break;
      case Word::DefaultFont: defaultFont_ = word.Value(in_); break;
      case Word::Plain: group.font = defaultFont_; break;
      case Word::Character: stream_.Read(info.unit); break;
      default: break;
    }
    return true;
  }

  bool SkipBinary(const ControlWord& word) {
    const std::size_t end = BinaryEnd(word);
    if (end == kFailed) return false;
    pos_ = end;
    return true;
  }

  static constexpr std::size_t kFailed = std::size_t(-1);

  // Where \binN's data, after the word, ends; kFailed when it runs past
  // the end.
  std::size_t BinaryEnd(const ControlWord& word) const {
    const long long count = word.Value(in_);
    if (!word.HasParam() || count < 0 || std::size_t(count) > in_.size() - word.end) return kFailed;
    return word.end + std::size_t(count);
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
    pos_ = textScanner_.Find(pos_, in_.size());
    if (pos_ > from) AsciiText(from, pos_);
    if (pos_ < in_.size() && static_cast<unsigned char>(in_[pos_]) >= 0x80) return ByteChar(pos_++, false);
    return true;
  }

  void AsciiText(std::size_t from, std::size_t to) {
    const bool symbol = CurrentPage().kind == Page::Symbol;
    if (symbol) {
      for (std::size_t i = from; i < to; ++i) stream_.Read(IsLetter(in_[i]) ? kNeutralUnit : char16_t(in_[i]));
    } else if (Top().kind == Kind::Text) {
      stream_.Run(from, to);
    } else {
      stream_.ReadBytes(from, to);
    }
  }

  // A character of one byte at `at`: \'hh (hex) or a raw byte.
  bool ByteChar(std::size_t at, bool hex) {
    const auto byte = static_cast<unsigned char>(hex ? HexValue(in_[at + 2]) * 16 + HexValue(in_[at + 3]) : in_[at]);
    const Page page = CurrentPage();
    if (page.kind == Page::Symbol) {
      stream_.Read(kNeutralUnit);
      return true;
    }
    if (byte >= 0x80 && page.kind == Page::None) return false;  // no table to read it with
    const char16_t unit = byte < 0x80 ? char16_t(byte) : Decode(*page.table, byte);
    if (unit == data::kNoCharacter) {
      stream_.Read(kNeutralUnit);
    } else if (Top().kind == Kind::Text) {
      stream_.Unit(at, at + (hex ? 4 : 1), unit, hex ? kHexByte : kRawByte, std::uint16_t(Top().skip), page.table);
    } else {
      stream_.Read(unit);
    }
    return true;
  }

  // Encode, remembered for the units met last: a document repeats its few
  // letters beyond ASCII.
  int EncodeRemembered(const data::CodePage* page, char16_t unit) {
    if (unit < 0x80) return unit;
    Encoded& known = encoded_[(unit ^ (unit >> 6)) % encoded_.size()];
    if (known.page != page || known.unit != unit) known = {page, unit, Encode(page, unit)};
    return known.byte;
  }

  // Writes `unit` in place of the character at `at`: in the same form when
  // the page has it, else as \uN followed by `skip` fallback characters.
  void WriteChar(std::size_t at, bool hex, const data::CodePage* page, long long skip, char16_t unit) {
    const std::size_t end = at + (hex ? 4 : 1);
    const int byte = EncodeRemembered(page, unit);
    if (byte >= 0) {
      // A raw byte that becomes an ASCII letter (and was none) is written
      // as \'hh: after a control word without a delimiter it would
      // lengthen the word's name.
      const bool escape = hex || (IsLetter(char(byte)) && !IsLetter(in_[at]));
      WriteByte(at, end, hex, escape, byte);
      return;
    }
    char number[8];
    char* const numberEnd = number + sizeof number;
    std::string escape = std::string("\\u").append(Decimal(unit > 0x7FFF ? int(unit) - 0x10000 : int(unit), numberEnd), numberEnd);
    if (skip == 0) escape += ' ';
    if (skip > 0) escape.append(in_.substr(at, end - at));
    if (skip > 1) escape.append(std::size_t(skip - 1), '?');
    writer_.Replace(at, end, escape);
  }

  // `byte` in place of input [at, end): as it is, or as \'hh with the hex
  // digits' case of the \'hh it replaces (lower case for none).
  void WriteByte(std::size_t at, std::size_t end, bool hex, bool escape, int byte) {
    if (!escape) {
      const char raw = char(byte);
      writer_.Replace(at, end, {&raw, 1});
      return;
    }
    const auto upperDigit = [](char c) { return c >= 'A' && c <= 'F'; };
    const bool upper = hex && (upperDigit(in_[at + 2]) || upperDigit(in_[at + 3]));
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    const char escaped[4] = {'\\', '\'', digits[byte >> 4], digits[byte & 15]};
    writer_.Replace(at, end, {escaped, 4});
  }

  // \uN and its fallback characters.
  bool UnicodeChar(const ControlWord& word) {
    const long long value = word.Value(in_);
    if (value < -0x8000 || value > 0xFFFF) return false;
    const auto unit = static_cast<char16_t>(value < 0 ? value + 0x10000 : value);
    const long long skip = Top().skip;
    const std::size_t end = FallbackEnd(pos_, skip, [](std::size_t, bool) {});
    if (end == kFailed) return false;
    pos_ = end;
    if (Top().kind != Kind::Text) {
      stream_.Read(unit);
      return true;
    }
    const Page page = CurrentPage();
    stream_.Unit(word.nameEnd, word.paramEnd, unit, value > 0x7FFF ? kUnicodePositive : kUnicode,
                 std::uint16_t(skip), page.kind == Page::Table ? page.table : nullptr);
    return true;
  }

  // The converted \uN whose number the piece is: the number, then each
  // fallback letter in the converted letter's case where the page (when
  // there is one) has that form.
  void WriteUnicode(const Piece& piece, const data::CodePage* page, char16_t converted) {
    // Numbers above 32767 are written negative, unless the writer wrote them positive.
    const bool negative = converted > 0x7FFF && piece.form != kUnicodePositive;
    char number[8];
    char* const numberEnd = number + sizeof number;
    const char* digits = Decimal(negative ? int(converted) - 0x10000 : int(converted), numberEnd);
    writer_.Replace(piece.at, piece.end, {digits, std::size_t(numberEnd - digits)});
    const bool upper = ToLowerUnit(converted) != converted, lower = ToUpperUnit(converted) != converted;
    if (page == nullptr || !(upper || lower)) return;
    const std::size_t wordEnd = piece.end + (piece.end < in_.size() && in_[piece.end] == ' ');
    FallbackEnd(wordEnd, piece.count, [&](std::size_t at, bool hex) {
      const auto byte = static_cast<unsigned char>(hex ? HexValue(in_[at + 2]) * 16 + HexValue(in_[at + 3]) : in_[at]);
      const char16_t was = Decode(*page, byte);
      if (was == data::kNoCharacter) return;
      const char16_t now = upper ? ToUpperUnit(was) : ToLowerUnit(was);
      const int newByte = now == was ? -1 : EncodeRemembered(page, now);
      if (newByte < 0) return;
      const bool escape = hex || (IsLetter(char(newByte)) && !IsLetter(in_[at]));  // as in WriteChar
      WriteByte(at, at + (hex ? 4 : 1), hex, escape, newByte);
    });
  }

  // Where the \uc fallback after \uN that ends at `at` ends, telling
  // `found` of each raw byte and \'hh in it; kFailed when it is cut short.
  // Each raw byte, \'hh, control word or control symbol counts as one,
  // line breaks as none; a brace ends it.
  template <class Found>
  std::size_t FallbackEnd(std::size_t at, long long skip, Found found) const {
    for (long long left = skip; left > 0 && at < in_.size(); --left) {
      const char c = in_[at];
      if (c == '{' || c == '}') break;
      if (c == '\r' || c == '\n') {
        ++at, ++left;
        continue;
      }
      if (c != '\\') {
        found(at++, false);
        continue;
      }
      if (at + 1 >= in_.size()) return kFailed;
      const char next = in_[at + 1];
      if (next == '\'') {
        if (at + 3 >= in_.size() || HexValue(in_[at + 2]) < 0 || HexValue(in_[at + 3]) < 0) return kFailed;
        found(at, true);
        at += 4;
      } else if (IsLetter(next)) {
        const ControlWord word = ReadControlWord(in_, at);
        at = word.end;
        if (Lookup(in_, word).word == Word::Binary) {
          at = BinaryEnd(word);
          if (at == kFailed) return kFailed;
        }
      } else {
        at += 2;
      }
    }
    return at;
  }


#if TARNWICK_CASE_SSE2_BASELINE
  std::array<Written, 256> written_{};
#endif

  struct Encoded {
    const data::CodePage* page = nullptr;
    char16_t unit = 0;  // none: 0 takes no look-up
    int byte = -1;
  };

  CaseRule rule_;
  bool stateless_;  // UPPER, lower, tOGGLE
#if TARNWICK_CASE_SSE2_BASELINE
  const MasksOf masksOf_ = WindowMasksForPath();
#endif
  std::string_view in_;
  std::array<Encoded, 64> encoded_{};
  const detail::ByteSet textStops_, keptStops_;
  detail::ByteScanner textScanner_, keptScanner_;
  FormatWriter writer_;
  detail::TextStream<RtfWalk> stream_;
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
};

}  // namespace

std::optional<std::string> ConvertRtf(CaseRule rule, std::string_view block) {
  RtfWalk walk(rule, block);
  if (!walk.Run()) return std::nullopt;
  return walk.Finish();
}

}  // namespace tarnwick::mCase
