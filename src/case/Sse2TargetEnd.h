// Closes the region that Sse2TargetBegin.h opened.
#if !TARNWICK_CASE_SSE2_BASELINE && defined(__clang__)
#pragma clang attribute pop
#elif !TARNWICK_CASE_SSE2_BASELINE && defined(__GNUC__)
#pragma GCC pop_options
#endif
