#!/usr/bin/env bash
# Installs what the build needs, builds, and runs every test.
#   tools/test.sh             release build in build/
#   tools/test.sh --sanitize  the same tests under AddressSanitizer and UBSan, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
if [ "${1:-}" = "--sanitize" ]; then
  preset=asan
fi

bash tools/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
