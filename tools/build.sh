#!/usr/bin/env bash
# Builds both architectures into build/x64 and build/x86.
set -euo pipefail
cd "$(dirname "$0")/.."
for arch in x64 x86; do
  # Configured every time: parts of the tree join the build when their
  # folder appears, which an existing build.ninja would not notice.
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" >/dev/null
  ninja -C "build/$arch" --quiet
done
