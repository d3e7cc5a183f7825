#!/usr/bin/env bash
# The project's static checks; any finding fails:
#  - clang-format (.clang-format) over every tracked C++ file;
#  - clang-tidy (.clang-tidy) over what a configured build folder compiles of src/ and app/
#    (default build/, as tools/test.sh leaves it), and over the Windows build's own files when
#    build-windows/ is there.
#   tools/lint.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "lint: clang-format finds nothing to change"

# The files of src/ and app/ that a build folder compiles, from its compile commands.
sources_of() {
  python3 - "$1/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd() + os.sep
files = {os.path.normpath(os.path.join(entry["directory"], entry["file"]))
         for entry in json.load(open(sys.argv[1]))}
for file in sorted(files):
    if file.startswith(root + "src" + os.sep) or file.startswith(root + "app" + os.sep):
        print(file, end="\0")
PY
}

if ! [ -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing; configure the build first" >&2
  exit 2
fi
sources_of "$build" | xargs -0 -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "lint: clang-tidy has no findings in src/ and app/ ($build)"

# The Windows build, when there is one (tools/build-windows.sh): clang reads its files as the
# mingw-w64 compiler does, with that compiler's C++ library.
windows=build-windows
if [ -f "$windows/compile_commands.json" ]; then
  mingw_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
  cxx=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)/include/c++
  for folder in "$cxx" "$cxx/x86_64-w64-mingw32" "$cxx/backward"; do
    mingw_args+=("--extra-arg=-isystem$folder")
  done
  # Win32 hands handles and pointers over in integers (WPARAM, LPARAM, GWLP_USERDATA), so the
  # check against integer-to-pointer casts does not apply there.
  mingw_args+=(--checks=-performance-no-int-to-ptr)
  sources_of "$windows" | grep -zE '/(Windows[^/]*|win32/[^/]*|windows/[^/]*)\.cpp$' |
    xargs -0 -P "$(nproc)" -n 2 clang-tidy -p "$windows" --quiet "${mingw_args[@]}" 2>/dev/null
  echo "lint: clang-tidy has no findings in the Windows build's own files ($windows)"
fi
