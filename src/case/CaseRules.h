// The five case rules over UTF-16 code units. Every rule replaces each code
// unit by exactly one code unit, so a text never changes length; surrogate
// halves have no case and pass unchanged.
//
// U(c) and L(c) are the one-to-one simple case mappings of the Unicode
// Character Database (a unit whose mapping lies outside the BMP maps to
// itself). A cased letter is a unit c with U(c) != L(c) whose two forms are
// equal under simple case folding.
#pragma once

#include <cstddef>

#include "common/Text.h"

namespace tarnwick::mCase {

// The five rules, in the order of the main window's Auto options (an
// option's index is its rule's value).
enum class CaseRule { Sentence, Lower, Upper, Proper, Toggle };
inline constexpr CaseRule kCaseRules[] = {CaseRule::Sentence, CaseRule::Lower, CaseRule::Upper,
                                          CaseRule::Proper, CaseRule::Toggle};
// "sentence", "lower", "upper", "proper", "toggle": the filter's names.
const char* CaseRuleName(CaseRule rule) noexcept;

char16_t ToUpperUnit(char16_t c) noexcept;
char16_t ToLowerUnit(char16_t c) noexcept;
bool IsCasedLetter(char16_t c) noexcept;
// The toggle rule for one unit: a cased letter that is its own upper form
// becomes L(c), one that is its own lower form becomes U(c); anything else
// (non-letters, title-case digraphs such as U+01C5) stays.
char16_t ToggledUnit(char16_t c) noexcept;

// --- Kernels ------------------------------------------------------------------
// Each converts n units from `in` into `out`. `out` may be `in` itself (in
// place); otherwise the two must not overlap.
//
// The stateful rules take the state at the first unit and return the state
// after the last, so a long text converts chunk by chunk with the same result
// as in one piece:
// - sentence: capitaliseNext (true at the start of a text): the next cased
//   letter becomes upper case; the delimiters . ! ? : set it again.
// - proper: atWordStart (true at the start of a text): the next unit starts a
//   word; the separators NUL TAB LF VT FF CR and space make the unit after
//   them start one.

void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept;
bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept;

inline void UpperInPlace(char16_t* s, std::size_t n) noexcept { UpperUnits(s, s, n); }
inline void LowerInPlace(char16_t* s, std::size_t n) noexcept { LowerUnits(s, s, n); }
inline void ToggleInPlace(char16_t* s, std::size_t n) noexcept { ToggleUnits(s, s, n); }
inline void SentenceInPlace(char16_t* s, std::size_t n) noexcept { SentenceUnits(s, s, n, true); }
inline void ProperInPlace(char16_t* s, std::size_t n) noexcept { ProperUnits(s, s, n, true); }

// The plain one-unit-at-a-time loops, always compiled. The kernels above use
// SSE2 where the CPU has it and must give exactly the same results.
namespace scalar {
void UpperUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void LowerUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
void ToggleUnits(const char16_t* in, char16_t* out, std::size_t n) noexcept;
bool SentenceUnits(const char16_t* in, char16_t* out, std::size_t n, bool capitaliseNext) noexcept;
bool ProperUnits(const char16_t* in, char16_t* out, std::size_t n, bool atWordStart) noexcept;
bool ConvertUnits(CaseRule rule, const char16_t* in, char16_t* out, std::size_t n, bool state) noexcept;
}  // namespace scalar

// True when the kernels above run a vector path (SSE2, or AVX2 for UTF-8).
bool HasVectorKernels() noexcept;

// --- Whole texts ----------------------------------------------------------------

Text UpperCase(TextView text);
Text LowerCase(TextView text);
// Every word capitalised: all lower case, then the first unit of the text and
// every unit after a word separator upper case.
Text ProperCase(TextView text);
// Sentence case: all lower case, then the first cased letter of the text and
// the first after every delimiter upper case.
Text SentenceCase(TextView text);
// Toggle case: ToggledUnit applied to every unit.
Text ToggledCase(TextView text);

// One of the five above by its rule; pure, no error trap.
Text Convert(CaseRule rule, TextView text);

// The kernel of `rule`, with the state of the stateful rules (see above;
// true at the start of a text) taken and returned; the stateless rules
// return it unchanged.
bool ConvertUnits(CaseRule rule, const char16_t* in, char16_t* out, std::size_t n, bool state) noexcept;

}  // namespace tarnwick::mCase
