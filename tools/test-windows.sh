#!/usr/bin/env bash
# Tests the Windows build under wine64 (run as root, after tools/build-windows.sh):
#   1. the cross-built tests, through CTest with Wine as the emulator;
#   2. bildheber-cli.exe and the Linux bildheber-cli upload the same photos (Unicode names
#      included) to the local image host: every request body is the same byte for byte, apart
#      from the time in the multipart boundary;
#   3. bildheber.exe, started with two photos, uploads them on a click of "Hochladen": its log
#      beside it has both, and the clipboard holds both codes.
set -euo pipefail
cd "$(dirname "$0")/.."

source "${BILDHEBER_WINDOWS_DEPS:-/var/cache/bildheber/windows-deps}/env.sh"
wine=/usr/lib/wine/wine64
[ -x build-windows/package/bildheber-cli.exe ] || { echo "test-windows: run tools/build-windows.sh first" >&2; exit 1; }
[ -x build/app/bildheber-cli ] || cmake --build --preset default --target bildheber-cli bildheber-imghost >/dev/null

scratch=$(mktemp -d)
source tools/imghost/start.sh
trap 'kill "${image_host_pid:-}" "${xvfb:-}" 2>/dev/null || true; [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"' EXIT

# Windows need a display even under Wine: a virtual X server of our own; xdotool clicks, xclip
# reads the clipboard Wine shares with X.
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null || ! command -v xclip >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb xdotool xclip >/dev/null
fi
for number in $(seq 70 99); do
  [ -e "/tmp/.X$number-lock" ] || break
done
Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$number"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done

if [ -f build-windows/CTestTestfile.cmake ]; then
  ctest --test-dir build-windows --output-on-failure -j "$(nproc)" --timeout 120
fi
fail() { echo "test-windows: $*" >&2; exit 1; }

photos=$scratch/photos
mkdir "$photos"
cp samples/*.jpg "$photos"
cp samples/Fliesen.jpg "$photos/Ωmega.jpg"
cp samples/Leuchtturm.jpg "$photos/Über die Brücke.jpg"

# upload NAME PROGRAM...: uploads the photos with the program to a host of its own, whose kept
# request bodies land in $scratch/NAME.
upload() {
  local name=$1
  shift
  start_image_host "$scratch/$name-host" "$scratch/$name-host.log" --keep-bodies
  SSL_CERT_FILE=$scratch/$name-host/localhost-cert.pem BILDHEBER_SERVER=localhost:$image_host_port \
    "$@" >"$scratch/$name.codes" 2>"$scratch/$name.status" || {
      cat "$scratch/$name.status" >&2
      fail "$name: the upload failed"
    }
  kill "$image_host_pid"
  wait "$image_host_pid" 2>/dev/null || true
}
linux_files=("$photos"/*.jpg)
windows_files=()
for file in "${linux_files[@]}"; do windows_files+=("$("$wine" winepath -w "$file" 2>/dev/null)"); done
upload linux build/app/bildheber-cli "${linux_files[@]}"
cp build-windows/package/bildheber-cli.exe "$scratch/"
upload windows "$wine" "$scratch/bildheber-cli.exe" "${windows_files[@]}"

python3 - "$scratch" "${#linux_files[@]}" <<'PY'
import pathlib, re, sys
scratch, count = pathlib.Path(sys.argv[1]), int(sys.argv[2])
def bodies(name):
    files = sorted((scratch / f"{name}-host" / "pictures").glob("*.body"),
                   key=lambda path: int(path.stem.split("-")[2]))  # the host's upload counter
    return [re.sub(rb"--------\d{15}", b"--------<time>", path.read_bytes()) for path in files]
linux, windows = bodies("linux"), bodies("windows")
if len(linux) != count or len(windows) != count:
    sys.exit(f"test-windows: {len(linux)} Linux and {len(windows)} Windows uploads, not {count}")
for number, (a, b) in enumerate(zip(linux, windows), 1):
    if a != b:
        at = next(i for i in range(min(len(a), len(b))) if a[i] != b[i]) if a[:len(b)] != b[:len(a)] else min(len(a), len(b))
        sys.exit(f"test-windows: upload {number} differs at byte {at}: {a[at:at+60]!r} / {b[at:at+60]!r}")
print(f"test-windows: {count} request bodies from bildheber-cli.exe are the Linux build's, byte for byte")
PY

# 3. The window.
window_dir=$scratch/window
mkdir "$window_dir"
cp build-windows/package/bildheber.exe samples/Fliesen.jpg samples/Leuchtturm.jpg "$window_dir/"
start_image_host "$scratch/window-host" "$scratch/window-host.log"
(cd "$window_dir" &&
  SSL_CERT_FILE=$scratch/window-host/localhost-cert.pem BILDHEBER_SERVER=localhost:$image_host_port \
    "$wine" bildheber.exe "$("$wine" winepath -w "$window_dir/Fliesen.jpg" 2>/dev/null)" \
    "$("$wine" winepath -w "$window_dir/Leuchtturm.jpg" 2>/dev/null)" >"$scratch/window.out" 2>&1) &
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^Bildheber$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || fail "the window did not appear"
sleep 1
# "Hochladen": the X window is the client area below the menu bar's 19 pixels.
xdotool mousemove --window "$window" 76 57 click 1
log=$window_dir/bildheber_log.txt
for _ in $(seq 150); do
  [ "$(grep -c ': Upload File ' "$log" 2>/dev/null)" = 2 ] && break
  sleep 0.2
done
[ "$(grep -c ': Upload File ' "$log" 2>/dev/null)" = 2 ] || fail "the window's log has not both uploads"
clipboard=$(xclip -o -selection clipboard 2>/dev/null || true)
[ "$(grep -c '^\[URL=https://localhost:[0-9]*/imghost/p/.*\[/URL\]$' <<<"$clipboard")" = 2 ] ||
  fail "the clipboard does not hold both codes: $clipboard"
/usr/lib/wine/wineserver64 -k 2>/dev/null || true  # the window and Wine with it
echo "test-windows: bildheber.exe uploaded two photos on a click of \"Hochladen\"; both codes on the clipboard"
