#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) in build-fuzz/ and runs each one for SECONDS
# (default 30), starting from a scratch copy of its seed corpus fuzz/corpus/<target>/; fuzz_jpeg
# also gets camera-size photos, made for each run by make_jpeg_seeds.
# Prints one line per target with its executions; exits non-zero if any target crashed.
# Reproducers of crashes are kept in build-fuzz/artifacts/<target>/.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: tools/fuzz.sh [SECONDS]" >&2
  exit 2
fi

bash tools/install-deps.sh
cmake --preset fuzz >&2
cmake --build --preset fuzz >&2

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

summary=()
crashed=0
for fuzzer in build-fuzz/fuzz/fuzz_*; do
  if ! [ -f "$fuzzer" ] || ! [ -x "$fuzzer" ]; then
    continue
  fi
  name="$(basename "$fuzzer")"
  corpus="$scratch/$name"
  artifacts="build-fuzz/artifacts/$name"
  log="$scratch/$name.log"
  mkdir -p "$corpus" "$artifacts"
  if [ -d "fuzz/corpus/$name" ]; then
    cp -R "fuzz/corpus/$name/." "$corpus/"
  fi
  options=(-max_len=1048576)
  if [ "$name" = fuzz_jpeg ]; then
    # Photos of 6 to 24 megapixels, up to about 5 MB each: too big to commit. One execution of
    # such a photo costs as much as 30 of a small picture, so inputs are scheduled by their
    # execution time as well, which keeps most executions small; the length limit leaves room
    # for the photos' mutants to grow.
    build-fuzz/fuzz/make_jpeg_seeds "$corpus" camera
    options=(-max_len=16777216 -entropic_scale_per_exec_time=1)
  fi

  echo "== $name: ${seconds} s" >&2
  status=0
  "$fuzzer" "$corpus" -max_total_time="$seconds" "${options[@]}" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"

  if [ "$status" -eq 0 ]; then
    summary+=("$name: ${executions:-?} executions, no crash")
  else
    crashed=1
    tail -n 60 "$log" >&2
    summary+=("$name: CRASH (exit $status) after ${executions:-?} executions, see $artifacts/")
  fi
done

if [ ${#summary[@]} -eq 0 ]; then
  echo "fuzz: no targets found in build-fuzz/fuzz/" >&2
  exit 1
fi
printf '%s\n' "${summary[@]}"
exit "$crashed"
