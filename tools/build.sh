#!/usr/bin/env bash
# Builds both architectures into build/x64 and build/x86.
set -euo pipefail
cd "$(dirname "$0")/.."
for arch in x64 x86; do
  if [ ! -f "build/$arch/build.ninja" ]; then
    cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" >/dev/null
  fi
  ninja -C "build/$arch" --quiet
done
