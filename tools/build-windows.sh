#!/usr/bin/env bash
# Cross-builds the Windows programs on Debian 12 (run as root): installs mingw-w64 and Wine,
# builds the pinned Windows libraries once into their cache (tools/windows/build-deps.sh), then
# the project in build-windows/. Leaves build-windows/package/ (bildheber-cli.exe, needing only
# the DLLs Windows has) and build-windows/bildheber-windows.zip.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/windows/build-deps.sh >/dev/null
source "${BILDHEBER_WINDOWS_DEPS:-/var/cache/bildheber/windows-deps}/env.sh"

cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DBILDHEBER_WERROR=ON --no-warn-unused-cli >/dev/null
cmake --build build-windows

package=build-windows/package
rm -rf "$package" build-windows/bildheber-windows.zip
mkdir -p "$package"
for program in build-windows/app/*.exe; do
  x86_64-w64-mingw32-strip -o "$package/$(basename "$program")" "$program"
done
# Only system DLLs: a missing one would keep the program from starting on a user's machine.
for program in "$package"/*.exe; do
  imports=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $imports; do
    case $dll in
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | \
        comctl32.dll | comdlg32.dll | winmm.dll | ws2_32.dll | crypt32.dll | msvcrt.dll | \
        bcrypt.dll | api-ms-win-*) ;;
      *) echo "build-windows: $program needs $dll, which Windows does not have" >&2; exit 1 ;;
    esac
  done
done
(cd "$package" && cmake -E tar cf ../bildheber-windows.zip --format=zip -- *)
echo "build-windows: $package ($(ls "$package" | tr '\n' ' ')) and build-windows/bildheber-windows.zip"
