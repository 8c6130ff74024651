# Sourced, not run, by tools/setup.sh and bench/windows_peers.sh.
#   update_indexes [APT-OPTION...]   apt-get update, tried three times
#   debian_source FOLDER PACKAGE[=VERSION]...
#                                    downloads Debian bookworm source
#                                    packages into FOLDER
# Both expect set -e.

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
  echo "${0##*/}: apt-get update failed three times; going on with the indexes there are" >&2
  indexes_partial=1
}

# apt fetches the packages from a private list of source indexes, kept in
# FOLDER/apt, and checks every file against the signed archive. The list
# names the mirror this machine's apt already uses; its indexes are brought
# up to date once per run, so that a point release's new version is found.
source_indexes_updated=0
debian_source() {
  local sources=$1 mirror
  shift
  local apt_dir="$sources/apt"
  mkdir -p "$apt_dir/lists/partial"
  mirror=$({ grep -hE '^[[:space:]]*deb[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
               awk '{for (i = 2; i <= NF; i++) if ($i ~ /^[a-z+]+:\/\//) { print $i; break }}'
             grep -hE '^[[:space:]]*URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}'
           } | grep -v -- '-security' | head -n 1 || true)
  [ -n "$mirror" ] || { echo "${0##*/}: no Debian mirror in the apt configuration" >&2; return 1; }
  echo "deb-src $mirror bookworm main" >"$apt_dir/sources.list"
  local apt_private=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
                     -o Dir::State::Lists="$apt_dir/lists" -o APT::Sandbox::User=root)
  if [ $source_indexes_updated = 0 ]; then
    update_indexes "${apt_private[@]}"
    source_indexes_updated=1
  fi
  (cd "$sources" && apt-get "${apt_private[@]}" source --download-only -qq "$@" >/dev/null)
}
