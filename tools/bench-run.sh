#!/usr/bin/env bash
# The whole upload run: bildheber-cli uploads a batch of photos to the local image host, which
# waits a fixed time before each answer, next to the same work strictly one after the other
# (each photo re-encoded, then sent). Reports the wall times, their ratio and the peak memory.
#   tools/bench-run.sh [COUNT [DELAY_SECONDS [REPEATS]]]   (default 12 photos, 0.15 s, 3 repeats)
# The photos are 4000x3000, photo-like. The build folder is build-bench; BUILD_DIR names another.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-12}
delay=${2:-0.15}
repeats=${3:-3}
build="${BUILD_DIR:-build-bench}"

bash tools/install-deps.sh
if [ ! -x /usr/bin/time ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends time >/dev/null
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bildheber_run_bench bildheber-cli bildheber-imghost >/dev/null

scratch=$(mktemp -d)
image_host_build=$build
source tools/imghost/start.sh
trap 'kill "${image_host_pid:-}" 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir "$scratch/photos" "$scratch/program"
"$build/bench/bildheber_run_bench" photos "$scratch/photos" "$count"
photos=("$scratch"/photos/*.jpg)
# The CLI keeps its log beside itself: a copy in the scratch folder keeps it there.
cp "$build/app/bildheber-cli" "$scratch/program/"
start_image_host "$scratch/host" "$scratch/host.log" --reply-delay "$delay"
export SSL_CERT_FILE=$scratch/host/localhost-cert.pem BILDHEBER_SERVER=localhost:$image_host_port

# measure NAME COMMAND...: one timed run; appends "seconds peak-KiB" to $scratch/NAME.
measure() {
  local name=$1
  shift
  /usr/bin/time -f '%e %M' -o "$scratch/time" "$@" >/dev/null 2>"$scratch/stderr" || {
    cat "$scratch/stderr" >&2
    echo "bench-run: $name failed" >&2
    exit 1
  }
  cat "$scratch/time" >>"$scratch/$name"
}
for _ in $(seq "$repeats"); do  # interleaved, so that both see the same machine
  measure sequential "$build/bench/bildheber_run_bench" sequential "${photos[@]}"
  measure run "$scratch/program/bildheber-cli" "${photos[@]}"
done

# The median of the repeats.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
sequential=$(cut -d' ' -f1 "$scratch/sequential" | median)
run=$(cut -d' ' -f1 "$scratch/run" | median)
sequential_kib=$(cut -d' ' -f2 "$scratch/sequential" | median)
run_kib=$(cut -d' ' -f2 "$scratch/run" | median)
awk -v count="$count" -v delay="$delay" -v repeats="$repeats" \
  -v s="$sequential" -v r="$run" -v skib="$sequential_kib" -v rkib="$run_kib" 'BEGIN {
  printf "bench-run: %d photos 4000x3000, the host answers after %s s, median of %d runs\n",
    count, delay, repeats
  printf "  re-encode, then send, one after the other: %6.2f s, peak %6.1f MiB\n", s, skib / 1024
  printf "  bildheber-cli (the run):                   %6.2f s, peak %6.1f MiB\n", r, rkib / 1024
  printf "  run / sequential: %.2f\n", r / s
}'
