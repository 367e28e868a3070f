// Included after a file's other headers, before its AVX-512 code: every
// function from here to Avx512TargetEnd.h is compiled for AVX512F, BW and
// VBMI, and only CPUs (and systems) that run them may reach it
// (CpuHasAvx512). Headers stay outside, as for Avx2TargetBegin.h. MSVC needs
// no switch for the intrinsics. (No include guard: each file opens its own
// region.)
#include "case/CaseVector.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,avx512f,avx512bw,avx512vbmi"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512bw,avx512vbmi")
#endif
