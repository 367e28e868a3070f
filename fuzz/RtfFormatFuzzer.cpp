// The "Rich Text Format" converter over arbitrary bytes, as they are or
// inside a document head with a font table of several code pages. A
// document it converts must convert to itself again by "UPPRE CASE" and
// "lower case"; and a tokenizer written for this check alone must find in
// both the same groups, control words (\uN's number aside), control
// symbols and \bin data in the same order, and every destination that is
// no document text byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "case/CaseRules.h"
#include "case/RtfFormat.h"

namespace {

using namespace tarnwick;
using namespace tarnwick::mCase;
using fuzz::Check;

bool Letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool Digit(char c) { return c >= '0' && c <= '9'; }

// Destinations whose bytes must not change at all (with those that only
// read list numbers).
const std::string_view kKept[] = {
    "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "fldinst", "listtable", "listoverridetable",
    "revtbl", "rsidtbl", "author", "operator", "title", "subject", "keywords", "comment", "doccomm", "creatim",
    "revtim", "printim", "buptim", "xe", "tc", "txe", "rxe", "template", "nonshppict", "shppict", "shp",
    "shprslt", "annotation", "pn", "filetbl", "xmlnstbl", "datafield", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
    "aftnsepc", "aftncn", "do", "listtext", "pntext"};

struct Skeleton {
  std::vector<std::string> marks;  // groups, control words, symbols, binary data, in order
  std::vector<std::string> kept;   // the whole bytes of each kept destination
};

// Control words and symbols outside the text, one at a time; text, \'hh
// and \uN (whose number may change) are left out.
Skeleton SkeletonOf(std::string_view rtf) {
  Skeleton s;
  std::vector<std::size_t> keptStarts;  // start of each open group, or npos
  std::size_t keptDepth = 0;
  for (std::size_t i = 0; i < rtf.size();) {
    const char c = rtf[i];
    if (c == '{') {
      bool kept = false;
      if (rtf.substr(i + 1, 2) == "\\*") kept = true;
      if (i + 2 < rtf.size() && rtf[i + 1] == '\\' && Letter(rtf[i + 2])) {
        std::size_t k = i + 2;
        while (k < rtf.size() && Letter(rtf[k])) ++k;
        for (std::string_view name : kKept) kept = kept || rtf.substr(i + 2, k - i - 2) == name;
      }
      keptStarts.push_back(kept && keptDepth == 0 ? i : std::string_view::npos);
      keptDepth += kept || keptDepth > 0;
      s.marks.push_back("{");
      ++i;
    } else if (c == '}') {
      if (!keptStarts.empty()) {
        if (keptStarts.back() != std::string_view::npos) s.kept.emplace_back(rtf.substr(keptStarts.back(), i + 1 - keptStarts.back()));
        keptStarts.pop_back();
      }
      if (keptDepth > 0) --keptDepth;
      s.marks.push_back("}");
      ++i;
      if (keptStarts.empty()) break;  // the end of the document
    } else if (c == '\\' && i + 1 < rtf.size() && Letter(rtf[i + 1])) {
      std::size_t k = i + 1;
      while (k < rtf.size() && Letter(rtf[k])) ++k;
      const std::string name(rtf.substr(i + 1, k - i - 1));
      const std::size_t param = k;
      if (k + 1 < rtf.size() && rtf[k] == '-' && Digit(rtf[k + 1])) ++k;
      while (k < rtf.size() && Digit(rtf[k])) ++k;
      const std::string number(rtf.substr(param, k - param));
      if (k < rtf.size() && rtf[k] == ' ') ++k;
      if (name == "bin" && !number.empty() && number[0] != '-') {
        const std::size_t count = std::stoull(number.substr(0, 12));
        s.marks.push_back("bin:" + std::string(rtf.substr(k, count)));
        k += std::min(count, rtf.size() - k);
      } else if (name != "u" || number.empty() || keptDepth > 0) {
        s.marks.push_back("\\" + std::string(rtf.substr(i + 1, k - i - 1)));
      }
      i = k;
    } else if (c == '\\' && i + 1 < rtf.size()) {
      if (rtf[i + 1] != '\'' || keptDepth > 0) s.marks.push_back(std::string(rtf.substr(i, 2)));
      i += rtf[i + 1] == '\'' ? 4 : 2;
    } else {
      if (keptDepth > 0 || c == '\r' || c == '\n') s.marks.push_back(std::string(1, c));
      ++i;
    }
  }
  return s;
}

const char kHead[] =
    "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset204 Cyr;}"
    "{\\f2\\fcharset2 Symbol;}{\\f3\\fcharset128 Mincho;}{\\f4\\fcharset161 Greek;}{\\f5\\cpg1254 Turkish;}}"
    "{\\colortbl;\\red255\\green0\\blue0;}\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CaseRule rule = in.PickValueInArray(kCaseRules);
  const bool wrapped = in.ConsumeBool();
  const int nuls = in.ConsumeIntegralInRange(0, 2);
  std::string rtf = in.ConsumeRemainingBytesAsString();
  if (wrapped) rtf = kHead + rtf + "}";
  rtf.append(std::size_t(nuls), '\0');

  const auto converted = ConvertRtf(rule, rtf);
  if (!converted) return 0;
  if (rule == CaseRule::Upper || rule == CaseRule::Lower) {
    Check(ConvertRtf(rule, *converted) == converted, "converting again changed the document");
  }
  const Skeleton before = SkeletonOf(rtf), after = SkeletonOf(*converted);
  for (std::size_t k = 0; k < before.marks.size() && k < after.marks.size(); ++k) {
    if (before.marks[k] != after.marks[k]) {
      std::fprintf(stderr, "mark %zu: [%s] became [%s]\n", k, before.marks[k].c_str(), after.marks[k].c_str());
      break;
    }
  }
  Check(before.marks == after.marks, "a group, control word or symbol changed");
  Check(before.kept == after.kept, "a destination that is no document text changed");
  // After the document's last brace nothing changes.
  const std::size_t end = rtf.size() - rtf.find_last_of('}') , outEnd = converted->size() - converted->find_last_of('}');
  Check(rtf.substr(rtf.size() - end) == converted->substr(converted->size() - outEnd), "the padding changed");
  return 0;
}
