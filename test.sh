#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero when any test fails.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install_deps.sh"
# Warnings in our code fail the test build, so they never pile up.
"$top/scripts/build.sh" -DCORVANE_WERROR=ON
build=${CORVANE_BUILD_DIR:-$top/build}
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
