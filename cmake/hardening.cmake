# Hardening builds: the whole tree under AddressSanitizer and UndefinedBehaviorSanitizer
# (QUOTEMILL_SANITIZE), and the libFuzzer targets of fuzz/ (QUOTEMILL_FUZZ, clang only).
# Included from the top-level CMakeLists.txt before the layers are added, so the flags
# reach every target, the window modules included.

option(QUOTEMILL_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUOTEMILL_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

if(QUOTEMILL_SANITIZE OR QUOTEMILL_FUZZ)
  # Any undefined behaviour ends the run, so a test cannot pass over it.
  set(qm_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${qm_sanitize_flags})
  add_link_options(${qm_sanitize_flags})
endif()

if(QUOTEMILL_SANITIZE)
  # The benchmarks time the programs; instrumented they would only cost build time.
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL
    set_property DIRECTORY ${PROJECT_SOURCE_DIR}/bench PROPERTY EXCLUDE_FROM_ALL TRUE)
endif()

if(QUOTEMILL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QUOTEMILL_FUZZ needs clang (cmake -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  # Coverage for the logic libraries; only the fuzz targets link libFuzzer's main().
  add_compile_options(-fsanitize=fuzzer-no-link)
  if(CMAKE_CXX_COMPILER_VERSION VERSION_LESS 15)
    add_compile_options(-include ${PROJECT_SOURCE_DIR}/fuzz/source_location_shim.h)
  endif()
  add_subdirectory(${PROJECT_SOURCE_DIR}/fuzz ${PROJECT_BINARY_DIR}/fuzz)
endif()
