#!/usr/bin/env bash
# Builds the benchmark in Release and runs it: resizeJpg on generated photo-like pictures next to
# the bare codec work, the full-picture way and ImageMagick, plus the peak memory of one resize.
#   tools/bench.sh [Google Benchmark options, e.g. --benchmark_filter=4000x3000]
# Without options each benchmark runs 5 times, interleaved with the others, and the summary uses
# the fastest run's CPU time.
# The build folder is build-bench; BUILD_DIR names another one.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-bench}"

bash tools/install-deps.sh
if ! dpkg-query -W -f='${Status}' imagemagick 2>/dev/null | grep -q 'install ok installed'; then
  if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends imagemagick
  else
    echo "bench: ImageMagick is missing (run as root to install it); its rows are skipped" >&2
  fi
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bildheber_bench
if [ $# -eq 0 ]; then
  set -- --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true
fi
"$build/bench/bildheber_bench" "$@"
