#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer into
# build/sanitize (or $CORVANE_SANITIZE_BUILD_DIR) and runs every test there. Any sanitizer
# report (memory error, leak, undefined behaviour) fails the test it happens in. Extra
# arguments go to ctest (for example -R Config).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_SANITIZE_BUILD_DIR:-$top/build/sanitize}
source "$top/scripts/sanitizer_env.sh"
# Test discovery runs the instrumented test programs during the build, so the options above
# already apply there.
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
# Slow integration tests (label "slow": Xvfb, Wine, database clusters) run in the plain suite only.
ctest --output-on-failure -j "$(nproc)" --timeout 600 -LE slow "$@"
