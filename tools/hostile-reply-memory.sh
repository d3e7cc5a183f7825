#!/usr/bin/env bash
# Peak memory of bildheber-cli when the image host answers with a hostile reply: an endless body,
# a Content-Length that claims the body limit but sends nothing, a body at the limit that decoding
# triples, the largest body taken in; an ordinary reply page as the baseline. Builds nothing: it
# uses an existing build folder.
#   tools/hostile-reply-memory.sh BUILD_DIR [LIMIT_MIB]
# LIMIT_MIB is the reply body limit the build has (ReplyLimits, default 1). Traffic stays on
# 127.0.0.1; each run ends within the program's exchange deadline.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [LIMIT_MIB]" >&2
  exit 2
fi
if [ ! -x "$1/app/bildheber-cli" ]; then
  echo "hostile-reply-memory: no $1/app/bildheber-cli; build the folder first" >&2
  exit 2
fi
cli="$(cd "$1" && pwd)/app/bildheber-cli"
limit="${2:-1}"
cd "$(dirname "$0")/.."

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The program writes its log beside itself; a copy keeps that log out of the build folder.
cp "$cli" "$work/bildheber-cli"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=127.0.0.1" \
  -addext "subjectAltName=IP:127.0.0.1" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null

# A narrow portrait stays that small when re-encoded, so the picture hardly adds to the peak.
{ printf 'P6\n16 768\n255\n'; head -c $((16 * 768 * 3)) /dev/zero | tr '\0' '\200'; } |
  cjpeg -quality 90 >"$work/narrow.jpg"

python3 tools/hostile-reply-memory.py "$work/bildheber-cli" "$work/narrow.jpg" \
  "$work/cert.pem" "$work/key.pem" --limit-mib "$limit"
