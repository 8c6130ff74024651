#!/usr/bin/env bash
# The demo: sets up, builds, registers the DLLs in a private Wine prefix and
# runs the sample zip page once through asphost with a ready-made selection,
# printing the page's HTML, the new archive's path and its listing.
#   tools/demo.sh           run the page once
#   tools/demo.sh --serve   serve the sample site on 127.0.0.1 for a browser
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
case "$mode" in
  ""|--serve) ;;
  *) echo "usage: tools/demo.sh [--serve]" >&2; exit 2 ;;
esac
tools/setup.sh
tools/build.sh

export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "creating the Wine prefix"
  /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
else
  # The prefix's services start with the first program; give them no pipe of ours.
  /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
winpath() { echo "Z:${1//\//\\}"; }

# The component registers itself; it loads lspzipx.dll from its own folder.
/usr/lib/wine/wine64 regsvr32 /s "$(winpath "$PWD/build/x64/bin/kbaycl20.dll")" </dev/null >/dev/null 2>&1

# The sample site runs from a copy, so that its downloads stay out of the sources.
site="$PWD/build/demo/site"
rm -rf "$site"
mkdir -p "$site"
cp -r examples/. "$site/"
asphost=(/usr/lib/wine/wine64 "$PWD/build/x64/bin/asphost.exe")

if [ "$mode" = --serve ]; then
  echo "Open the address below in a browser; stop with Ctrl+C."
  "${asphost[@]}" serve --root "$(winpath "$site")" --port "${PORT:-8080}" </dev/null
  exit 0
fi

# Output goes through a file: a Wine program started on the way could hold a pipe open.
page="$PWD/build/demo/page.html"
"${asphost[@]}" run --root "$(winpath "$site")" zip.asp \
  --form "file=report.txt&file=price+list.csv&password=demo" </dev/null >"$page" 2>"$page.err" || {
  cat "$page" "$page.err"; exit 1; }
tr -d '\r' <"$page"
archive=$(find "$site/downloads" -name selection.zip | head -n 1)
echo
if [ -z "$archive" ]; then
  echo "no archive was made"
  exit 1
fi
echo "archive: $archive (password: demo)"
unzip -l "$archive"
