#!/usr/bin/env bash
# Sanitizer and fuzzing checks: scripts/check-sanitizers.sh [asan] [tsan] [fuzz]   (all three by default)
#   asan  build-asan: the whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer
#   tsan  build-tsan: the concurrency test under ThreadSanitizer
#   fuzz  build-fuzz: each libFuzzer target for GORLAN_FUZZ_SECONDS (60) from its seed corpus,
#         run on a scratch copy of the corpus; crash inputs land in build-fuzz/findings/
# Built with clang, without the plug-in formats, tools and benchmarks; one folder at a time.
# Any sanitizer report fails the run. GORLAN_BUILD_ROOT moves the build folders (default: the repository).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_root="${GORLAN_BUILD_ROOT:-$root}"
jobs="${GORLAN_JOBS:-$(nproc)}"
fuzz_seconds="${GORLAN_FUZZ_SECONDS:-60}"
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(asan tsan fuzz)

"$root/scripts/setup.sh" >/dev/null

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# A report printed by a process that still exits 0 must fail the run too.
report_pattern='ERROR: (Address|Leak|Thread|UndefinedBehavior)Sanitizer|WARNING: ThreadSanitizer|runtime error:|SUMMARY: (Address|Thread|UndefinedBehavior)Sanitizer'

configure() {
  local dir="$1" sanitize="$2" tests="$3"
  local args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
              -DCMAKE_BUILD_TYPE=RelWithDebInfo
              "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
              "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
              "-DGORLAN_SANITIZE=$sanitize" -DGORLAN_BUILD_TESTS="$tests"
              -DGORLAN_BUILD_PLUGIN=OFF -DGORLAN_BUILD_TOOLS=OFF -DGORLAN_BUILD_BENCHMARKS=OFF)
  if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null; then
    args+=(-G Ninja)
  fi
  if command -v ccache >/dev/null; then
    args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  fi
  cmake -S "$root" -B "$dir" "${args[@]}" >/dev/null
}

# Runs a command for at most the given seconds with its output kept in a log; fails on a
# non-zero exit, on running out of time or on any sanitizer report.
run_checked() {
  local log="$1" seconds="$2"; shift 2
  local status=0
  timeout --kill-after=30 "$seconds" "$@" 2>&1 | tee "$log" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "FAILED ($status): $* (log: $log)" >&2
    return 1
  fi
  if grep -Eq "$report_pattern" "$log"; then
    echo "FAILED: sanitizer report in $log" >&2
    return 1
  fi
}

check_asan() {
  local dir="$build_root/build-asan"
  configure "$dir" "address,undefined" ON || return 1
  cmake --build "$dir" -j "$jobs" --target gorlan_tests || return 1
  run_checked "$dir/asan-tests.log" 1800 "$dir/tests/gorlan_tests" --gtest_brief=1
}

check_tsan() {
  local dir="$build_root/build-tsan"
  configure "$dir" "thread" ON || return 1
  cmake --build "$dir" -j "$jobs" --target gorlan_tests || return 1
  run_checked "$dir/tsan-tests.log" 600 "$dir/tests/gorlan_tests" --gtest_filter='Concurrency*'
}

# Every fuzzer runs even when an earlier one found something.
check_fuzz() {
  local dir="$build_root/build-fuzz" target scratch options failed=0
  configure "$dir" "fuzzer,address,undefined" OFF || return 1
  cmake --build "$dir" -j "$jobs" --target gorlan_fuzzers || return 1
  mkdir -p "$dir/findings"
  for target in state blocks; do
    scratch="$(mktemp -d)"
    cp "$root/fuzz/corpus/$target/"* "$scratch/"
    options=(-max_total_time="$fuzz_seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1
             -artifact_prefix="$dir/findings/$target-")
    [ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
    run_checked "$dir/fuzz-$target.log" $((fuzz_seconds + 300)) "$dir/fuzz/gorlan_fuzz_$target" "$scratch" "${options[@]}" || failed=1
    rm -rf "$scratch"
  done
  return "$failed"
}

summary=() failures=()
for stage in "${stages[@]}"; do
  case "$stage" in
    asan|tsan|fuzz) ;;
    *) echo "unknown stage '$stage' (asan, tsan or fuzz)" >&2; exit 2 ;;
  esac
done
for stage in "${stages[@]}"; do
  start=$SECONDS
  echo "== $stage"
  if "check_$stage"; then
    summary+=("$stage passed in $((SECONDS - start)) s")
  else
    summary+=("$stage FAILED after $((SECONDS - start)) s")
    failures+=("$stage")
  fi
done
printf '== %s\n' "${summary[@]}"
[ ${#failures[@]} -eq 0 ]
