// Closes the region that Avx2TargetBegin.h opened.
#if !defined(__AVX2__) && defined(__clang__)
#pragma clang attribute pop
#elif !defined(__AVX2__) && defined(__GNUC__)
#pragma GCC pop_options
#endif
