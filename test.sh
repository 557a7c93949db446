#!/usr/bin/env bash
# Installs what is missing, checks that every source is formatted, then builds and runs
# every test: a normal build, then an ASan+UBSan build. Tests labelled "display" run under a
# virtual X server. Then the tests with a second thread (labels "loader" and "audio_threads")
# run in a ThreadSanitizer build that compiles just what they need. Last, clang builds the file
# loaders' fuzz targets and runs each for 30 seconds.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

echo "== format"
./tools/check-format.sh

jobs=$(nproc)

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DORVA_WERROR=ON "$@"
  cmake --build "$dir" -j "$jobs"
}

run_tests() {
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure -j "$jobs" -LE display "$@")
  (cd "$dir" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j "$jobs" -L display "$@")
}

echo "== normal build"
configure_and_build build
run_tests build

echo "== ASan+UBSan build"
configure_and_build build-asan -DORVA_SANITIZE=address
run_tests build-asan

echo "== ThreadSanitizer build (loader)"
cmake -S . -B build-tsan -G Ninja -DORVA_WERROR=ON -DORVA_SANITIZE=thread
cmake --build build-tsan -j "$jobs" --target loader_tests
(cd build-tsan && ctest --output-on-failure -j "$jobs" -L loader)
# The sound system's calls racing its mixing thread (SDL's dummy audio driver).
cmake --build build-tsan -j "$jobs" --target sound_thread_tests
(cd build-tsan && ctest --output-on-failure -j "$jobs" -L audio_threads)

echo "== fuzz (clang 14)"
# Every file loader's fuzz target for 30 seconds from its seeds, all at once; any crash, leak,
# timeout or sanitizer report fails its test (tests/fuzz/CMakeLists.txt).
configure_and_build build-fuzz -DORVA_FUZZ=ON
(cd build-fuzz && ctest --output-on-failure -j 10 -L fuzz)

echo "== all tests passed"
