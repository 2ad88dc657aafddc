#!/usr/bin/env bash
# Set-up, configure and build: scripts/build.sh [TARGET...] (everything when none is named).
# GORLAN_BUILD_DIR picks the build folder (default: build); Ninja and ccache are used when present.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${GORLAN_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh" >/dev/null

options=(-DCMAKE_BUILD_TYPE=Release)
if [ ! -f "$build_dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  options+=(-G Ninja)
fi
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Relative paths let clean clones share the compiler cache.
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

targets=()
[ $# -gt 0 ] && targets=(--target "$@")

cmake -S "$root" -B "$build_dir" "${options[@]}"
cmake --build "$build_dir" --parallel "${GORLAN_JOBS:-$(nproc)}" "${targets[@]}"
