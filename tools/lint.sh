#!/usr/bin/env bash
# The project's static checks; any finding fails:
#  - clang-format (.clang-format) over every tracked C++ file;
#  - clang-tidy (.clang-tidy) over src/ and app/, with the compile commands of a configured build
#    folder (default build/, as tools/test.sh leaves it).
#   tools/lint.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "lint: clang-format finds nothing to change"

if ! [ -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing; configure the build first" >&2
  exit 2
fi
find src app -name '*.cpp' -print0 | sort -z |
  xargs -0 -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "lint: clang-tidy has no findings in src/ and app/"
