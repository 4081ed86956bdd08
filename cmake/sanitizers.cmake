# Instrumented builds, each in a build directory of its own:
#   CORVANE_SANITIZE  every library, program and test with AddressSanitizer and
#                     UndefinedBehaviorSanitizer; any report ends the process with an error.
#   CORVANE_FUZZ      the same instrumentation plus libFuzzer's coverage hooks (clang only), for
#                     the fuzz targets in tests/fuzz.
# Both are set before any target exists so that core, vexo and the programs are instrumented too.
option(CORVANE_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CORVANE_FUZZ "Build the libFuzzer targets of tests/fuzz (needs clang)" OFF)

if(CORVANE_SANITIZE OR CORVANE_FUZZ)
  # Undefined behaviour is an error, not a message the run goes on after.
  set(CORVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${CORVANE_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

if(CORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "CORVANE_FUZZ needs clang: configure with CC=clang-14 CXX=clang++-14")
  endif()
  # Coverage feedback in every library; only the fuzz targets link the libFuzzer driver.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
