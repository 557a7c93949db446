#!/usr/bin/env bash
# Installs every Debian package the engine, its tests and the sample game need.
# Safe to run again: when everything is present it says so and does nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev
  liblua5.3-dev libtinyxml2-dev libglew-dev libsdl2-dev libfreetype-dev
  libsoil-dev libstb-dev libsndfile1-dev
  xvfb xauth libgl1-mesa-dri fonts-dejavu-core xdg-user-dirs valgrind
  clang-14 libclang-rt-14-dev llvm-14 clang-format-14
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
