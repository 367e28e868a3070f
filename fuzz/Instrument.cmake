# libFuzzer builds: every target of the tree is compiled with coverage
# feedback and AddressSanitizer + UndefinedBehaviorSanitizer, so that the
# fuzzers steer into the libraries' branches and stop at the first fault.
# Only clang has libFuzzer; with another compiler the fuzzers are left out.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND NOT MSVC)
  set(TARNWICK_FUZZ_ENABLED ON)
  target_compile_options(tarnwick_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
  target_link_options(tarnwick_options INTERFACE -fsanitize=address,undefined)
else()
  set(TARNWICK_FUZZ_ENABLED OFF)
  message(WARNING "TARNWICK_FUZZ needs clang (found ${CMAKE_CXX_COMPILER_ID}); no fuzzers are built")
endif()
