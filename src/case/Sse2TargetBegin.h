// Included after a file's other headers, before its SSE2 code: where SSE2 is
// not part of the baseline, every function from here to Sse2TargetEnd.h is
// compiled for it, and only CPUs that have it may reach them. Headers stay
// outside, so no inline function of theirs gets SSE2 instructions for code
// that runs everywhere. (No include guard: each file opens its own region.)
#include "case/CaseVector.h"

#if !TARNWICK_CASE_SSE2_BASELINE && defined(__clang__)
#pragma clang attribute push(__attribute__((target("sse2"))), apply_to = function)
#elif !TARNWICK_CASE_SSE2_BASELINE && defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("sse2")
#endif
