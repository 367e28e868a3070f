// Included after a file's other headers, before its AVX2 code: every
// function from here to Avx2TargetEnd.h is compiled for AVX2, and only CPUs
// (and systems) that run it may reach them (CpuHasAvx2). Headers stay
// outside, so no inline function of theirs gets AVX2 instructions for code
// that runs everywhere. MSVC needs no switch for the intrinsics. (No include
// guard: each file opens its own region.)
#include "case/CaseVector.h"

#if !defined(__AVX2__) && defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif !defined(__AVX2__) && defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
