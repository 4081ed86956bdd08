#!/usr/bin/env bash
# Builds the fuzz targets with clang into build/fuzz (or $CORVANE_FUZZ_BUILD_DIR), replays
# each target's seeds and regression inputs, then fuzzes it for a bounded time. Any crash,
# leak, undefined behaviour, time-out or memory blow-up fails the script; the input that caused
# it is left in build/fuzz/work/<target>/artifacts/ (keep it as tests/fuzz/<target>/regressions/).
#
#   scripts/run_fuzzers.sh [-t SECONDS] [TARGET...]    (default: 30 seconds, every target)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_FUZZ_BUILD_DIR:-$top/build/fuzz}
seconds=30
if [ "${1:-}" = "-t" ]; then
  seconds=$2
  shift 2
fi
wanted=("$@")

cxx=$(command -v clang++-14 || command -v clang++ || true)
cc=$(command -v clang-14 || command -v clang || true)
if [ -z "$cxx" ] || [ -z "$cc" ]; then
  echo "run_fuzzers: clang is not installed" >&2
  exit 2
fi
CC=$cc CXX=$cxx cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_targets >/dev/null

source "$top/scripts/sanitizer_env.sh"
# The targets write their files to the temporary folder: memory-backed when there is one.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/corvane-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

failed=()
while read -r name binary dir dict; do
  if [ ${#wanted[@]} -gt 0 ] && [[ " ${wanted[*]} " != *" $name "* ]]; then continue; fi
  work=$build/work/$name
  mkdir -p "$work/corpus" "$work/artifacts"
  log=$work/log
  corpora=("$work/corpus" "$dir/seeds")
  replay=("$dir"/seeds/*)
  if [ -d "$dir/regressions" ]; then
    corpora+=("$dir/regressions")
    replay+=("$dir"/regressions/*)
  fi
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$work/artifacts/")
  [ "$dict" != "-" ] && options+=(-dict="$dict")
  start=$SECONDS
  # Each committed input once, then the fuzzing run proper over the grown corpus.
  if "$binary" "${replay[@]}" >"$log" 2>&1 && "$binary" "${options[@]}" "${corpora[@]}" >>"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    printf '%-18s ok    %4ds  %s runs, %s\n' "$name" $((SECONDS - start)) "${runs:-?}" "${cov:-cov: ?}"
  else
    printf '%-18s FAIL  %4ds  (log: %s)\n' "$name" $((SECONDS - start)) "$log"
    grep -E 'ERROR|SUMMARY|check failed|runtime error|Test unit written' "$log" | head -20 | sed 's/^/    /'
    failed+=("$name")
  fi
done < "$build/tests/fuzz/fuzz_targets.txt"

if [ ${#failed[@]} -gt 0 ]; then
  echo "run_fuzzers: findings in: ${failed[*]}" >&2
  exit 1
fi
