// The "HTML Format" converter over arbitrary documents, wrapped in headers
// with any offsets, widths and line ends, or as raw bytes. A block it
// converts must convert to itself again by "UPPRE CASE" and "lower case";
// and a walk written for this check alone, one byte at a time, must find
// the same markup byte for byte in both blocks, the same text apart from
// letter case, the same header apart from the offsets' digits, and offsets
// that select the same parts.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "case/CaseRules.h"
#include "case/FormatTableData.h"
#include "case/HtmlFormat.h"

namespace {

using namespace tarnwick;
using namespace tarnwick::mCase;
using fuzz::Check;

bool Letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// --- The block as a reader of the format sees it -----------------------------------

struct Offsets {
  long long startHtml = -2, endHtml = -2, startFragment = -2, endFragment = -2, startSelection = -2, endSelection = -2;
};

struct HeaderView {
  std::vector<std::string> lines;  // each line with the offsets' digits taken out
  Offsets offsets;
  std::size_t end = 0;
};

// Splits "Key:value" lines off the front up to the smallest offset.
HeaderView ReadHeaderLines(std::string_view block) {
  HeaderView view;
  std::size_t pos = 0;
  while (pos < block.size()) {
    const std::size_t colon = block.find(':', pos);
    const std::size_t eol = block.find_first_of("\r\n", pos);
    if (colon == std::string_view::npos || eol == std::string_view::npos || colon > eol || colon == pos) break;
    const std::string key(block.substr(pos, colon - pos));
    if (!std::all_of(key.begin(), key.end(), Letter)) break;
    std::string value(block.substr(colon + 1, eol - colon - 1));
    long long* offset = key == "StartHTML"        ? &view.offsets.startHtml
                        : key == "EndHTML"        ? &view.offsets.endHtml
                        : key == "StartFragment"  ? &view.offsets.startFragment
                        : key == "EndFragment"    ? &view.offsets.endFragment
                        : key == "StartSelection" ? &view.offsets.startSelection
                        : key == "EndSelection"   ? &view.offsets.endSelection
                                                  : nullptr;
    if (offset != nullptr) {
      *offset = std::atoll(value.c_str());
      value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }), value.end());
    }
    std::size_t next = eol + 1;
    if (block[eol] == '\r' && next < block.size() && block[next] == '\n') ++next;
    view.lines.push_back(key + ":" + value + std::string(block.substr(eol, next - eol)));
    pos = view.end = next;
    const Offsets& o = view.offsets;
    long long smallest = o.startHtml >= 0 ? o.startHtml : o.startFragment;
    if (smallest >= 0 && o.startFragment >= 0 && o.endHtml != -2 && pos >= std::size_t(smallest)) break;
  }
  return view;
}

// --- A separate walk over the document -----------------------------------------

struct Piece {
  bool markup;
  bool references;  // text: whether &...; stands for a character
  std::string bytes;
  std::size_t start = 0;  // in the document
};

bool Space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
  return out;
}

class Pieces {
 public:
  explicit Pieces(std::string_view doc) : doc_(doc) {
    while (i_ < doc_.size()) Step();
  }
  std::vector<Piece> list;

 private:
  void Add(bool markup, std::size_t from, std::size_t to, bool references = true) {
    if (from == to) return;
    if (!list.empty() && !list.back().markup && !markup && list.back().references == references) {
      list.back().bytes += doc_.substr(from, to - from);
    } else {
      list.push_back({markup, references, std::string(doc_.substr(from, to - from)), from});
    }
  }
  char At(std::size_t k) const { return k < doc_.size() ? doc_[k] : '\0'; }
  bool Has(std::size_t k, std::string_view s) const { return doc_.substr(k, s.size()) == s; }

  void Step() {
    const std::size_t from = i_;
    if (doc_[i_] != '<') {
      ++i_;
      Add(false, from, i_);
      return;
    }
    if (Has(i_, "<!--")) {
      std::size_t end = doc_.size();
      for (std::size_t k = i_ + 2; k + 2 < doc_.size() + 2 && k < doc_.size(); ++k) {
        if (Has(k, "-->")) { end = std::min(end, k + 3); break; }
      }
      for (std::size_t k = i_ + 4; k < doc_.size(); ++k) {
        if (Has(k, "--!>")) { end = std::min(end, k + 4); break; }
      }
      i_ = end;
      Add(true, from, i_);
      return;
    }
    const char next = At(i_ + 1);
    const bool endTag = next == '/';
    if (next == '!' || next == '?' || (endTag && i_ + 2 < doc_.size() && !Letter(At(i_ + 2)))) {
      const std::size_t gt = doc_.find('>', i_ + 1);
      i_ = gt == std::string_view::npos ? doc_.size() : gt + 1;
      Add(true, from, i_);
      return;
    }
    const std::size_t nameAt = i_ + 1 + endTag;
    if (nameAt >= doc_.size() || !Letter(doc_[nameAt])) {
      ++i_;
      Add(false, from, i_);
      return;
    }
    std::size_t k = nameAt;
    while (k < doc_.size() && !Space(doc_[k]) && doc_[k] != '/' && doc_[k] != '>') ++k;
    const std::string name = Lower(doc_.substr(nameAt, k - nameAt));
    i_ = TagEnd(k);
    Add(true, from, i_);
    if (endTag) return;
    if (name == "script") return RawText(name, true, false, true);
    if (name == "style" || name == "title" || name == "noscript" || name == "iframe" || name == "noembed" ||
        name == "noframes") {
      return RawText(name, true, false, false);
    }
    if (name == "textarea") return RawText(name, false, true, false);
    if (name == "xmp") return RawText(name, false, false, false);
    if (name == "plaintext") {
      Add(false, i_, doc_.size(), false);
      i_ = doc_.size();
    }
  }

  // The attribute states, one byte at a time.
  std::size_t TagEnd(std::size_t k) {
    char quote = 0;
    bool valueNext = false, inName = false, afterName = false, unquoted = false;
    for (; k < doc_.size(); ++k) {
      const char c = doc_[k];
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == '>') return k + 1;
      if (valueNext) {
        if (Space(c)) continue;
        valueNext = false;
        if (c == '"' || c == '\'') quote = c;
        else unquoted = true;
        continue;
      }
      if (unquoted) {
        if (Space(c)) unquoted = false;
        continue;
      }
      if (c == '=' && (inName || afterName)) {
        valueNext = true, inName = afterName = false;
      } else if (Space(c)) {
        if (inName) inName = false, afterName = true;
      } else if (c == '/') {
        inName = afterName = false;
      } else {
        inName = true, afterName = false;
      }
    }
    return doc_.size();
  }

  bool EndTagAt(std::size_t k, const std::string& name) const {
    const std::size_t after = k + 2 + name.size();
    return Has(k, "</") && Lower(doc_.substr(k + 2, name.size())) == name && after < doc_.size() &&
           (Space(doc_[after]) || doc_[after] == '/' || doc_[after] == '>');
  }

  void RawText(const std::string& name, bool kept, bool references, bool script) {
    const std::size_t from = i_;
    int escaped = 0;  // script: 1 inside <!--, 2 after a <script there
    std::size_t k = i_;
    for (; k < doc_.size(); ++k) {
      if (script && escaped && doc_[k] == '>' && k >= 2 && doc_[k - 1] == '-' && doc_[k - 2] == '-') escaped = 0;
      if (doc_[k] != '<') continue;
      if (EndTagAt(k, name)) {
        if (escaped == 2) {
          escaped = 1;
          k += 7;
          continue;
        }
        break;
      }
      if (script && escaped == 0 && Has(k, "<!--")) {
        escaped = 1;
        k += 3;
      } else if (script && escaped == 1 && Lower(doc_.substr(k + 1, 6)) == "script" && k + 7 < doc_.size() &&
                 (Space(doc_[k + 7]) || doc_[k + 7] == '/' || doc_[k + 7] == '>')) {
        escaped = 2;
        k += 6;
      }
    }
    i_ = k;
    Add(kept, from, k, references);
  }

  std::string_view doc_;
  std::size_t i_ = 0;
};

// Text as the letters it holds, each folded to one case: UTF-8 decoded,
// references read with the named table (an unknown name reads as itself).
std::u16string Folded(const Piece& piece) {
  std::u16string units;
  const std::string& s = piece.bytes;
  for (std::size_t i = 0; i < s.size();) {
    char32_t c = static_cast<unsigned char>(s[i]);
    std::size_t length = 1;
    if (piece.references && c == '&' && i + 1 < s.size() && s[i + 1] == '#') {
      const bool hex = i + 2 < s.size() && (s[i + 2] == 'x' || s[i + 2] == 'X');
      const std::size_t digits = i + 2 + hex;
      std::size_t k = digits;
      unsigned long value = 0;
      for (; k < s.size() && (hex ? std::isxdigit(static_cast<unsigned char>(s[k])) : std::isdigit(static_cast<unsigned char>(s[k]))); ++k) {
        value = std::min<unsigned long>(value * (hex ? 16 : 10) + std::stoul(s.substr(k, 1), nullptr, 16), 0x110000);
      }
      if (k > digits) {
        c = value == 0 || value >= 0x10000 || (value >= 0xD800 && value <= 0xDFFF) ? 0xFFFF : value;
        if (value >= 0x80 && value <= 0x9F) {
          for (const data::CodePage& page : data::CodePages()) {
            if (page.number == 1252 && page.decode[value - 0x80] != data::kNoCharacter) c = page.decode[value - 0x80];
          }
        }
        length = k + (k < s.size() && s[k] == ';') - i;
      }
    } else if (piece.references && c == '&') {
      std::size_t k = i + 1;
      while (k < s.size() && (Letter(s[k]) || (s[k] >= '0' && s[k] <= '9'))) ++k;
      const bool semicolon = k < s.size() && s[k] == ';';
      const std::string name = s.substr(i + 1, k - i - 1) + (semicolon ? ";" : "");
      for (const data::NamedReference& ref : data::NamedReferences()) {
        if (k > i + 1 && ref.name == name) c = ref.unit, length = k + semicolon - i;
      }
    } else if (c >= 0xC0) {
      length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      c &= 0x3F >> (length - 1);
      for (std::size_t k = 1; k < length && i + k < s.size(); ++k) c = c << 6 | (s[i + k] & 0x3F);
    }
    units += c < 0x10000 ? ToLowerUnit(ToUpperUnit(char16_t(c))) : u'\uFFFF';
    i += length;
  }
  return units;
}

void CheckSameParts(const Pieces& a, const Pieces& b) {
  for (std::size_t k = 0; k < a.list.size() && k < b.list.size(); ++k) {
    if (a.list[k].markup != b.list[k].markup || (a.list[k].markup && a.list[k].bytes != b.list[k].bytes)) {
      std::fprintf(stderr, "part %zu: %d[%s] / %d[%s]\n", k, a.list[k].markup, a.list[k].bytes.c_str(), b.list[k].markup,
                   b.list[k].bytes.c_str());
      break;
    }
  }
  Check(a.list.size() == b.list.size(), "the document's parts differ");
  for (std::size_t k = 0; k < a.list.size(); ++k) {
    Check(a.list[k].markup == b.list[k].markup, "the document's parts differ");
    const bool same = a.list[k].markup ? a.list[k].bytes == b.list[k].bytes : Folded(a.list[k]) == Folded(b.list[k]);
    if (!same) std::fprintf(stderr, "before: [%s]\nafter:  [%s]\n", a.list[k].bytes.c_str(), b.list[k].bytes.c_str());
    Check(same, a.list[k].markup ? "markup changed" : "text changed beyond letter case");
  }
}

// Where a position lies: in which part, and how far into it (bytes of
// markup, characters of text).
std::pair<std::size_t, std::size_t> PlaceOf(const Pieces& pieces, std::size_t pos) {
  for (std::size_t k = 0; k < pieces.list.size(); ++k) {
    const Piece& piece = pieces.list[k];
    if (pos >= piece.start + piece.bytes.size()) continue;
    if (piece.markup) return {k, pos - piece.start};
    Piece prefix = piece;
    prefix.bytes.resize(pos - piece.start);
    return {k, Folded(prefix).size()};
  }
  return {pieces.list.size(), 0};
}

std::string_view Between(std::string_view block, long long from, long long to) {
  if (from < 0 || to < from || std::size_t(to) > block.size()) return {};
  return block.substr(std::size_t(from), std::size_t(to - from));
}

void CheckAgainstInput(std::string_view in, std::string_view out) {
  const HeaderView a = ReadHeaderLines(in), b = ReadHeaderLines(out);
  Check(a.lines == b.lines, "the header's layout changed");
  const bool context = a.offsets.startHtml >= 0;
  Check((b.offsets.startHtml >= 0) == context, "the context came or went");
  const long long aFrom = context ? a.offsets.startHtml : a.offsets.startFragment;
  const long long aTo = context ? a.offsets.endHtml : a.offsets.endFragment;
  const long long bFrom = context ? b.offsets.startHtml : b.offsets.startFragment;
  const long long bTo = context ? b.offsets.endHtml : b.offsets.endFragment;
  Check(Between(in, a.end, aFrom) == Between(out, b.end, bFrom), "bytes before the document changed");
  Check(Between(in, aTo, in.size()) == Between(out, bTo, out.size()), "bytes after the document changed");
  const Pieces before(Between(in, aFrom, aTo)), after(Between(out, bFrom, bTo));
  CheckSameParts(before, after);
  const long long Offsets::*fields[] = {&Offsets::startFragment, &Offsets::endFragment, &Offsets::startSelection,
                                        &Offsets::endSelection};
  for (const auto field : fields) {
    if (a.offsets.*field < 0) continue;
    Check(PlaceOf(before, std::size_t(a.offsets.*field - aFrom)) == PlaceOf(after, std::size_t(b.offsets.*field - bFrom)),
          "an offset selects another place");
  }
}

// --- The blocks tried -----------------------------------------------------------

std::string Padded(std::size_t value, int width) {
  std::string digits = std::to_string(value);
  return std::string(width > int(digits.size()) ? width - digits.size() : 0, '0') + digits;
}

// A header in front of `doc`: the context is all of it, the fragment and
// the selection at the given positions (moved off continuation bytes).
std::string Wrapped(const std::string& doc, std::size_t a, std::size_t b, bool selection, bool context, int width,
                    const char* eol) {
  auto boundary = [&](std::size_t k) {
    k = std::min(k, doc.size());
    while (k > 0 && k < doc.size() && (static_cast<unsigned char>(doc[k]) & 0xC0) == 0x80) --k;
    return k;
  };
  const std::size_t from = boundary(std::min(a, b)), to = boundary(std::max(a, b));
  const std::size_t selFrom = boundary(from + (to - from) / 3), selTo = boundary(to - (to - from) / 3);
  std::string header;
  for (std::size_t size = 0; size == 0 || size != header.size();) {
    size = header.size();
    auto line = [&](const char* key, std::size_t value) {
      return std::string(key) + ":" + Padded(size + value, width) + eol;
    };
    header = std::string("Version:0.9") + eol;
    header += context ? line("StartHTML", 0) + line("EndHTML", doc.size()) : std::string("StartHTML:-1") + eol + "EndHTML:-1" + eol;
    header += line("StartFragment", from) + line("EndFragment", to);
    if (selection) header += line("StartSelection", std::max(from, selFrom)) + line("EndSelection", std::min(to, std::max(selFrom, selTo)));
    header += std::string("SourceURL:http://x/") + eol;
  }
  return header + doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CaseRule rule = in.PickValueInArray(kCaseRules);
  const int mode = in.ConsumeIntegralInRange(0, 7);
  const std::size_t a = in.ConsumeIntegral<std::uint16_t>(), b = in.ConsumeIntegral<std::uint16_t>();
  const int width = in.ConsumeIntegralInRange(0, 12);
  const int nuls = in.ConsumeIntegralInRange(0, 3);
  const char* eols[] = {"\r\n", "\n", "\r"};
  const char* eol = eols[in.ConsumeIntegralInRange(0, 2)];
  std::string doc = in.ConsumeRemainingBytesAsString();

  std::string block = mode == 0 ? doc : Wrapped(doc, a, b, mode & 2, mode & 4, width, eol);
  block.append(std::size_t(nuls), '\0');
  const auto converted = ConvertHtmlFormat(rule, block);
  if (!converted) return 0;
  if (rule == CaseRule::Upper || rule == CaseRule::Lower) {
    Check(ConvertHtmlFormat(rule, *converted) == converted, "converting again changed the block");
  }
  if (mode != 0) CheckAgainstInput(block, *converted);
  return 0;
}
