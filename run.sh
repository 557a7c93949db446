#!/usr/bin/env bash
# Installs what is missing, builds the game program and the sample game, and runs the sample
# from its bin/ folder. With a display the game is played until its window is closed or its
# end screen is left; without one it runs under a virtual X server in demo mode, playing
# itself through every stage in about ten seconds of game time. Prints the game's exit code
# and where its Lua log and its play-data report are, and exits with that code.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target demo

# The Documents folder as the engine finds it (and makes when missing), to name the Lua log
# the game keeps below it.
documents=${XDG_DOCUMENTS_DIR:-}
if [[ -z "$documents" ]]; then
  documents=$(xdg-user-dir DOCUMENTS 2>/dev/null || true)
  # Without a user-dirs file it answers the home folder itself, which is no answer.
  [[ "${documents%/}" != "${HOME%/}" ]] || documents=""
fi
if [[ -z "$documents" && -n "${HOME:-}" ]]; then
  documents="$HOME/Documents"
fi
log_folder="$documents/Quorlin/Vaskerel"

started=$(mktemp)
trap 'rm -f "$started"' EXIT

# The renderer loads OpenGL through GLX, so SDL has to talk to an X server.
export SDL_VIDEODRIVER=x11
status=0
if [[ -n "${DISPLAY:-}" ]]; then
  (cd build/bin && ./Executable) || status=$?
else
  (cd build/bin && DEMO_AUTOPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" ./Executable) || status=$?
fi

echo "run.sh: the game ended with exit code $status"
log=$(find "$log_folder" -maxdepth 1 -name 'lua-log_*.txt' -newer "$started" -print 2>/dev/null | head -n 1 || true)
if [[ -n "$log" ]]; then
  echo "run.sh: Lua log: $log"
else
  echo "run.sh: this run left no Lua log in $log_folder"
fi
# The end screen writes the report into the working directory.
report="$PWD/build/bin/report.oad"
if [[ "$report" -nt "$started" ]]; then
  echo "run.sh: play-data report: $report"
else
  echo "run.sh: this run wrote no play-data report (the end screen was not left)"
fi
exit "$status"
