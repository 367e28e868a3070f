// Throughput of the five case rules on three generated 64 MiB UTF-16
// corpora, and on the same texts as UTF-8, against memcpy of the same buffer
// measured in the same run; each kernel beside its plain loop. Prints its
// figures; it asserts nothing.
//
// Usage: case-bench [sse2|avx2|avx512]: the kernels of that path, if the CPU
// runs it, instead of the best it runs.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseRules.h"
#include "case/CaseUtf8.h"
#include "case/CaseVector.h"

namespace {

using tarnwick::Text;
using tarnwick::mCase::CaseRule;
namespace mCase = tarnwick::mCase;

constexpr std::size_t kCorpusBytes = std::size_t(64) << 20;
constexpr std::size_t kCorpusUnits = kCorpusBytes / sizeof(char16_t);
constexpr int kRounds = 7;

// --- Corpora -------------------------------------------------------------------

const std::u16string_view kEnglish[] = {
    u"the", u"of", u"and", u"to", u"in", u"is", u"that", u"it", u"was", u"for", u"on", u"are",
    u"with", u"as", u"his", u"they", u"be", u"at", u"one", u"have", u"this", u"from", u"word",
    u"clipboard", u"window", u"letter", u"case", u"text", u"change", u"program", u"copy",
    u"paste", u"sentence", u"every", u"first", u"NASA", u"John", u"London", u"version", u"2.5",
    u"e.g.", u"file.txt", u"o'neil", u"jean-luc", u"(note)", u"42"};
const std::u16string_view kLatin1[] = {
    u"café", u"élève", u"déjà", u"über", u"größe", u"straße", u"français", u"garçon", u"año",
    u"niño", u"señor", u"où", u"être", u"Ärger", u"Öl", u"Übung", u"naïve", u"fiancée"};
const std::u16string_view kGreek[] = {
    u"καλημέρα", u"κόσμος", u"Ελλάδα", u"θάλασσα", u"ήλιος", u"γράμμα", u"λέξη", u"ΑΘΗΝΑ",
    u"πρόγραμμα", u"κείμενο", u"αλλαγή", u"σελίδα", u"ψυχή", u"ώρα"};
const std::u16string_view kCyrillic[] = {
    u"привет", u"мир", u"Москва", u"книга", u"вода", u"солнце", u"буква", u"слово", u"ТЕКСТ",
    u"программа", u"окно", u"изменение", u"предложение", u"каждый", u"Россия", u"щука"};
const std::u16string_view kEastAsian[] = {
    u"中文", u"日本語", u"世界", u"東京", u"文字", u"안녕하세요", u"한국어", u"서울", u"문장",
    u"ひらがな", u"カタカナ"};
const std::u16string_view kEmoji[] = {u"😀", u"🎉", u"👍", u"🚀", u"❤️", u"😂", u"🌍", u"🔥"};

enum class Script { English, Latin1, Greek, Cyrillic, EastAsian, Emoji };

struct CorpusRecipe {
  const char* name;
  // Relative weights of the word pools.
  int english, latin1, greek, cyrillic, eastAsian, emoji;
};

const CorpusRecipe kRecipes[] = {
    {"English ASCII prose, CR LF, tabs", 1, 0, 0, 0, 0, 0},
    {"Latin-1, Greek, Cyrillic prose", 48, 14, 19, 19, 0, 0},
    {"mixed with CJK, Hangul, emoji", 40, 12, 16, 16, 10, 14},
};

class CorpusWriter {
 public:
  CorpusWriter(const CorpusRecipe& recipe, std::uint32_t seed)
      : rng_(seed),
        pools_({double(recipe.english), double(recipe.latin1), double(recipe.greek),
                double(recipe.cyrillic), double(recipe.eastAsian), double(recipe.emoji)}) {}

  Text Write(std::size_t units) {
    Text text;
    text.reserve(units + 64);
    while (text.size() < units) Paragraph(text);
    text.resize(units);
    // A cut through a surrogate pair would leave half a character.
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.back() = u' ';
    return text;
  }

 private:
  void Paragraph(Text& text) {
    if (Chance(30)) text += u'\t';
    const int sentences = Between(2, 6);
    for (int s = 0; s < sentences; ++s) Sentence(text);
    text += u"\r\n";
    if (Chance(25)) text += u"\r\n";
  }

  void Sentence(Text& text) {
    const int words = Between(4, 16);
    for (int w = 0; w < words; ++w) {
      Word(text, w == 0);
      if (w + 1 < words) text += Chance(10) ? u", " : u" ";
    }
    static const std::u16string_view kEnds[] = {u". ", u". ", u". ", u"? ", u"! ", u": "};
    text += kEnds[Between(0, int(std::size(kEnds)) - 1)];
  }

  void Word(Text& text, bool capitalise) {
    std::u16string_view word;
    switch (static_cast<Script>(pools_(rng_))) {
      case Script::English: word = Pick(kEnglish); break;
      case Script::Latin1: word = Pick(kLatin1); break;
      case Script::Greek: word = Pick(kGreek); break;
      case Script::Cyrillic: word = Pick(kCyrillic); break;
      case Script::EastAsian: word = Pick(kEastAsian); break;
      case Script::Emoji: word = Pick(kEmoji); break;
    }
    const std::size_t start = text.size();
    text += word;
    if (capitalise) text[start] = mCase::ToUpperUnit(text[start]);
  }

  template <std::size_t N>
  std::u16string_view Pick(const std::u16string_view (&pool)[N]) {
    return pool[Between(0, int(N) - 1)];
  }
  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Between(0, 99) < percent; }

  std::mt19937 rng_;
  std::discrete_distribution<int> pools_;
};

struct CorpusFacts {
  double nonAsciiLetterShare = 0;
  double surrogateShare = 0;
};

CorpusFacts Describe(const Text& text) {
  std::size_t letters = 0, nonAsciiLetters = 0, surrogates = 0;
  for (char16_t c : text) {
    if (c >= 0xD800 && c <= 0xDFFF) ++surrogates;
    if (mCase::IsCasedLetter(c)) {
      ++letters;
      nonAsciiLetters += c >= 0x80;
    }
  }
  return {letters ? double(nonAsciiLetters) / double(letters) : 0.0,
          double(surrogates) / double(text.size())};
}

// The corpus as UTF-8, for the rules that convert UTF-8 directly.
std::string Utf8Of(const Text& text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      bytes += char(c);
    } else if (c < 0x800) {
      bytes += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      bytes += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
    } else {
      bytes += {char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)),
                char(0x80 | (c & 0x3F))};
    }
  }
  return bytes;
}

// --- Timing --------------------------------------------------------------------

double Seconds(const std::function<void()>& pass) {
  const auto start = std::chrono::steady_clock::now();
  pass();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Figures {
  double rate;   // GB/s, median
  double ratio;  // to memcpy, median of the rounds
};

// Each round times memcpy and then the pass on buffers of `bytes`, so that a
// neighbour's load on the machine shifts both figures of the ratio alike.
Figures MeasureAgainstMemcpy(std::size_t bytes, const std::function<void()>& pass,
                             const std::function<void()>& copy, std::vector<double>& memcpyRates) {
  pass();  // warm-up
  std::vector<double> rates, ratios;
  for (int r = 0; r < kRounds; ++r) {
    const double copyRate = double(bytes) / Seconds(copy) / 1e9;
    const double rate = double(bytes) / Seconds(pass) / 1e9;
    memcpyRates.push_back(copyRate);
    rates.push_back(rate);
    ratios.push_back(rate / copyRate);
  }
  return {Median(rates), Median(ratios)};
}

// In the order of the earlier figures: the three maps, then the two rules
// with state.
const CaseRule kRules[] = {CaseRule::Upper, CaseRule::Lower, CaseRule::Toggle, CaseRule::Proper,
                           CaseRule::Sentence};

unsigned Checksum(const char* bytes, std::size_t n) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; i += 4093) sum = sum * 31 + static_cast<unsigned char>(bytes[i]);
  return sum;
}

void PrintRule(const char* name, const Figures& vector, const Figures& scalar) {
  std::printf("  %-9s %6.2f GB/s  %5.2f x memcpy   (scalar loop %5.2f GB/s, %5.2f x)%s\n", name, vector.rate,
              vector.ratio, scalar.rate, scalar.ratio, vector.ratio < scalar.ratio ? "  slower than its loop" : "");
}

// The UTF-16 kernels on the corpus, each against memcpy of its 64 MiB.
unsigned MeasureUnits(const Text& corpus) {
  Text out(corpus.size(), u'\0');
  auto copy = [&] { std::memcpy(out.data(), corpus.data(), kCorpusBytes); };
  copy();
  std::vector<double> memcpyRates;
  unsigned checksum = 0;
  for (CaseRule rule : kRules) {
    const Figures vector = MeasureAgainstMemcpy(
        kCorpusBytes, [&] { mCase::ConvertUnits(rule, corpus.data(), out.data(), corpus.size(), true); }, copy,
        memcpyRates);
    checksum = checksum * 31 + Checksum(reinterpret_cast<const char*>(out.data()), kCorpusBytes);
    const Figures scalar = MeasureAgainstMemcpy(
        kCorpusBytes, [&] { mCase::scalar::ConvertUnits(rule, corpus.data(), out.data(), corpus.size(), true); },
        copy, memcpyRates);
    checksum = checksum * 31 + Checksum(reinterpret_cast<const char*>(out.data()), kCorpusBytes);
    PrintRule(mCase::CaseRuleName(rule), vector, scalar);
  }
  std::printf("  %-9s %6.2f GB/s (median of all rounds)\n", "memcpy", Median(memcpyRates));
  return checksum;
}

// The UTF-8 kernels on the corpus encoded as UTF-8, against memcpy of its bytes.
unsigned MeasureUtf8(const Text& corpus) {
  const std::string in = Utf8Of(corpus);
  std::string out(mCase::Utf8Capacity(in.size()), '\0');
  std::printf("  as UTF-8, %.1f MiB:\n", double(in.size()) / (1 << 20));
  auto copy = [&] { std::memcpy(out.data(), in.data(), in.size()); };
  copy();
  std::vector<double> memcpyRates;
  unsigned checksum = 0;
  std::size_t written = 0;
  for (CaseRule rule : kRules) {
    bool state = true;
    const Figures vector = MeasureAgainstMemcpy(
        in.size(), [&] { written = mCase::ConvertUtf8(rule, in.data(), in.size(), out.data(), state = true); },
        copy, memcpyRates);
    checksum = checksum * 31 + Checksum(out.data(), written);
    const Figures scalar = MeasureAgainstMemcpy(
        in.size(),
        [&] { written = mCase::scalar::ConvertUtf8(rule, in.data(), in.size(), out.data(), state = true); }, copy,
        memcpyRates);
    checksum = checksum * 31 + Checksum(out.data(), written);
    PrintRule(mCase::CaseRuleName(rule), vector, scalar);
  }
  std::printf("  %-9s %6.2f GB/s (median of all rounds)\n", "memcpy", Median(memcpyRates));
  return checksum;
}

void Measure(const CorpusRecipe& recipe, std::uint32_t seed) {
  const Text corpus = CorpusWriter(recipe, seed).Write(kCorpusUnits);
  const CorpusFacts facts = Describe(corpus);
  std::printf("\n%s: %zu MiB, %.1f%% of cased letters non-ASCII, %.2f%% surrogate units\n", recipe.name,
              kCorpusBytes >> 20, 100 * facts.nonAsciiLetterShare, 100 * facts.surrogateShare);
  const unsigned checksum = MeasureUnits(corpus) * 31 + MeasureUtf8(corpus);
  std::printf("  (checksum %08x)\n", checksum);
}

}  // namespace

int main(int argc, char** argv) {
  using mCase::detail::KernelPath;
  const char* const kPaths[] = {"scalar kernels", "SSE2 kernels", "SSE2 kernels, AVX2 for UTF-8",
                                "SSE2 kernels, AVX-512 for UTF-8"};
  if (argc == 2) {
    const std::string_view name = argv[1];
    const KernelPath path = name == "avx512" ? KernelPath::Avx512
                            : name == "avx2" ? KernelPath::Avx2
                            : name == "sse2" ? KernelPath::Sse2
                                             : KernelPath::Scalar;
    if (path == KernelPath::Scalar || !mCase::detail::UseKernelPath(path)) {
      std::fprintf(stderr, "case-bench: no path '%s' on this CPU (sse2, avx2 or avx512)\n", argv[1]);
      return 2;
    }
  }
  std::printf("case-bench: median of %d passes, UTF-16 source and destination buffers of 64 MiB, %s\n", kRounds,
              kPaths[static_cast<int>(mCase::detail::ActiveKernelPath())]);
  std::uint32_t seed = 2026;
  for (const CorpusRecipe& recipe : kRecipes) Measure(recipe, seed++);
  return 0;
}
