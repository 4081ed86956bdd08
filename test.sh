#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, then each fuzz target for a
# bounded time (when clang is installed), then the whole suite again built with
# AddressSanitizer and UndefinedBehaviorSanitizer. Every stage runs; the script exits non-zero
# when any of them failed.
#
#   ./test.sh           everything (what CI runs)
#   ./test.sh --quick   the suite only
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
quick=0
case "${1:-}" in
  "") ;;
  --quick) quick=1 ;;
  *) echo "usage: ./test.sh [--quick]" >&2; exit 2 ;;
esac

"$top/scripts/install_deps.sh"
build=${CORVANE_BUILD_DIR:-$top/build}
failed=()
# stage NAME COMMAND...: runs and times one stage, remembering a failure.
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  if "$@"; then
    echo "== $name: passed in $((SECONDS - start)) s"
  else
    echo "== $name: FAILED in $((SECONDS - start)) s"
    failed+=("$name")
  fi
}

start=$SECONDS
# Warnings in our code fail the test build, so they never pile up.
"$top/scripts/build.sh" -DCORVANE_WERROR=ON
echo "== build: $((SECONDS - start)) s"
stage tests bash -c 'cd "$1" && ctest --output-on-failure -j "$(nproc)" --timeout 300' - "$build"

if [ $quick -eq 0 ]; then
  if command -v clang++-14 >/dev/null || command -v clang++ >/dev/null; then
    stage fuzz env CORVANE_FUZZ_BUILD_DIR="$build/fuzz" "$top/scripts/run_fuzzers.sh" \
      -t "${CORVANE_FUZZ_SECONDS:-30}"
  else
    echo "== fuzz: skipped, clang is not installed"
  fi
  stage sanitize env CORVANE_SANITIZE_BUILD_DIR="$build/sanitize" "$top/scripts/sanitize_tests.sh"
fi

echo "== total: $((SECONDS - start)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}" >&2
  exit 1
fi
