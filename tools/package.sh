#!/usr/bin/env bash
# Builds a release package: per architecture the component, the library and
# lspzip.exe (no test programs), the install and uninstall scripts, the
# sample site, the documents and the policy file, with a SHA-256 list,
# zipped by our own lspzip into
# build/package/crateload-VERSION.zip (and its .sha256 beside it).
#   tools/package.sh                     set up, build, then package
#   tools/package.sh --no-build          package what build/ holds
#   tools/package.sh --build DIR ...     another build tree
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
do_build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=${2:?--build needs a folder}; shift 2 ;;
    --no-build) do_build=0; shift ;;
    *) echo "usage: tools/package.sh [--build DIR] [--no-build]" >&2; exit 2 ;;
  esac
done
if [ $do_build = 1 ]; then
  tools/setup.sh
  tools/build.sh
fi
build=$(realpath "$build")

version=$(sed -n 's/^#define KB_RELEASE_TEXT "\(.*\)"$/\1/p' common/release.h)
[ -n "$version" ] || { echo "package: no release number in common/release.h" >&2; exit 1; }
name=crateload-$version
out=$build/package
stage=$out/$name
rm -rf "$out"
mkdir -p "$stage"

for arch in x64 x86; do
  mkdir "$stage/$arch"
  for file in kbaycl20.dll lspzipx.dll lspzip.exe; do
    cp "$build/$arch/bin/$file" "$stage/$arch/"
  done
done
cp install/install.cmd install/uninstall.cmd examples/crateload-policy.reg "$stage/"
mkdir "$stage/docs" "$stage/samples"
cp docs/*.md "$stage/docs/"
cp -r examples/. "$stage/samples/"
rm -f "$stage/samples/crateload-policy.reg"
find "$stage/samples" -name .gitignore -delete
(cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)

# Our own lspzip writes the archive. Naming the package's parent keeps the
# package's folder in every stored path.
winpath() { echo "Z:${1//\//\\}"; }
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$build/wineprefix
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
  fi
fi
export WINEDEBUG=-all
# Wine's output goes to a file outside the package: a service it starts
# could hold a pipe open.
log=$(mktemp)
/usr/lib/wine/wine64 "$build/x64/bin/lspzip.exe" -q -r -9 "$(winpath "$out/$name.zip")" "$(winpath "$out")" \
  </dev/null >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; exit 1; }
rm -f "$log"
(cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256")
echo "$out/$name.zip"
