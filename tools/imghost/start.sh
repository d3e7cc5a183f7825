# Sourced by the scripts that need the local image host: start_image_host DATA LOG [OPTION...]
# starts it on loopback with its pictures and certificate in DATA, waits until it listens, and
# sets image_host_pid and image_host_port. The caller stops it (kill "$image_host_pid").
# The host comes from the build folder "build", or from $image_host_build.
start_image_host() {
  local data=$1 log=$2
  shift 2
  "${image_host_build:-build}/tools/imghost/bildheber-imghost" --listen 127.0.0.1:0 --data "$data" "$@" >"$log" 2>&1 &
  image_host_pid=$!
  image_host_port=
  for _ in $(seq 100); do
    image_host_port=$(sed -n 's|^listening on https://127.0.0.1:\([0-9]*\)$|\1|p' "$log")
    [ -n "$image_host_port" ] && return 0
    kill -0 "$image_host_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the local image host did not start:" >&2
  cat "$log" >&2
  return 1
}
