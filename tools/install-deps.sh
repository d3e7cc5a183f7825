#!/usr/bin/env bash
# Installs every Debian package that building, testing, fuzzing and benchmarking need.
# Run as root; safe to run again (apt-get skips what is already there).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev clang-format clang-tidy
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n
  libssl-dev openssl python3
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libcanberra-dev fonts-wine
  dpkg-dev lintian desktop-file-utils appstream man-db locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The tests also read dates and times as a German user has them.
german_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' ||
    localedef -i de_DE -c -f UTF-8 de_DE.UTF-8 2>/dev/null || true  # as root only
}
if [ ${#missing[@]} -eq 0 ]; then
  german_locale
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
german_locale
