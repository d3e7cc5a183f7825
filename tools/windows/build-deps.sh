#!/usr/bin/env bash
# Builds the static 64-bit Windows libraries that the mingw-w64 build links (libjpeg-turbo,
# OpenSSL, GoogleTest) from pinned Debian sources, and sets up the Wine prefix its tests run in.
#   sudo tools/windows/build-deps.sh     prints the install prefix on standard output
# Everything lives in ${BILDHEBER_WINDOWS_DEPS:-/var/cache/bildheber/windows-deps}; each library
# is built once per version (a stamp file says so), so a second run takes seconds.
# <cache>/env.sh holds the variables that running the Windows programs under Wine needs.
set -euo pipefail

# Debian bookworm's source packages: the same code and security fixes as the Linux build.
DEBIAN_SUITE=bookworm
OPENSSL_VERSION=3.0.17-1~deb12u2
LIBJPEG_TURBO_VERSION=1:2.1.5-2
TRIPLE=x86_64-w64-mingw32
# Raise when a build recipe below changes, so that kept caches build everything again.
RECIPE=2

here=$(cd "$(dirname "$0")" && pwd)
toolchain=$here/mingw-w64.cmake
cache=${BILDHEBER_WINDOWS_DEPS:-/var/cache/bildheber/windows-deps}
prefix=$cache/prefix
logs=$cache/logs
stamps=$cache/stamps
jobs=$(nproc)

say() { echo "build-deps: $*" >&2; }

# Output of each step goes to a log; on failure its tail is shown.
current_log=
show_failed_log() {
  local rc=$?
  if [ "$rc" -ne 0 ] && [ -n "$current_log" ]; then
    say "failed; last lines of $current_log:"
    tail -n 40 "$current_log" >&2
  fi
}
trap show_failed_log EXIT

quiet() { # quiet LOGNAME COMMAND...
  current_log=$logs/$1.log
  shift
  "$@" >>"$current_log" 2>&1
  current_log=
}

packages=(
  cmake ninja-build make perl nasm dpkg-dev googletest
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] && [ "$(id -u)" -ne 0 ]; then
  say "missing packages (${missing[*]}); run this script as root"
  exit 1
fi

mkdir -p "$cache" "$logs" "$stamps" "$prefix"
# CMake makes relative PATH values absolute against the working folder: keep that one ours.
cd "$cache"
# One run at a time: a second one waits, then finds the stamps.
exec 9>"$cache/.lock"
flock 9

if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  start=$SECONDS
  export DEBIAN_FRONTEND=noninteractive
  quiet apt apt-get update -q
  # wine64 recommends the 32-bit wine32, which needs the i386 architecture; 64-bit is enough.
  quiet apt apt-get install -y -q --no-install-recommends "${missing[@]}"
  say "packages installed ($((SECONDS - start)) s)"
fi

wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

# apt-get source with a deb-src list of our own, so the system's apt setup is left as it is.
apt_dir=$cache/apt
# A configuration folder of our own: its sources.list is the only one, sources.list.d is empty.
apt_opts=(
  -o "Dir::Etc=$apt_dir/etc"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
  # Our folders are root's; the _apt user could not write to them.
  -o "APT::Sandbox::User=root"
)
apt_lists_ready=
prepare_source_lists() {
  [ -n "$apt_lists_ready" ] && return 0
  mkdir -p "$apt_dir/etc/sources.list.d" "$apt_dir/lists/partial"
  local signed=
  [ -f /usr/share/keyrings/debian-archive-keyring.gpg ] &&
    signed='[signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] '
  # The mirrors this machine's apt already uses for the suites, so the pins resolve the same way.
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Target-Of: deb' |
    awk -v suite="$DEBIAN_SUITE" '$3 == "main" && ($2 == suite || $2 == suite "-updates" ||
      $2 == suite "-security") { print $1, $2 }' | sort -u |
    while read -r uri release; do
      echo "deb-src ${signed}$uri $release main"
    done >"$apt_dir/etc/sources.list"
  if [ ! -s "$apt_dir/etc/sources.list" ]; then
    {
      echo "deb-src ${signed}http://deb.debian.org/debian $DEBIAN_SUITE main"
      echo "deb-src ${signed}http://deb.debian.org/debian $DEBIAN_SUITE-updates main"
      echo "deb-src ${signed}http://deb.debian.org/debian-security $DEBIAN_SUITE-security main"
    } >"$apt_dir/etc/sources.list"
  fi
  quiet sources apt-get "${apt_opts[@]}" update -q
  apt_lists_ready=1
}

# Downloads a pinned source package once and unpacks it, Debian's patches applied, into $2.
unpack_source() { # unpack_source PACKAGE VERSION DESTINATION
  local pkg=$1 version=$2 dest=$3
  local dl=$cache/sources/${pkg}_${version#*:}
  if [ ! -f "$dl/.complete" ]; then
    say "downloading $pkg $version"
    local start=$SECONDS
    prepare_source_lists
    rm -rf "$dl"
    mkdir -p "$dl"
    quiet "$pkg-download" env -C "$dl" apt-get "${apt_opts[@]}" source -q --download-only "$pkg=$version"
    touch "$dl/.complete"
    say "$pkg downloaded ($((SECONDS - start)) s)"
  fi
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  quiet "$pkg-unpack" dpkg-source -x "$dl/${pkg}_${version#*:}.dsc" "$dest"
}

# The stamp's name carries the version: a new pin is built, an unchanged one skipped.
stamp_of() { echo "$stamps/$1-$2-r$RECIPE"; }

build_libjpeg_turbo() {
  local work=$cache/build/libjpeg-turbo
  local src=$work/src build=$work/build
  rm -rf "$work"
  unpack_source libjpeg-turbo "$LIBJPEG_TURBO_VERSION" "$src"
  # The libjpeg 6.2 API, as Debian's libjpeg62-turbo gives the Linux build; SIMD is required
  # so that a missing nasm fails here instead of quietly making a slow library.
  quiet libjpeg-turbo cmake -S "$src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBILDHEBER_WINDOWS_DEPS="$cache" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON \
    -DCMAKE_ASM_NASM_COMPILER=nasm
  quiet libjpeg-turbo cmake --build "$build" -j "$jobs"
  quiet libjpeg-turbo cmake --install "$build"
  rm -rf "$work"
}

build_openssl() {
  local work=$cache/build/openssl
  local src=$work/src
  rm -rf "$work"
  unpack_source openssl "$OPENSSL_VERSION" "$src"
  # CC=gcc-posix with the prefix makes x86_64-w64-mingw32-gcc-posix, the compiler the
  # rest of the build uses; ar, ranlib and windres come from the prefix as they are.
  # Security level 2 by default, as Debian builds it for the Linux program.
  quiet openssl env -C "$src" ./Configure mingw64 --cross-compile-prefix="$TRIPLE-" \
    CC=gcc-posix CXX=g++-posix no-shared no-tests -DOPENSSL_TLS_SECURITY_LEVEL=2 \
    --prefix="$prefix" --libdir=lib
  # The folders built into libcrypto, where it reads openssl.cnf (which can load any DLL) and
  # looks for engines and providers: on Windows those must be ones only administrators can
  # write to, as in OpenSSL's own Windows builds, not our Linux prefix (C:\var\cache\...).
  # Configure takes no Windows paths, so the build gets them; the install keeps the prefix.
  quiet openssl make -C "$src" -j "$jobs" build_sw \
    OPENSSLDIR="C:/Program Files/Common Files/SSL" \
    ENGINESDIR="C:/Program Files/OpenSSL/lib/engines-3" \
    MODULESDIR="C:/Program Files/OpenSSL/lib/ossl-modules"
  quiet openssl make -C "$src" install_sw
  rm -rf "$work"
}

build_googletest() {
  local build=$cache/build/googletest
  rm -rf "$build"
  quiet googletest cmake -S /usr/src/googletest -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DBILDHEBER_WINDOWS_DEPS="$cache" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  quiet googletest cmake --build "$build" -j "$jobs"
  quiet googletest cmake --install "$build"
  rm -rf "$build"
}

build_once() { # build_once NAME VERSION FUNCTION
  local name=$1 version=$2 fn=$3
  local stamp
  stamp=$(stamp_of "$name" "$version")
  [ -f "$stamp" ] && return 0
  say "building $name $version"
  local start=$SECONDS
  rm -f "$logs/$name.log"
  "$fn"
  "$TRIPLE-gcc-posix" --version | head -n 1 >"$stamp"
  say "$name built ($((SECONDS - start)) s)"
}

build_once libjpeg-turbo "$LIBJPEG_TURBO_VERSION" build_libjpeg_turbo
build_once openssl "$OPENSSL_VERSION" build_openssl
# GoogleTest is built from the sources Debian's googletest package installs.
build_once googletest "$(dpkg-query -W -f='${Version}' googletest)" build_googletest

# Wine makes its prefix on first use, which takes a while and, without these overrides, asks in
# a dialog to download Mono and Gecko; do it here once, with no display, so tests never wait.
wine_env=(
  WINEPREFIX="$cache/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
)
wine_version=$("$wine64" --version)
wine_stamp=$(stamp_of wine-prefix "${wine_version// /_}")
if [ ! -f "$wine_stamp" ]; then
  say "setting up the Wine prefix"
  start=$SECONDS
  rm -f "$logs/wine.log"
  quiet wine env -u DISPLAY -u WAYLAND_DISPLAY "${wine_env[@]}" "$wine64" wineboot --init
  # wineboot returns before the prefix is written; the server exits once all is done.
  quiet wine env "${wine_env[@]}" "$wineserver" -w
  touch "$wine_stamp"
  say "Wine prefix ready ($((SECONDS - start)) s)"
fi

# The source indexes are only needed to download; a new pin fetches them again.
[ -n "$apt_lists_ready" ] && rm -rf "$apt_dir/lists"

cat >"$cache/env.sh" <<EOF
# Written by tools/windows/build-deps.sh: source it to run the Windows build's programs with wine64.
export BILDHEBER_WINDOWS_DEPS='$cache'
export WINEPREFIX='$cache/wine'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
# Each program otherwise starts its own Wine server, about 2 s: for a whole test run, start one
# first with "$wineserver -p" and stop it afterwards with "$wineserver -k".
EOF

echo "$prefix"
