#!/usr/bin/env bash
# Set-up, configure and build: scripts/build.sh [BUILD_DIR] [extra CMake arguments...]
# Ninja and ccache are used when present; CMake re-runs only what changed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-${GORLAN_BUILD_DIR:-$root/build}}"
shift || true

"$root/scripts/setup.sh" >/dev/null

generator=()
if [ ! -f "$build_dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  generator=(-G Ninja)
fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  # Relative paths let clean clones share the compiler cache.
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

cmake -S "$root" -B "$build_dir" "${generator[@]}" "${launcher[@]}" "$@"
cmake --build "$build_dir" -j "${GORLAN_JOBS:-$(nproc)}"
