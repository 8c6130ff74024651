#!/usr/bin/env bash
# The demo: sets up, builds, registers the component in a private Wine
# prefix and zips a few files through it, printing the page it writes.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh

export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the Wine prefix"
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
fi
winpath() { echo "Z:${1//\//\\}"; }

/usr/lib/wine/wine64 regsvr32 /s "$(winpath "$PWD/build/x64/bin/kbaycl20.dll")" </dev/null >/dev/null 2>&1

demo="$PWD/build/demo"
rm -rf "$demo"
mkdir -p "$demo/files" "$demo/site/downloads"
cp README.md src/component/kbaycl20.idl src/status/status_messages.cpp "$demo/files/"

# Output goes through a file: a Wine service started on the way would hold a pipe open.
/usr/lib/wine/wine64 cscript //nologo "$(winpath "$PWD/tools/demo.vbs")" "$(winpath "$demo")" \
  </dev/null >"$demo/page.txt" 2>/dev/null || true
tr -d '\r' <"$demo/page.txt"
archive=$(find "$demo/site/downloads" -name demo.zip | head -n 1)
if [ -n "$archive" ]; then
  echo
  unzip -l "$archive"
fi
