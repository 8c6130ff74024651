#!/usr/bin/env bash
# The whole test suite: sets up the machine, builds both architectures and
# runs every test area under Wine. Ends with "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
WITH_BROWSER=1 tools/setup.sh
tools/build.sh
exec python3 tests/run.py "$@"
