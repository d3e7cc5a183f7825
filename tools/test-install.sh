#!/usr/bin/env bash
# Installs Bildheber the way users get it and tries it as a new user would (run as root, after
# tools/test.sh has built build/):
#   1. `cmake --install` into a staging folder: exactly the programs, desktop entry, icon,
#      AppStream data, manual pages and package documents; the desktop entry and the AppStream
#      file pass their validators.
#   2. An unprivileged user, made for the test, uploads the samples with the staged bildheber-cli
#      to the local image host: the log lands in that user's state folder, nothing beside the
#      program, no error.
#   3. `cpack -G DEB`: lintian finds no error; apt-get installs the package; the installed
#      bildheber-cli uploads as that user and the installed window starts; the package is removed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null

user=bildheber-probe
scratch=$(mktemp -d)
chmod 755 "$scratch"
source tools/imghost/start.sh
cleanup() {
  kill "${image_host_pid:-}" 2>/dev/null || true
  if id "$user" >/dev/null 2>&1; then userdel --remove "$user" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "test-install: $*" >&2; exit 1; }

# 1. The staged installation.
stage=$scratch/stage
DESTDIR=$stage cmake --install build --prefix /usr >/dev/null
expected="usr/bin/bildheber
usr/bin/bildheber-cli
usr/share/applications/example.korvan.Bildheber.desktop
usr/share/doc/bildheber/changelog.gz
usr/share/doc/bildheber/copyright
usr/share/icons/hicolor/scalable/apps/bildheber.svg
usr/share/man/man1/bildheber-cli.1.gz
usr/share/man/man1/bildheber.1.gz
usr/share/metainfo/example.korvan.Bildheber.metainfo.xml"
installed=$(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || fail "installed files differ:"$'\n'"$installed"
desktop-file-validate "$stage/usr/share/applications/example.korvan.Bildheber.desktop"
appstreamcli validate --no-net "$stage/usr/share/metainfo/example.korvan.Bildheber.metainfo.xml"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/bildheber.1.gz" \
  "$stage/usr/share/man/man1/bildheber-cli.1.gz" >/dev/null

# 2. A new user runs the staged program.
useradd --create-home --home-dir "$scratch/home" --shell /bin/sh "$user"
pictures=$scratch/pictures
mkdir "$pictures" && cp samples/*.jpg "$pictures" && chmod -R a+rX "$pictures"
start_image_host "$scratch/imghost" "$scratch/imghost.log"
chmod -R a+rX "$scratch/imghost"
as_user() {
  runuser -u "$user" -- env -i HOME="$scratch/home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    SSL_CERT_FILE="$scratch/imghost/localhost-cert.pem" \
    BILDHEBER_SERVER="localhost:$image_host_port" "$@"
}
check_upload() {  # check_upload PROGRAM: three codes, no error, the log in the state folder
  local program=$1 out err log
  out=$scratch/codes.txt err=$scratch/status.txt
  log=$scratch/home/.local/state/bildheber/bildheber-cli_log.txt
  rm -f "$log"
  as_user "$program" "$pictures"/*.jpg >"$out" 2>"$err" || { cat "$err" >&2; fail "$program failed"; }
  [ "$(grep -c '^\[URL=https://localhost:.*\[/URL\]'$'\r''$' "$out")" -eq 3 ] || fail "not three codes"
  ! grep -q -i -e fehler -e error "$err" || { cat "$err" >&2; fail "$program showed an error"; }
  [ "$(grep -c ': Upload File ' "$log")" -eq 3 ] || fail "no log of three uploads in $log"
}
check_upload "$stage/usr/bin/bildheber-cli"
[ "$(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)" = "$expected" ] ||
  fail "a file was written beside the installed program"
echo "test-install: the staged bildheber-cli uploaded as $user; log in its state folder"

# 3. The package.
(cd build && rm -f bildheber_*.deb && cpack -G DEB >/dev/null)
package=$(ls build/bildheber_*.deb)
lintian_ok=yes
lintian --fail-on error --display-info --pedantic "$package" >"$scratch/lintian.txt" 2>&1 || lintian_ok=
grep -v 'running with root privileges' "$scratch/lintian.txt" || true
[ -n "$lintian_ok" ] || fail "lintian reports errors"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$package" >/dev/null 2>&1 || fail "apt-get cannot install $package"
trap 'apt-get remove -y -qq bildheber >/dev/null || true; cleanup' EXIT
[ "$(bildheber-cli --version)" = "bildheber-cli 3.2" ] || fail "installed --version"
check_upload /usr/bin/bildheber-cli
status=0
as_user env QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/bildheber >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "the installed window did not keep running (status $status)"
[ -f "$scratch/home/.local/state/bildheber/bildheber_log.txt" ] ||
  fail "the installed window made no log in the user's state folder"
! ls /usr/bin/bildheber*_* 2>/dev/null || fail "a file was written beside /usr/bin/bildheber"
echo "test-install: $package passes lintian, installs, uploads and opens its window"
