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
log=build/imghost.log
build/tools/imghost/bildheber-imghost --listen 127.0.0.1:0 --data "$data" >"$log" 2>&1 &
host=$!
trap 'kill "$host" 2>/dev/null; wait "$host" 2>/dev/null || true' EXIT

port=
for _ in $(seq 100); do
  port=$(sed -n 's|^listening on https://127.0.0.1:\([0-9]*\)$|\1|p' "$log")
  [ -n "$port" ] && break
  kill -0 "$host" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "run: the local image host did not start" >&2; cat "$log" >&2; exit 1; }

echo "Local image host: https://localhost:$port (pictures in $data)" >&2
export SSL_CERT_FILE="$data/localhost-cert.pem" BILDHEBER_SERVER="localhost:$port"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/app/bildheber "$@" samples/*.jpg
else
  echo "No display: uploading the samples with bildheber-cli instead of the window." >&2
  build/app/bildheber-cli "$@" samples/*.jpg
fi
