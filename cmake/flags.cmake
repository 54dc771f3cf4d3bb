# The flag sets, one interface target each; targets link the sets they need.
# Build-wide modes (sanitizers, fuzzing, coverage) apply to every target of
# the build they are switched on in.

# Every build must give the same bytes for every plot: SSE arithmetic (no x87
# excess precision on i686), no contracted multiply-adds, and the C99 printf
# on mingw.
add_library(trnkv_same_arithmetic INTERFACE)
target_compile_options(trnkv_same_arithmetic INTERFACE -msse2 -mfpmath=sse -ffp-contract=off)
if(WIN32)
  target_compile_definitions(trnkv_same_arithmetic INTERFACE __USE_MINGW_ANSI_STDIO=1)
endif()

add_library(trnkv_warnings INTERFACE)
target_compile_options(trnkv_warnings INTERFACE -Wall -Wextra)

# The driver's texts are written in UTF-8 and stored as Windows-1252. clang
# stores texts only as UTF-8; its builds (fuzzing, coverage) do not look at them.
add_library(trnkv_windows_texts INTERFACE)
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(trnkv_windows_texts INTERFACE -finput-charset=UTF-8 -fexec-charset=CP1252)
endif()

# What the driver's own code and what the programs around it are built with.
add_library(trnkv_driver_flags INTERFACE)
target_link_libraries(trnkv_driver_flags INTERFACE trnkv_same_arithmetic trnkv_warnings
                      trnkv_windows_texts)
add_library(trnkv_host_flags INTERFACE)
target_link_libraries(trnkv_host_flags INTERFACE trnkv_same_arithmetic trnkv_warnings)

# gcc's "undefined" leaves out float-to-integer overflow; host values reach
# such conversions, so that check is asked for by name.
set(TRNKV_SANITIZERS address,undefined,float-cast-overflow)
if(TRNKV_SANITIZE)
  add_compile_options(-fsanitize=${TRNKV_SANITIZERS} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TRNKV_SANITIZERS})
endif()
if(TRNKV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,${TRNKV_SANITIZERS} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${TRNKV_SANITIZERS})
endif()
if(TRNKV_COVERAGE)
  add_compile_options(-fprofile-instr-generate -fcoverage-mapping)
  add_link_options(-fprofile-instr-generate)
endif()
