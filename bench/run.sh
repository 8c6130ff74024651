#!/usr/bin/env bash
# The benchmark in one command: installs and builds what it needs, builds
# the inputs, times lspzip and doZip against zip and 7-Zip (native, and
# Windows builds under Wine), and writes bench/RESULTS.md and
# bench/scaling.png.
#   bench/run.sh [--small] [--runs N] [--no-scaling]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
if [ "$(dpkg-query -W -f='${Status}' gnuplot-nox 2>/dev/null || true)" != "install ok installed" ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends gnuplot-nox >/dev/null
fi
tools/build.sh
bench/windows_peers.sh
exec python3 bench/bench.py "$@"
