#!/usr/bin/env bash
# Fails, naming each file, when a C++ source or header differs from what the repository's
# .clang-format makes of it. Fix with: clang-format-14 -i <file>
set -euo pipefail
cd "$(dirname "$0")/.."

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -co --exclude-standard '*.cpp' '*.h' |
    while read -r f; do [[ -f "$f" ]] && echo "$f"; done)
else
  mapfile -t files < <(find engine launcher tests tools bench samples -name '*.cpp' -o -name '*.h')
fi

# One clang-format per batch of files, the batches side by side; each difference is reported
# as "<file>:<line>:<col>: error: code should be clang-formatted".
report=$(printf '%s\0' "${files[@]}" |
  xargs -0 -P "$(nproc)" -n 40 clang-format-14 --dry-run --Werror 2>&1 >/dev/null || true)
mapfile -t unformatted < <(grep -oE '^[^:]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)

if [[ ${#unformatted[@]} -gt 0 ]]; then
  printf 'check-format: not formatted: %s\n' "${unformatted[@]}" >&2
  echo "check-format: run clang-format-14 -i on the files above" >&2
  exit 1
fi
if [[ -n "$report" ]]; then
  echo "$report" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
