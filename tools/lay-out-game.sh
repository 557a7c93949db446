#!/usr/bin/env bash
# Lays a game out from its readable sources into a folder Executable runs from:
#
#   tools/lay-out-game.sh SOURCES GAME
#
# SOURCES/bin/ and SOURCES/resources/ go to GAME/bin/ and GAME/resources/: stages (*.stg),
# scripts (*.lua) and shader sources (*.vert, *.frag, *.glsl) stored scrambled as the engine
# reads them, every other file copied as it is; the engine's Executable goes into GAME/bin/.
# Run it again after each change: it overwrites what it laid out before and removes nothing,
# so what the game wrote itself stays. ORVA_BUILD names the engine's build folder (by default
# build/ beside this tools/ folder).
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: tools/lay-out-game.sh SOURCES GAME" >&2
  exit 2
fi
sources=$1
game=$2
engine_build=${ORVA_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build}

for program in Executable scramble; do
  if [[ ! -x $engine_build/bin/$program ]]; then
    echo "lay-out-game: no $engine_build/bin/$program: build it first," \
      "cmake --build $engine_build --target Executable scramble" >&2
    exit 1
  fi
done
if [[ ! -f $sources/bin/config.ini || ! -d $sources/resources ]]; then
  echo "lay-out-game: $sources holds no bin/config.ini and resources/ folder to lay out" >&2
  exit 1
fi

mkdir -p "$game/bin" "$game/resources"
# Replaced, not written into: a copy still running keeps its own file.
cp --remove-destination "$engine_build/bin/Executable" "$game/bin/"
(cd "$sources" && find bin resources -type f -print0) | while IFS= read -r -d '' file; do
  mkdir -p "$game/$(dirname "$file")"
  case $file in
    *.stg | *.lua | *.vert | *.frag | *.glsl) "$engine_build/bin/scramble" enc "$sources/$file" "$game/$file" ;;
    *) cp "$sources/$file" "$game/$file" ;;
  esac
done
echo "lay-out-game: $game is laid out; run it from its bin/ folder: cd $game/bin && SDL_VIDEODRIVER=x11 ./Executable"
