#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${GORLAN_BUILD_DIR:-$root/build}"

GORLAN_BUILD_DIR="$build_dir" "$root/scripts/build.sh"
ctest --test-dir "$build_dir" --output-on-failure -j "${GORLAN_JOBS:-$(nproc)}"
