# Build options shared by every target of the project.

option(ORVA_BUILD_TESTS "Build the test suites" ON)
option(ORVA_WERROR "Treat compiler warnings as errors" OFF)
set(ORVA_SANITIZE "" CACHE STRING "Sanitizer build: empty, 'address' (ASan+UBSan) or 'thread' (TSan)")
set_property(CACHE ORVA_SANITIZE PROPERTY STRINGS "" address thread)

# Benchmarks measure the optimised engine; a sanitizer build would only time the sanitizer.
if(ORVA_SANITIZE)
  set(_orva_bench_default OFF)
else()
  set(_orva_bench_default ON)
endif()
option(ORVA_BUILD_BENCH "Build the benchmark programs" ${_orva_bench_default})

add_compile_options(-Wall -Wextra)
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
