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

# A mirror in the middle of a sync serves an index of the wrong size, and
# apt-get update then fails for that one index. Try again after a pause; if
# it still fails, go on with the indexes that did arrive (indexes_partial=1)
# and let the next apt-get say whether anything is really missing.
indexes_partial=0
update_indexes() {
  local try
  for try in 1 2 3; do
    apt-get "$@" update -qq && return 0
    [ $try = 3 ] || sleep $((try * 20))
  done
  echo "setup: apt-get update failed three times; going on with the indexes there are" >&2
  indexes_partial=1
}

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
# of libdeflate, built below with the cross compilers. apt fetches it from a
# private list of source indexes and checks it against the signed archive.
sources="$(cd "$(dirname "$0")/.." && pwd)/build/sources"
if [ ! -f "$sources/libdeflate-1.14/libdeflate.h" ]; then
  echo "setup: fetching the source package of libdeflate"
  apt_dir="$sources/apt"
  mkdir -p "$apt_dir/lists/partial"
  # The source index comes from the mirror this machine's apt already uses.
  mirror=$({ grep -hE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
               awk '{for (i = 2; i <= NF; i++) if ($i ~ /^[a-z+]+:\/\//) { print $i; break }}'
             grep -hE '^[[:space:]]*URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}'
           } | grep -v -- '-security' | head -n 1 || true)
  [ -n "$mirror" ] || { echo "setup: no Debian mirror in the apt configuration" >&2; exit 1; }
  echo "deb-src $mirror bookworm main" >"$apt_dir/sources.list"
  apt_private=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
               -o Dir::State::Lists="$apt_dir/lists" -o APT::Sandbox::User=root)
  update_indexes "${apt_private[@]}"
  (cd "$sources" && apt-get "${apt_private[@]}" source --download-only -qq libdeflate=1.14-1 >/dev/null)
  tar -xzf "$sources/libdeflate_1.14.orig.tar.gz" -C "$sources"
fi
