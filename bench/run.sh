#!/usr/bin/env bash
# The benchmark in one command: installs and builds what it needs, builds
# the corpus, times lspzip against zip and 7-Zip and writes bench/RESULTS.md.
# Pass --small to try it out on a corpus of a twentieth the size.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
exec python3 bench/bench.py "$@"
