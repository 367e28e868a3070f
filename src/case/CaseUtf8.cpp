#include "case/CaseUtf8.h"

#include <atomic>

#include "case/CaseUtf8Steps.h"
#include "case/CaseVector.h"

namespace tarnwick::mCase {
namespace detail {
namespace {

void FillForm(std::uint16_t* form, const char16_t* table, const CaseTables& t) {
  for (unsigned cp = 0; cp < ByteForms::kSecondByte; ++cp) {
    const char16_t to = table[cp];
    unsigned char bytes[3], ownBytes[3];
    const auto length = PutUnit(bytes, to) - bytes;
    const std::uint16_t other = length == PutUnit(ownBytes, char16_t(cp)) - ownBytes ? 0 : ByteForms::kOtherLength;
    const std::uint16_t cased = (t.flags[t.lower[cp]] & kCasedBit) ? ByteForms::kCasedLower : 0;
    form[cp] = bytes[0] | other | cased;
    form[cp | ByteForms::kSecondByte] = (length > 1 ? bytes[1] : 0) | other;
  }
}

void BuildByteForms(ByteForms* forms) {
  const CaseTables& t = Tables();
  FillForm(forms->entries + ByteForms::Upper * ByteForms::kWordStart, t.upper, t);
  FillForm(forms->entries + ByteForms::Toggled * ByteForms::kWordStart, t.toggled, t);
  FillForm(forms->entries + ByteForms::Lower * ByteForms::kWordStart, t.lower, t);
  FillForm(forms->entries + ByteForms::Capitalised * ByteForms::kWordStart, t.capitalised, t);
}

}  // namespace

// In static storage, as the case tables: the kernels that first ask for
// them cannot throw.
const ByteForms& Utf8ByteForms() {
  static ByteForms forms;
  static const bool built = (BuildByteForms(&forms), true);
  (void)built;
  return forms;
}

namespace {
std::atomic<std::uint64_t> plainStretches{0}, fullLookups{0};
}  // namespace

std::uint64_t Utf8PlainStretches() noexcept { return plainStretches.load(std::memory_order_relaxed); }
void CountUtf8PlainStretch() noexcept { plainStretches.fetch_add(1, std::memory_order_relaxed); }
std::uint64_t Utf8FullLookups() noexcept { return fullLookups.load(std::memory_order_relaxed); }
void CountUtf8FullLookup() noexcept { fullLookups.fetch_add(1, std::memory_order_relaxed); }

}  // namespace detail

namespace scalar {
namespace {

template <class UnitRule>
std::size_t Walk(const char* in, std::size_t n, char* out, UnitRule rule, bool& state) {
  auto* end = reinterpret_cast<unsigned char*>(out);
  detail::MapCharacters(reinterpret_cast<const unsigned char*>(in), 0, n, n, end, rule);
  state = rule.state;
  return static_cast<std::size_t>(end - reinterpret_cast<unsigned char*>(out));
}

}  // namespace

std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept {
  const detail::CaseTables& t = detail::Tables();
  switch (rule) {
    case CaseRule::Sentence: return Walk(in, n, out, detail::SentenceRule{&t, state}, state);
    case CaseRule::Lower: return Walk(in, n, out, detail::MapRule{t.lower, state}, state);
    case CaseRule::Upper: return Walk(in, n, out, detail::MapRule{t.upper, state}, state);
    case CaseRule::Proper: return Walk(in, n, out, detail::ProperRule{&t, state}, state);
    case CaseRule::Toggle: break;
  }
  return Walk(in, n, out, detail::MapRule{t.toggled, state}, state);
}

}  // namespace scalar

std::size_t ConvertUtf8(CaseRule rule, const char* in, std::size_t n, char* out, bool& state) noexcept {
#if TARNWICK_CASE_SSE2
  switch (detail::ActiveKernelPath()) {
    case detail::KernelPath::Avx512: return avx512::ConvertUtf8(rule, in, n, out, state);
    case detail::KernelPath::Avx2: return avx2::ConvertUtf8(rule, in, n, out, state);
    case detail::KernelPath::Sse2: return sse2::ConvertUtf8(rule, in, n, out, state);
    case detail::KernelPath::Scalar: break;
  }
#endif
  return scalar::ConvertUtf8(rule, in, n, out, state);
}

}  // namespace tarnwick::mCase
