# VEXA_FUZZ=ON: libFuzzer build (clang only). Every library and test object
# is compiled with coverage instrumentation, AddressSanitizer and
# UndefinedBehaviorSanitizer; tests/fuzz then adds one fuzzing executable per
# target, linked with the libFuzzer driver. Off by default: the ordinary
# build does not change.
option(VEXA_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(VEXA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VEXA_FUZZ needs clang: configure with CXX=clang++ CC=clang")
  endif()
  if(NOT VEXA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "VEXA_FUZZ brings its own sanitizers; leave VEXA_SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
