#!/usr/bin/env bash
# Builds everything and runs the whole test suite, then the same suite under AddressSanitizer
# and UndefinedBehaviorSanitizer, the concurrency test under ThreadSanitizer and the fuzzers.
# GORLAN_SKIP_SANITIZERS=1 runs the plain suite only.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${GORLAN_BUILD_DIR:-$root/build}"

GORLAN_BUILD_DIR="$build_dir" "$root/scripts/build.sh"
ctest --test-dir "$build_dir" --output-on-failure -j "${GORLAN_JOBS:-$(nproc)}"

if [ "${GORLAN_SKIP_SANITIZERS:-0}" != 1 ]; then
  "$root/scripts/check-sanitizers.sh"
fi
