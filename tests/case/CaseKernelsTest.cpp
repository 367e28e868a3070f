// The vector kernels against the scalar loops: every alignment, lengths around
// the block sizes, in place and copying, and chunked conversion of the
// stateful rules. The public kernels are switched to the SSE2 path for these
// tests, so a build whose baseline lacks SSE2 tests that path too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "case/CaseRules.h"
#include "case/CaseVector.h"

namespace tarnwick::mCase {
namespace {

using Kernel = void (*)(const char16_t*, char16_t*, std::size_t);
using StateKernel = bool (*)(const char16_t*, char16_t*, std::size_t, bool);

struct StatelessPair {
  const char* name;
  Kernel vector;
  Kernel scalar;
};
struct StatefulPair {
  const char* name;
  StateKernel vector;
  StateKernel scalar;
};

const StatelessPair kStateless[] = {
    {"upper", UpperUnits, scalar::UpperUnits},
    {"lower", LowerUnits, scalar::LowerUnits},
    {"toggle", ToggleUnits, scalar::ToggleUnits},
};
const StatefulPair kStateful[] = {
    {"sentence", SentenceUnits, scalar::SentenceUnits},
    {"proper", ProperUnits, scalar::ProperUnits},
};

// Text drawn from a small alphabet rich in what the kernels decide on:
// letters of both cases, delimiters, separators, and now and then a unit
// outside ASCII (a Cyrillic letter, a surrogate half, a unit from 0x8000).
class UnitSource {
 public:
  explicit UnitSource(std::uint32_t seed) : rng_(seed) {}

  Text Make(std::size_t n, int nonAsciiPercent) {
    static const char16_t kAscii[] = u"aZbYzA.!?:,; \t\r\n\v\f\0x1@[`{";
    static const char16_t kOther[] = {0x0416, 0x0436, 0x00E9, 0x00C9, 0x01C5, 0xD83D,
                                      0xDE00, 0x8000, 0xFFFF, 0x0130, 0x212A, 0x03C2};
    std::uniform_int_distribution<int> percent(0, 99);
    Text text(n, u'\0');
    for (char16_t& c : text) {
      if (percent(rng_) < nonAsciiPercent) {
        c = kOther[Pick(std::size(kOther))];
      } else {
        c = kAscii[Pick(std::size(kAscii) - 1)];
      }
    }
    return text;
  }

 private:
  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  std::mt19937 rng_;
};

// Lengths 0..40 (around 8 and 16 units) and a few longer ones.
std::vector<std::size_t> Lengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 40; ++n) lengths.push_back(n);
  for (std::size_t n : {63, 64, 65, 127, 128, 129, 255, 256, 257, 1000}) lengths.push_back(n);
  return lengths;
}

// Runs each test on the SSE2 path and restores the path chosen at start-up.
class CaseKernels : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!detail::UseKernelPath(detail::KernelPath::Sse2)) GTEST_SKIP() << "no SSE2 on this CPU or target";
    ASSERT_TRUE(HasVectorKernels());
  }
  void TearDown() override { detail::UseKernelPath(startPath_); }

 private:
  detail::KernelPath startPath_ = detail::ActiveKernelPath();
};

// Runs a kernel on `text` placed at `offset` units into a guarded buffer and
// returns the converted units; the guards around it must stay untouched.
template <class Run>
Text ConvertAt(const Text& text, std::size_t offset, Run run) {
  constexpr char16_t kGuard = u'#';
  std::vector<char16_t> in(offset + text.size() + 16, kGuard), out(in.size(), kGuard);
  std::copy(text.begin(), text.end(), in.begin() + static_cast<std::ptrdiff_t>(offset));
  run(in.data() + offset, out.data() + offset, text.size());
  for (std::size_t i = 0; i < offset; ++i) EXPECT_EQ(out[i], kGuard);
  for (std::size_t i = offset + text.size(); i < out.size(); ++i) EXPECT_EQ(out[i], kGuard);
  return Text(out.begin() + static_cast<std::ptrdiff_t>(offset),
              out.begin() + static_cast<std::ptrdiff_t>(offset + text.size()));
}

TEST_F(CaseKernels, VectorMatchesScalarAtEveryAlignmentAndLength) {
  UnitSource source(1);
  for (int nonAscii : {0, 3, 30}) {
    for (std::size_t n : Lengths()) {
      const Text text = source.Make(n, nonAscii);
      for (std::size_t offset = 0; offset < 16; ++offset) {
        for (const StatelessPair& k : kStateless) {
          ASSERT_EQ(ConvertAt(text, offset, k.vector), ConvertAt(text, offset, k.scalar))
              << k.name << " n=" << n << " offset=" << offset << " nonAscii=" << nonAscii;
        }
        for (const StatefulPair& k : kStateful) {
          for (bool state : {true, false}) {
            bool vectorState = false, scalarState = false;
            const Text v = ConvertAt(text, offset, [&](const char16_t* i, char16_t* o, std::size_t len) {
              vectorState = k.vector(i, o, len, state);
            });
            const Text s = ConvertAt(text, offset, [&](const char16_t* i, char16_t* o, std::size_t len) {
              scalarState = k.scalar(i, o, len, state);
            });
            ASSERT_EQ(v, s) << k.name << " n=" << n << " offset=" << offset << " state=" << state;
            ASSERT_EQ(vectorState, scalarState) << k.name << " n=" << n << " offset=" << offset;
          }
        }
      }
    }
  }
}

// A single non-ASCII unit at each position of a block forces the table path
// for exactly that block; everything around it stays on the vector path.
TEST_F(CaseKernels, OneNonAsciiUnitAtEveryPosition) {
  UnitSource source(2);
  const Text base = source.Make(48, 0);
  for (std::size_t pos = 0; pos < base.size(); ++pos) {
    for (char16_t other : {char16_t(0x0416), char16_t(0x00E9), char16_t(0xD83D), char16_t(0x8000)}) {
      Text text = base;
      text[pos] = other;
      for (const StatelessPair& k : kStateless) {
        ASSERT_EQ(ConvertAt(text, 0, k.vector), ConvertAt(text, 0, k.scalar)) << k.name << " pos=" << pos;
      }
      for (const StatefulPair& k : kStateful) {
        auto vector = [&](const char16_t* i, char16_t* o, std::size_t n) { k.vector(i, o, n, true); };
        auto scalarRun = [&](const char16_t* i, char16_t* o, std::size_t n) { k.scalar(i, o, n, true); };
        ASSERT_EQ(ConvertAt(text, 0, vector), ConvertAt(text, 0, scalarRun)) << k.name << " pos=" << pos;
      }
    }
  }
}

TEST_F(CaseKernels, InPlaceGivesTheSameAsCopying) {
  UnitSource source(3);
  for (std::size_t n : {0, 7, 16, 33, 100, 1000}) {
    const Text text = source.Make(n, 10);
    for (const StatelessPair& k : kStateless) {
      Text copy(n, u'\0'), inPlace = text;
      k.vector(text.data(), copy.data(), n);
      k.vector(inPlace.data(), inPlace.data(), n);
      EXPECT_EQ(inPlace, copy) << k.name << " n=" << n;
    }
    for (const StatefulPair& k : kStateful) {
      Text copy(n, u'\0'), inPlace = text;
      k.vector(text.data(), copy.data(), n, true);
      k.vector(inPlace.data(), inPlace.data(), n, true);
      EXPECT_EQ(inPlace, copy) << k.name << " n=" << n;
    }
  }
}

// Converting chunk by chunk, with the returned state carried over, gives the
// same text as converting it whole, wherever the cuts fall.
TEST_F(CaseKernels, StatefulRulesCarryTheirStateAcrossChunks) {
  UnitSource source(4);
  const Text text = source.Make(200, 10);
  for (const StatefulPair& k : kStateful) {
    Text whole(text.size(), u'\0');
    const bool wholeState = k.vector(text.data(), whole.data(), text.size(), true);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      Text pieces(text.size(), u'\0');
      bool state = k.vector(text.data(), pieces.data(), cut, true);
      state = k.vector(text.data() + cut, pieces.data() + cut, text.size() - cut, state);
      ASSERT_EQ(pieces, whole) << k.name << " cut=" << cut;
      ASSERT_EQ(state, wholeState) << k.name << " cut=" << cut;
    }
  }
}

TEST_F(CaseKernels, StateAtTheEndOfAChunk) {
  const Text stop = u"abc. ";
  const Text word = u"abc\t";
  EXPECT_TRUE(SentenceUnits(stop.data(), Text(stop).data(), stop.size(), false));
  EXPECT_FALSE(SentenceUnits(word.data(), Text(word).data(), word.size(), true));
  EXPECT_TRUE(ProperUnits(word.data(), Text(word).data(), word.size(), false));
  EXPECT_FALSE(ProperUnits(stop.data(), Text(stop).data(), stop.size() - 1, true));
}

TEST_F(CaseKernels, LongRandomMixesMatchTheScalarLoops) {
  UnitSource source(5);
  for (int nonAscii : {0, 1, 50, 100}) {
    const Text text = source.Make(1 << 16, nonAscii);
    for (const StatelessPair& k : kStateless) {
      Text v(text.size(), u'\0'), s(text.size(), u'\0');
      k.vector(text.data(), v.data(), text.size());
      k.scalar(text.data(), s.data(), text.size());
      ASSERT_EQ(v, s) << k.name << " nonAscii=" << nonAscii;
    }
    for (const StatefulPair& k : kStateful) {
      Text v(text.size(), u'\0'), s(text.size(), u'\0');
      ASSERT_EQ(k.vector(text.data(), v.data(), text.size(), true),
                k.scalar(text.data(), s.data(), text.size(), true));
      ASSERT_EQ(v, s) << k.name << " nonAscii=" << nonAscii;
    }
  }
}

// Outputs of several megabytes take the streaming-store path, which aligns
// the destination first; every misalignment of it must give the same text.
TEST_F(CaseKernels, LargeOutputsAtEveryDestinationAlignment) {
  UnitSource source(6);
  const std::size_t n = (std::size_t(5) << 20) + 37;
  Text text = source.Make(n, 0);
  const Text mixed = source.Make(4096, 40);
  std::copy(mixed.begin(), mixed.end(), text.begin() + 1000000);  // a mixed stretch inside
  for (const StatelessPair& k : kStateless) {
    Text expected(n, u'\0');
    k.scalar(text.data(), expected.data(), n);
    std::vector<char16_t> out(n + 32);
    for (std::size_t offset : {0, 1, 7, 8, 31}) {
      k.vector(text.data(), out.data() + offset, n);
      ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + static_cast<std::ptrdiff_t>(offset)))
          << k.name << " offset=" << offset;
    }
  }
}

}  // namespace
}  // namespace tarnwick::mCase

namespace tarnwick::mCase {
namespace {

using detail::KernelPath;

// Every x86 CPU that runs these tests has SSE2, so an x86 build must find it
// (otherwise the tests above would be skipped); other targets have only the
// scalar loops.
TEST(KernelDispatch, StartsOnTheBestPathTheCpuRuns) {
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
  EXPECT_TRUE(detail::CpuHasSse2());
  EXPECT_EQ(detail::ActiveKernelPath(), KernelPath::Sse2);
  EXPECT_TRUE(HasVectorKernels());
#else
  EXPECT_FALSE(detail::CpuHasSse2());
  EXPECT_EQ(detail::ActiveKernelPath(), KernelPath::Scalar);
  EXPECT_FALSE(detail::UseKernelPath(KernelPath::Sse2)) << "a path the target cannot run is refused";
#endif
}

// The same inputs through the public kernels on each path give the same text
// and state; the switch changes only the path.
TEST(KernelDispatch, BothPathsGiveTheSameResults) {
  const KernelPath start = detail::ActiveKernelPath();
  const Text text = UnitSource(7).Make(5000, 5);
  auto convertAll = [&] {
    Text all = UpperCase(text) + LowerCase(text) + ToggledCase(text) + SentenceCase(text) + ProperCase(text);
    Text tail(text.size(), u'\0');
    all += SentenceUnits(text.data(), tail.data(), text.size(), false) ? u'1' : u'0';
    all += ProperUnits(text.data(), tail.data(), text.size(), false) ? u'1' : u'0';
    return all + tail;
  };
  ASSERT_TRUE(detail::UseKernelPath(KernelPath::Scalar));
  EXPECT_FALSE(HasVectorKernels());
  const Text scalarResult = convertAll();
  if (detail::UseKernelPath(KernelPath::Sse2)) {
    EXPECT_TRUE(HasVectorKernels());
    EXPECT_EQ(convertAll(), scalarResult);
  }
  EXPECT_NE(scalarResult.substr(0, text.size()), text) << "the conversions changed something";
  detail::UseKernelPath(start);
  EXPECT_EQ(detail::ActiveKernelPath(), start);
}

}  // namespace
}  // namespace tarnwick::mCase
