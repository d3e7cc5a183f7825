#!/usr/bin/env bash
# Starts the window under a virtual X server with the sample pictures queued and saves a
# screenshot of it. Usage: tools/screenshot.sh [OUTPUT.png] (default docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}

bash tools/install-deps.sh
if ! command -v Xvfb >/dev/null || ! command -v import >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends xvfb imagemagick x11-utils >/dev/null
fi
cmake --preset default >/dev/null
cmake --build --preset default --target bildheber >/dev/null

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
scratch=$(mktemp -d)
trap 'kill "$app" "$xvfb" 2>/dev/null || true; rm -rf "$scratch"' EXIT
sleep 1
# A copy of the program in a scratch folder keeps its log out of the build tree.
cp build/app/bildheber "$scratch/bildheber"
DISPLAY=$display "$scratch/bildheber" samples/*.jpg &
app=$!
for _ in $(seq 50); do
  DISPLAY=$display xwininfo -name Bildheber >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1.5
mkdir -p "$(dirname "$out")"
DISPLAY=$display import -window Bildheber "$out"
echo "saved $out"
