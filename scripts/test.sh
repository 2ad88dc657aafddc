#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${GORLAN_BUILD_DIR:-$root/build}"

"$root/scripts/build.sh" "$build_dir"
ctest --test-dir "$build_dir" --output-on-failure -j "${GORLAN_JOBS:-$(nproc)}"
