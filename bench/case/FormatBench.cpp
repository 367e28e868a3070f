// Throughput of the two formatted-text converters on generated 10 MiB
// blocks, a browser's "HTML Format" and a word processor's RTF, against
// memcpy of the same block measured in the same rounds, and the peak heap
// that one conversion takes beyond its input. Beside each rule, the UTF-8
// kernel alone on the block's plain text (the text a browser or word
// processor puts beside it) in the same rounds, and the floor that the
// parts every conversion takes set (PrintFloor). Prints its figures; it
// asserts nothing.
//
// `format-bench --once html|rtf RULE` converts one block once and prints
// nothing else, for a profiler (valgrind --tool=callgrind).
#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseUtf8.h"
#include "case/HtmlFormat.h"
#include "case/RtfFormat.h"
#include "case/Utf8Validation.h"

// --- Heap accounting: every allocation of the process goes through here ---------

namespace {
std::atomic<std::size_t> gHeapNow{0}, gHeapPeak{0};

void* Allocate(std::size_t n) {
  void* p = std::malloc(n + 16);
  if (p == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(p) = n;
  const std::size_t now = gHeapNow += n;
  std::size_t peak = gHeapPeak.load();
  while (now > peak && !gHeapPeak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(p) + 16;
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - 16;
  gHeapNow -= *static_cast<std::size_t*>(block);
  std::free(block);
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

using tarnwick::mCase::CaseRule;
namespace mCase = tarnwick::mCase;

constexpr std::size_t kBlockBytes = std::size_t(10) << 20;
constexpr int kRounds = 9;

// --- Documents --------------------------------------------------------------------

struct Word {
  const char* utf8;   // as text
  const char* html;   // as a browser may write it (references for some)
  const char* rtf;    // as a word processor writes it in code page 1252
};

const Word kWords[] = {
    {"the", "the", "the"}, {"of", "of", "of"}, {"and", "and", "and"}, {"to", "to", "to"}, {"in", "in", "in"},
    {"is", "is", "is"}, {"that", "that", "that"}, {"clipboard", "clipboard", "clipboard"},
    {"window", "window", "window"}, {"letter", "letter", "letter"}, {"case", "case", "case"},
    {"text", "text", "text"}, {"change", "change", "change"}, {"program", "program", "program"},
    {"NASA", "NASA", "NASA"}, {"London", "London", "London"}, {"version", "version", "version"},
    {"caf\xC3\xA9", "caf&eacute;", "caf\\'e9"}, {"\xC3\xA9l\xC3\xA8ve", "\xC3\xA9l\xC3\xA8ve", "\\'e9l\\'e8ve"},
    {"gr\xC3\xB6\xC3\x9F" "e", "gr\xC3\xB6\xC3\x9F" "e", "gr\\'f6\\'dfe"}, {"\xC3\x9C" "bung", "&Uuml;bung", "\\'dcbung"},
    {"na\xC3\xAFve", "na\xC3\xAFve", "na\\'efve"}, {"se\xC3\xB1or", "se\xC3\xB1or", "se\\'f1or"},
    {"\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82", "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xBF\xCF\x82",
     "\\u954\\'3f\\u972\\'3f\\u963\\'3f\\u956\\'3f\\u959\\'3f\\u962\\'3f"},
    {"\xD0\xBC\xD0\xB8\xD1\x80", "\xD0\xBC\xD0\xB8\xD1\x80", "\\u1084\\'3f\\u1080\\'3f\\u1088\\'3f"},
    {"\xE2\x80\x9Cquoted\xE2\x80\x9D", "&ldquo;quoted&rdquo;", "\\ldblquote quoted\\rdblquote "},
};

class Writer {
 public:
  explicit Writer(std::uint32_t seed) : rng_(seed) {}
  const Word& AnyWord() { return kWords[Between(0, int(std::size(kWords)) - 1)]; }
  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Between(0, 99) < percent; }

 private:
  std::mt19937 rng_;
};

// A block and the plain text it holds.
struct Document {
  std::string block, text;
};

// A browser's copy of a long article: nested divs with classes and styles,
// paragraphs with links, bold and italic runs, references and list items.
Document HtmlDocument(std::size_t bytes) {
  Writer w(2026);
  std::string body, text;
  body.reserve(bytes + 4096);
  while (body.size() < bytes) {
    body += "<div class=\"section\" style=\"margin:0 0 12px;font-family:Segoe UI,Arial\">";
    const bool heading = w.Chance(30);
    body += heading ? "<h2 id=\"h\">Heading &amp; more</h2>" : "";
    text += heading ? "Heading & more\r\n" : "";
    const int paragraphs = w.Between(1, 4);
    for (int p = 0; p < paragraphs; ++p) {
      const bool item = w.Chance(20);
      body += item ? "<ul><li>" : "<p class=\"para\" style=\"line-height:1.4\">";
      const int words = w.Between(20, 60);
      for (int k = 0; k < words; ++k) {
        const Word* word;
        if (w.Chance(6)) {
          body += "<a href=\"https://example.com/articles/2026/index.html?id=42&amp;ref=clip\" class=\"link\">";
          body += (word = &w.AnyWord())->html;
          body += "</a>";
        } else if (w.Chance(6)) {
          const bool bold = w.Chance(50);
          body += bold ? "<b>" : "<span style=\"color:#336699\">";
          body += (word = &w.AnyWord())->html;
          body += bold ? "</b>" : "</span>";
        } else {
          body += (word = &w.AnyWord())->html;
        }
        text += word->utf8;
        const bool comma = k + 1 != words && w.Chance(8);
        body += k + 1 == words ? ". " : comma ? ",&nbsp;" : " ";
        text += k + 1 == words ? ". " : comma ? ",\xC2\xA0" : " ";
      }
      body += item ? "</li></ul>\r\n" : "</p>\r\n";
      text += "\r\n";
    }
    body += "</div>\r\n";
  }
  const std::string before = "<html><head><meta charset=\"utf-8\"><title>Article</title></head><body>\r\n"
                             "<!--StartFragment-->";
  const std::string after = "<!--EndFragment-->\r\n</body></html>";
  char header[256];
  const char* layout = "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\nStartFragment:%010zu\r\n"
                       "EndFragment:%010zu\r\nSourceURL:https://example.com/articles/2026/index.html\r\n";
  const std::size_t headerSize = std::snprintf(header, sizeof header, layout, std::size_t(0), std::size_t(0),
                                               std::size_t(0), std::size_t(0));
  const std::size_t start = headerSize, fragment = start + before.size(), fragmentEnd = fragment + body.size();
  std::snprintf(header, sizeof header, layout, start, fragmentEnd + after.size(), fragment, fragmentEnd);
  return {header + before + body + after, text};
}

// A word processor's document: the tables of its header, then paragraphs
// of runs with their formatting, \'hh and \u escapes, now and then a field.
Document RtfDocument(std::size_t bytes) {
  Writer w(2027);
  std::string text;
  std::string rtf =
      "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff31507\\deff0\\stshfdbch31505\\stshfloch31506"
      "\\stshfhich31506\\stshfbi31507\\deflang1033\\deflangfe1033\\themelang1033\\themelangfe0\\themelangcs0"
      "{\\fonttbl{\\f0\\fbidi \\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
      "{\\f1\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020b0604020202020204}Arial;}"
      "{\\f37\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020f0502020204030204}Calibri;}"
      "{\\f39\\fbidi \\froman\\fcharset204\\fprq2 Times New Roman Cyr;}"
      "{\\f40\\fbidi \\froman\\fcharset161\\fprq2 Times New Roman Greek;}}"
      "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green0\\blue0;\\red51\\green102\\blue153;}"
      "{\\*\\defchp \\f31506\\fs22 }{\\*\\defpap \\ql \\li0\\ri0\\sa160\\sl259\\slmult1}"
      "{\\stylesheet{\\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto"
      "\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af31507\\afs22\\alang1025 \\ltrch\\fcs0 \\f31506\\fs22"
      "\\lang1033\\langfe1033\\cgrid\\langnp1033\\langfenp1033 \\snext0 \\sqformat \\spriority0 Normal;}"
      "{\\*\\cs10 \\additive \\ssemihidden \\sunhideused \\spriority1 Default Paragraph Font;}}"
      "{\\*\\rsidtbl \\rsid1051648\\rsid7611649\\rsid9125236}{\\*\\generator Microsoft Word 16;}"
      "{\\info{\\title Report}{\\author Writer}{\\operator Writer}{\\creatim\\yr2026\\mo1\\dy5\\hr10\\min3}"
      "{\\version1}{\\edmins2}{\\nofpages1}{\\nofwords300}{\\nofchars1700}}\r\n";
  while (rtf.size() < bytes) {
    rtf += "\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\wrapdefault\\aspalpha\\aspnum"
           "\\faauto\\adjustright\\rin0\\lin0\\itap0\\pararsid7611649 \\rtlch\\fcs1 \\af31507\\afs22\\alang1025 "
           "\\ltrch\\fcs0 \\f31506\\fs22\\lang1033\\langfe1033\\cgrid\\langnp1033\\langfenp1033 ";
    const int runs = w.Between(2, 6);
    for (int r = 0; r < runs; ++r) {
      const bool field = w.Chance(8);
      if (field) rtf += "{\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\insrsid9125236 HYPERLINK \"https://example.com/Docs/Page\" }}{\\fldrslt {\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\cf2\\ul\\insrsid9125236 ";
      else rtf += w.Chance(50) ? "{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\insrsid7611649 " : "{\\rtlch\\fcs1 \\ab\\af31507 \\ltrch\\fcs0 \\b\\cf4\\insrsid1051648 ";
      const int words = w.Between(6, 30);
      for (int k = 0; k < words; ++k) {
        const Word& word = w.AnyWord();
        rtf += word.rtf;
        text += word.utf8;
        const char* separator = k + 1 == words ? ". " : w.Chance(8) ? ", " : " ";
        rtf += separator;
        text += separator;
      }
      rtf += field ? "}}}" : "}";
    }
    rtf += "{\\rtlch\\fcs1 \\af31507 \\ltrch\\fcs0 \\insrsid7611649 \\par }\r\n";
    text += "\r\n";
  }
  return {rtf + "}", text};
}

// --- Timing ---------------------------------------------------------------------

// The processor time of this thread: the machine is shared, and a pass of
// tens of milliseconds is cut by other processes far more often than one
// memcpy of a millisecond, which wall-clock time would count against it.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double Seconds(const std::function<void()>& pass) {
  const double start = ThreadSeconds();
  pass();
  return ThreadSeconds() - start;
}

struct Spread {
  double median, low, high;
};

Spread Of(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

const CaseRule kRules[] = {CaseRule::Upper, CaseRule::Lower, CaseRule::Toggle, CaseRule::Proper, CaseRule::Sentence};

using Converter = std::optional<std::string> (*)(CaseRule, std::string_view);

// What any converter built from the project's parts spends at least, each
// part as a multiple of memcpy's time on the block, in the same rounds: the
// output made as a copy of the block, the UTF-8 kernel (UPPER) on the
// block's plain text, and for UTF-8 the validation of the block. A
// converter that runs these one after the other cannot beat 1 / their sum
// x memcpy, however little its own walk adds.
void PrintFloor(const Document& document, bool utf8) {
  const std::string& block = document.block;
  std::string copy(block.size(), '\0');
  std::string textOut(mCase::Utf8Capacity(document.text.size()), '\0');
  std::vector<double> made, kernel, validation;
  for (int r = 0; r < kRounds; ++r) {
    const double copyTime = Seconds([&] { std::memcpy(copy.data(), block.data(), block.size()); });
    made.push_back(Seconds([&] { std::string output(block); copy.swap(output); }) / copyTime);
    bool state = true;
    kernel.push_back(Seconds([&] {
      mCase::ConvertUtf8(CaseRule::Upper, document.text.data(), document.text.size(), textOut.data(), state);
    }) / copyTime);
    volatile bool valid = true;
    if (utf8) validation.push_back(Seconds([&] { valid = !tarnwick::utf8::FindInvalid(block); }) / copyTime);
  }
  const double sum = Of(made).median + Of(kernel).median + (utf8 ? Of(validation).median : 0.0);
  std::printf("  floor     x memcpy time: the output as a copy %.2f, the kernel on the text %.2f", Of(made).median,
              Of(kernel).median);
  if (utf8) std::printf(", validation %.2f", Of(validation).median);
  std::printf("; together %.2f, so at best %.3f x memcpy\n", sum, 1.0 / sum);
}

void Measure(const char* name, const Document& document, Converter convert, bool utf8) {
  const std::string& block = document.block;
  std::printf("\n%s: %.1f MiB, its plain text %.1f MiB\n", name, double(block.size()) / (1 << 20),
              double(document.text.size()) / (1 << 20));
  std::string copy(block.size(), '\0');
  std::string textOut(mCase::Utf8Capacity(document.text.size()), '\0');
  std::vector<double> copyRates;
  for (CaseRule rule : kRules) {
    std::optional<std::string> out = convert(rule, block);  // warm-up, and a check that it converts
    if (!out) {
      std::printf("  %-9s refused\n", mCase::CaseRuleName(rule));
      continue;
    }
    out.reset();
    std::vector<double> rates, ratios, kernelRatios;
    for (int r = 0; r < kRounds; ++r) {
      const double copyRate = double(block.size()) / Seconds([&] { std::memcpy(copy.data(), block.data(), block.size()); }) / 1e9;
      const double rate = double(block.size()) / Seconds([&] { out = convert(rule, block); }) / 1e9;
      out.reset();
      bool state = true;
      const double kernelRate = double(block.size()) / Seconds([&] {
        mCase::ConvertUtf8(rule, document.text.data(), document.text.size(), textOut.data(), state);
      }) / 1e9;
      copyRates.push_back(copyRate);
      rates.push_back(rate);
      ratios.push_back(rate / copyRate);
      kernelRatios.push_back(kernelRate / copyRate);
    }
    const std::size_t base = gHeapNow;
    gHeapPeak = base;
    out = convert(rule, block);
    const double peak = double(gHeapPeak - base) / double(block.size());
    const Spread rate = Of(rates), ratio = Of(ratios), kernel = Of(kernelRatios);
    std::printf("  %-9s %5.2f GB/s (%5.2f-%5.2f)  %5.3f x memcpy (%5.3f-%5.3f)  heap %.2f x block"
                "  | kernel alone on the text %5.3f x (%5.3f-%5.3f)\n",
                mCase::CaseRuleName(rule), rate.median, rate.low, rate.high, ratio.median, ratio.low, ratio.high, peak,
                kernel.median, kernel.low, kernel.high);
  }
  const Spread copyRate = Of(copyRates);
  std::printf("  %-9s %5.2f GB/s (%5.2f-%5.2f)\n", "memcpy", copyRate.median, copyRate.low, copyRate.high);
  PrintFloor(document, utf8);
}

}  // namespace

// `format-bench [html|rtf]`: both formats, or one; `format-bench --once
// html|rtf RULE`: one conversion, for a profiler.
int main(int argc, char** argv) {
  const std::string_view only = argc > 1 ? argv[1] : "";
  if (only == "--once" && argc == 4) {
    const bool html = std::string_view(argv[2]) == "html";
    const Document document = html ? HtmlDocument(kBlockBytes) : RtfDocument(kBlockBytes);
    for (CaseRule rule : mCase::kCaseRules) {
      if (std::string_view(argv[3]) != mCase::CaseRuleName(rule)) continue;
      return (html ? mCase::ConvertHtmlFormat : mCase::ConvertRtf)(rule, document.block) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: format-bench [html|rtf] | --once html|rtf RULE\n");
    return 2;
  }
  std::printf("format-bench: median (and range) of %d rounds, each memcpy of the block then one conversion\n",
              kRounds);
  if (only != "rtf") Measure("HTML Format, a browser's copy", HtmlDocument(kBlockBytes), mCase::ConvertHtmlFormat, true);
  if (only != "html") Measure("Rich Text Format, a word processor's", RtfDocument(kBlockBytes), mCase::ConvertRtf, false);
  return 0;
}
