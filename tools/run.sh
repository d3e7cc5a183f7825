#!/usr/bin/env bash
# Builds Bildheber, starts the bundled local image host on loopback and opens the window
# against it with the sample pictures queued: press "Hochladen", then paste the forum codes.
# Without a display (no DISPLAY or WAYLAND_DISPLAY) it uploads the samples with bildheber-cli
# instead, which prints their forum codes.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target bildheber bildheber-cli bildheber-imghost

data=build/imghost-data
source tools/imghost/start.sh
trap 'kill "${image_host_pid:-}" 2>/dev/null; wait "${image_host_pid:-}" 2>/dev/null || true' EXIT
start_image_host "$data" build/imghost.log
port=$image_host_port

echo "Local image host: https://localhost:$port (pictures in $data)" >&2
export SSL_CERT_FILE="$data/localhost-cert.pem" BILDHEBER_SERVER="localhost:$port"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/app/bildheber "$@" samples/*.jpg
else
  echo "No display: uploading the samples with bildheber-cli instead of the window." >&2
  build/app/bildheber-cli "$@" samples/*.jpg
fi
