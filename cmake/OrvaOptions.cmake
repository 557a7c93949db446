# Build options shared by every target of the project.

option(ORVA_BUILD_TESTS "Build the test suites" ON)
option(ORVA_WERROR "Treat compiler warnings as errors" OFF)
set(ORVA_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan+UBSan) or 'thread' (TSan)")
set_property(CACHE ORVA_SANITIZE PROPERTY STRINGS "" address thread)

# The fuzz build: the file loaders' libFuzzer targets under ASan+UBSan, and nothing else.
# libFuzzer comes with clang, so this build is clang's (the top-level file picks clang 14 when
# no compiler is given); every other build stays with g++.
option(ORVA_FUZZ "Build only the fuzz targets of the file loaders (clang)" OFF)
if(ORVA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ORVA_FUZZ needs clang for libFuzzer, not ${CMAKE_CXX_COMPILER_ID}: "
                        "configure with -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14")
  endif()
  set(ORVA_SANITIZE address CACHE STRING "" FORCE)
endif()

# Benchmarks measure the optimised engine; a sanitizer build would only time the sanitizer.
if(ORVA_SANITIZE OR ORVA_FUZZ)
  set(_orva_bench_default OFF)
else()
  set(_orva_bench_default ON)
endif()
option(ORVA_BUILD_BENCH "Build the benchmark programs" ${_orva_bench_default})

add_compile_options(-Wall -Wextra)
# The memory pools hand blocks back through the sized ::operator delete, which clang leaves
# out unless asked.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fsized-deallocation>)
endif()
if(ORVA_WERROR)
  add_compile_options(-Werror)
endif()

if(ORVA_SANITIZE STREQUAL "address" OR ORVA_SANITIZE STREQUAL "ON")
  set(ORVA_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_compile_definitions(ORVA_ASAN=1)
elseif(ORVA_SANITIZE STREQUAL "thread")
  set(ORVA_SANITIZE_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
  add_compile_definitions(ORVA_TSAN=1)
elseif(ORVA_SANITIZE)
  message(FATAL_ERROR "ORVA_SANITIZE must be empty, 'address' or 'thread', not '${ORVA_SANITIZE}'")
endif()
if(ORVA_SANITIZE_FLAGS)
  add_compile_options(${ORVA_SANITIZE_FLAGS})
  add_link_options(${ORVA_SANITIZE_FLAGS})
endif()
