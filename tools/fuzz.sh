#!/usr/bin/env bash
# Fuzzes the file loaders for longer than CI does:
#
#   tools/fuzz.sh SECONDS [TARGET]
#
# Builds the fuzz configuration (build-fuzz, clang 14), then runs TARGET, or every target one
# after the other, for SECONDS in FUZZ_JOBS parallel jobs (default: half the cores). Each
# target keeps its corpus and findings in build-fuzz/fuzz-runs/<target>/, so a later run goes
# on from where this one stopped; the script prints where they are and each job's last figures.
# A finding fails the run: its input is in findings/, and the job's log says what happened.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 1 || $# -gt 2 || ! $1 =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh SECONDS [TARGET]" >&2
  exit 2
fi
seconds=$1
jobs=${FUZZ_JOBS:-$(( ($(nproc) + 1) / 2 ))}
build=build-fuzz
root=$PWD/$build

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja -DORVA_FUZZ=ON -DORVA_WERROR=ON "${launcher[@]}" >/dev/null

# Each target's flags are written by the build next to its seeds (tests/fuzz/CMakeLists.txt).
targets=()
for options in "$build"/tests/fuzz/*.options; do
  targets+=("$(basename "$options" .options)")
done
if [[ $# -eq 2 ]]; then
  if [[ ! -f $build/tests/fuzz/$2.options ]]; then
    echo "fuzz.sh: no target '$2'; the targets are: ${targets[*]}" >&2
    exit 2
  fi
  targets=("$2")
fi
cmake --build "$build" --target "${targets[@]/#/fuzz_}"
# llvm-14 installs its symbolizer under a versioned name, which the sanitizers do not look for.
if [[ -z ${ASAN_SYMBOLIZER_PATH:-} ]] && command -v llvm-symbolizer-14 >/dev/null; then
  export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14)
fi

failed=()
for target in "${targets[@]}"; do
  run=$root/fuzz-runs/$target
  mkdir -p "$run/corpus" "$run/findings" "$run/logs"
  rm -f "$run"/logs/fuzz-*.log
  mapfile -t options < "$build/tests/fuzz/$target.options"
  echo "== $target: $seconds s in $jobs jobs"
  status=0
  (cd "$run/logs" && "$root/bin/fuzz_$target" -max_total_time="$seconds" -jobs="$jobs" -workers="$jobs" \
     "${options[@]}" -print_final_stats=1 -artifact_prefix="$run/findings/" \
     "$run/corpus" "$root/tests/fuzz/seeds/$target" >/dev/null 2>&1) || status=$?
  for log in "$run"/logs/fuzz-*.log; do
    echo "   $(basename "$log"): $(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE)' "$log" | tail -1)"
  done
  echo "   corpus:   $run/corpus ($(find "$run/corpus" -type f | wc -l) inputs)"
  echo "   findings: $run/findings ($(find "$run/findings" -type f | wc -l) inputs)"
  echo "   logs:     $run/logs"
  if [[ $status -ne 0 ]] || grep -qE '^(==[0-9]+== ?ERROR|SUMMARY)' "$run"/logs/fuzz-*.log; then
    failed+=("$target")
  fi
done

if [[ ${#failed[@]} -ne 0 ]]; then
  echo "fuzz.sh: findings in: ${failed[*]}" >&2
  exit 1
fi
