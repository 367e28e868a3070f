// Throughput of the five case rules on three generated 64 MiB UTF-16
// corpora, against memcpy of the same buffer measured in the same run.
// Prints its figures; it asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string_view>
#include <vector>

#include "case/CaseRules.h"

namespace {

using tarnwick::Text;
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

double GigabytesPerSecond(double seconds) { return double(kCorpusBytes) / seconds / 1e9; }

struct Figures {
  double rate;   // GB/s, median
  double ratio;  // to memcpy, median of the rounds
};

// Each round times memcpy and then the pass on the same buffers, so that a
// neighbour's load on the machine shifts both figures of the ratio alike.
Figures MeasureAgainstMemcpy(const std::function<void()>& pass, const std::function<void()>& copy,
                             std::vector<double>& memcpyRates) {
  pass();  // warm-up
  std::vector<double> rates, ratios;
  for (int r = 0; r < kRounds; ++r) {
    const double copyRate = GigabytesPerSecond(Seconds(copy));
    const double rate = GigabytesPerSecond(Seconds(pass));
    memcpyRates.push_back(copyRate);
    rates.push_back(rate);
    ratios.push_back(rate / copyRate);
  }
  return {Median(rates), Median(ratios)};
}

struct Rule {
  const char* name;
  std::function<void(const char16_t*, char16_t*, std::size_t)> vector, scalar;
};

const Rule kRules[] = {
    {"upper", mCase::UpperUnits, mCase::scalar::UpperUnits},
    {"lower", mCase::LowerUnits, mCase::scalar::LowerUnits},
    {"toggle", mCase::ToggleUnits, mCase::scalar::ToggleUnits},
    {"proper", [](auto in, auto out, auto n) { mCase::ProperUnits(in, out, n, true); },
     [](auto in, auto out, auto n) { mCase::scalar::ProperUnits(in, out, n, true); }},
    {"sentence", [](auto in, auto out, auto n) { mCase::SentenceUnits(in, out, n, true); },
     [](auto in, auto out, auto n) { mCase::scalar::SentenceUnits(in, out, n, true); }},
};

unsigned Checksum(const Text& text) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < text.size(); i += 4093) sum = sum * 31 + text[i];
  return sum;
}

void Measure(const CorpusRecipe& recipe, std::uint32_t seed) {
  const Text corpus = CorpusWriter(recipe, seed).Write(kCorpusUnits);
  const CorpusFacts facts = Describe(corpus);
  Text out(corpus.size(), u'\0');
  std::printf("\n%s: %zu MiB, %.1f%% of cased letters non-ASCII, %.2f%% surrogate units\n",
              recipe.name, kCorpusBytes >> 20, 100 * facts.nonAsciiLetterShare,
              100 * facts.surrogateShare);

  auto copy = [&] { std::memcpy(out.data(), corpus.data(), kCorpusBytes); };
  copy();
  std::vector<double> memcpyRates;
  unsigned checksum = 0;
  for (const Rule& rule : kRules) {
    const Figures vector = MeasureAgainstMemcpy(
        [&] { rule.vector(corpus.data(), out.data(), corpus.size()); }, copy, memcpyRates);
    checksum = checksum * 31 + Checksum(out);
    const Figures scalar = MeasureAgainstMemcpy(
        [&] { rule.scalar(corpus.data(), out.data(), corpus.size()); }, copy, memcpyRates);
    checksum = checksum * 31 + Checksum(out);
    std::printf("  %-9s %6.2f GB/s  %5.2f x memcpy   (scalar loop %5.2f GB/s, %5.2f x)\n", rule.name,
                vector.rate, vector.ratio, scalar.rate, scalar.ratio);
  }
  std::printf("  %-9s %6.2f GB/s (median of all rounds)\n", "memcpy", Median(memcpyRates));
  std::printf("  (checksum %08x)\n", checksum);
}

}  // namespace

int main() {
  std::printf("case-bench: median of %d passes, source and destination buffers of 64 MiB%s\n",
              kRounds, mCase::HasVectorKernels() ? ", SSE2 kernels" : ", scalar kernels");
  std::uint32_t seed = 2026;
  for (const CorpusRecipe& recipe : kRecipes) Measure(recipe, seed++);
  return 0;
}
