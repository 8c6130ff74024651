#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

packages=(
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 wine64-tools libwine-dev
  libz-mingw-w64-dev googletest cmake ninja-build
  unzip zip p7zip-full libarchive-tools python3 time
  clang libclang-rt-14-dev
)
if [ "${WITH_BROWSER:-0}" = 1 ]; then
  packages+=(chromium nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

source "$(dirname "$0")/debian_source.sh"

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ] || [ $need_i386 = 1 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  [ $need_i386 = 1 ] && dpkg --add-architecture i386
  update_indexes
  install=(apt-get install -y -qq --no-install-recommends "${missing[@]}")
  if ! "${install[@]}" >/dev/null; then
    # Without the security index of one architecture, the two architectures'
    # candidates differ and the i386 libraries cannot match the amd64 ones.
    # The point release's versions are the same for both: take those.
    [ $indexes_partial = 1 ] || exit 1
    echo "setup: installing the point release's versions, as an index is missing" >&2
    "${install[@]}" -t bookworm >/dev/null
  fi
fi

# The deflate engine for whole files comes from Debian's own source package
# of libdeflate, built below with the cross compilers.
sources="$(cd "$(dirname "$0")/.." && pwd)/build/sources"
if [ ! -f "$sources/libdeflate-1.14/libdeflate.h" ]; then
  echo "setup: fetching the source package of libdeflate"
  debian_source "$sources" libdeflate=1.14-1
  tar -xzf "$sources/libdeflate_1.14.orig.tar.gz" -C "$sources"
fi
