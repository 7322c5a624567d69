#!/usr/bin/env bash
# Unpacks the distribution's own source package of libwavpack (the upstream
# release with Debian's patches) into FOLDER, afresh, and prints its version.
# The builds that must use the very library the Linux program links take it
# from here: the Windows cross build (scripts/wavpack-windows.sh) and the
# fuzz target's sanitized libwavpack (scripts/fuzz.sh --with-libwavpack).
#
#   scripts/wavpack-source.sh FOLDER
#
# The download is kept in build/wavpack-download, so only the first run
# fetches. That run needs root or sudo: apt fetches the source, and a system
# that lists only binary packages gets a deb-src entry for the same suites.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source=$1
download=$root/build/wavpack-download

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# apt-get source needs deb-src entries. Where there are none, every binary
# entry gets its source twin in a file of its own, the system's own lists
# left as they are: deb822 stanzas (Debian 12's debian.sources) and
# one-line entries alike.
add_source_entries() {
  local file entries
  shopt -s nullglob
  local -a deb822=(/etc/apt/sources.list.d/*.sources) one_line=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  shopt -u nullglob
  entries=$(for file in "${deb822[@]}"; do
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*[ \t]deb([ \t\n]|$)/ { sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
  done)
  if [ -n "$entries" ]; then
    $sudo tee /etc/apt/sources.list.d/zelvanor-deb-src.sources <<<"$entries" >/dev/null
    echo "libwavpack source: deb-src entries added in /etc/apt/sources.list.d/zelvanor-deb-src.sources" >&2
  fi
  entries=$(for file in "${one_line[@]}"; do [ ! -f "$file" ] || sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"; done)
  if [ -n "$entries" ]; then
    $sudo tee /etc/apt/sources.list.d/zelvanor-deb-src.list <<<"$entries" >/dev/null
    echo "libwavpack source: deb-src entries added in /etc/apt/sources.list.d/zelvanor-deb-src.list" >&2
  fi
}

# A failed build starts again from the download.
if ! ls "$download"/wavpack_*.dsc >/dev/null 2>&1; then
  rm -rf "$download" && mkdir -p "$download"
  if [ -z "$(apt-get indextargets 'Identifier: Sources' 2>/dev/null)" ]; then add_source_entries; fi
  # The source lists are fetched once; when they are stale or missing,
  # apt-get source fails and they are fetched again.
  if ! (cd "$download" && apt-get source --download-only -qq wavpack >/dev/null 2>&1); then
    $sudo apt-get update -qq >&2
    # (As root into a folder the _apt user cannot enter, apt warns that it
    # downloads unsandboxed: as intended here.)
    (cd "$download" && apt-get source --download-only -qq wavpack >/dev/null) 2> >(grep -v 'performed unsandboxed' >&2)
  fi
fi
dsc=$(ls "$download"/wavpack_*.dsc | head -n 1)
rm -rf "$source"
mkdir -p "$(dirname "$source")"
dpkg-source -x "$dsc" "$source" >"$source.extract.log" 2>&1 || { cat "$source.extract.log" >&2; exit 1; }
dpkg-parsechangelog -l "$source/debian/changelog" -S Version
