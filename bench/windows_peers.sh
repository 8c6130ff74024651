#!/usr/bin/env bash
# Builds the Windows peers the benchmark runs under Wine beside lspzip, so
# that both sides pay the same for Wine: Info-ZIP zip (build/peers/zip.exe)
# and 7-Zip's console (build/peers/7za.exe), x64, from Debian bookworm's
# source packages with the cross compilers the library is built with.
# Returns at once when both are there; delete build/peers to build again.
#   bench/windows_peers.sh
set -euo pipefail
cd "$(dirname "$0")/.."
sources=$PWD/build/sources
peers=$PWD/build/peers
[ -f "$peers/zip.exe" ] && [ -f "$peers/7za.exe" ] && exit 0

source tools/debian_source.sh
cross=x86_64-w64-mingw32
mkdir -p "$sources" "$peers"

# unpack TARBALL FOLDER: into build/sources/FOLDER, without the tarball's
# own top folder (7-Zip's is named after a commit).
unpack() {
  rm -rf "${sources:?}/$2"
  mkdir -p "$sources/$2"
  tar -xf "$sources/$1" -C "$sources/$2" --strip-components=1
}

# make_logged LOG MAKE-ARGUMENT...: the compilers' output goes to LOG and
# only its end is shown, when the build fails.
make_logged() {
  local log=$1
  shift
  if ! make -j"$(nproc)" "$@" >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "windows_peers: the build failed, see $log" >&2
    exit 1
  fi
}

if [ ! -f "$peers/zip.exe" ]; then
  if [ ! -f "$sources/zip-3.0/win32/makefile.gcc" ]; then
    echo "windows_peers: fetching the source package of zip"
    # The build takes Info-ZIP's release as it is, so a mirror that lacks the
    # Debian part of the package (its patches) will do.
    if ! debian_source "$sources" zip=3.0-13; then
      [ -f "$sources/zip_3.0.orig.tar.gz" ] || exit 1
      echo "windows_peers: going on with zip's upstream tarball, which arrived" >&2
    fi
    unpack zip_3.0.orig.tar.gz zip-3.0
  fi
  echo "windows_peers: building zip.exe"
  # win32/makefile.gcc builds in the source folder: a copy keeps it clean.
  rm -rf "$peers/zip-build"
  cp -r "$sources/zip-3.0" "$peers/zip-build"
  # The assembler versions of the match and CRC loops are 32-bit: the object
  # lists are emptied and NO_ASM takes the C ones. zip.h defines CR, a name
  # the Windows headers use as an identifier; with windows.h read first the
  # macro comes after them.
  make_logged "$peers/zip.log" -C "$peers/zip-build" -f win32/makefile.gcc zip.exe \
    CC=$cross-gcc-posix RC=$cross-windres LOCAL_ZIP="-DNO_ASM -include windows.h" OBJA= CRCA_O= CRCAUO=
  cp "$peers/zip-build/zip.exe" "$peers/zip.exe"
fi

if [ ! -f "$peers/7za.exe" ]; then
  sevenzip=7zip-26.01
  if [ ! -f "$sources/$sevenzip/CPP/7zip/cmpl_gcc.mak" ]; then
    echo "windows_peers: fetching the source package of 7zip"
    debian_source "$sources" 7zip=22.01+really26.01+dfsg-0+deb12u1
    unpack 7zip_22.01+really26.01+dfsg.orig.tar.xz $sevenzip
  fi
  echo "windows_peers: building 7za.exe"
  # The makefiles know a MinGW build by the SystemDrive variable of a Windows
  # host, so IS_MINGW says it here; MSYSTEM makes them use rm and mkdir -p.
  # The assembler versions need asmc, which Debian does not ship: USE_ASM is
  # empty and the C versions are built. The objects go to build/peers.
  make_logged "$peers/7za.log" -C "$sources/$sevenzip/CPP/7zip/Bundles/Alone" -f ../../cmpl_gcc.mak \
    IS_MINGW=1 MSYSTEM=MINGW64 IS_X64=1 USE_ASM= O="$peers/7za-objects" \
    CC=$cross-gcc-posix CXX=$cross-g++-posix RC=$cross-windres
  cp "$peers/7za-objects/7za.exe" "$peers/7za.exe"
fi
