#!/usr/bin/env bash
# Builds libwavpack for the Windows cross build, so that zelvanor.exe reads
# and writes WavPack as the Linux program does. The library comes from the
# distribution's own source package (the upstream release with Debian's
# patches), built as a static library with the MinGW-w64 toolchain through
# its own CMake build, and installed into build/wavpack-windows/install,
# where the windows preset looks for it. Nothing of it is checked in.
#
#   scripts/wavpack-windows.sh
#
# Once built, a further run of the same checkout does nothing. Needs root
# or sudo the first time: apt fetches the source, and a system that lists
# only binary packages gets a deb-src entry for the same suites.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
base=$root/build/wavpack-windows
prefix=$base/install

# Only the library: no programs, documents or tests. The assembly versions
# of the inner loops are left out: they would need the Windows calling
# convention's variants, and the C code gives the same bytes. Legacy
# (version 3) files and DSD are configured as in Debian's build, so that
# both systems answer such a file the same way.
options=(-DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DWAVPACK_ENABLE_ASM=OFF
         -DWAVPACK_BUILD_PROGRAMS=OFF -DWAVPACK_BUILD_DOCS=OFF -DWAVPACK_INSTALL_DOCS=OFF
         -DWAVPACK_BUILD_COOLEDIT_PLUGIN=OFF -DWAVPACK_BUILD_WINAMP_PLUGIN=OFF
         -DWAVPACK_ENABLE_LEGACY=OFF -DWAVPACK_ENABLE_DSD=ON -DWAVPACK_ENABLE_LIBCRYPTO=OFF
         -DCMAKE_C_FLAGS=-ffp-contract=off)
stamp=$prefix/zelvanor-build-options
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${options[*]}" ]; then
  echo "libwavpack for Windows: $(cat "$prefix/VERSION") (built before, in $prefix)"
  exit 0
fi

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
    echo "libwavpack for Windows: deb-src entries added in /etc/apt/sources.list.d/zelvanor-deb-src.sources"
  fi
  entries=$(for file in "${one_line[@]}"; do [ ! -f "$file" ] || sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"; done)
  if [ -n "$entries" ]; then
    $sudo tee /etc/apt/sources.list.d/zelvanor-deb-src.list <<<"$entries" >/dev/null
    echo "libwavpack for Windows: deb-src entries added in /etc/apt/sources.list.d/zelvanor-deb-src.list"
  fi
}

# The download is kept: a failed build starts again from the sources.
download=$base/download
if ! ls "$download"/wavpack_*.dsc >/dev/null 2>&1; then
  rm -rf "$download" && mkdir -p "$download"
  if [ -z "$(apt-get indextargets 'Identifier: Sources' 2>/dev/null)" ]; then add_source_entries; fi
  # The source lists are fetched once; when they are stale or missing,
  # apt-get source fails and they are fetched again.
  if ! (cd "$download" && apt-get source --download-only -qq wavpack 2>/dev/null); then
    $sudo apt-get update -qq
    # (As root into a folder the _apt user cannot enter, apt warns that it
    # downloads unsandboxed: as intended here.)
    (cd "$download" && apt-get source --download-only -qq wavpack) 2> >(grep -v 'performed unsandboxed' >&2)
  fi
fi
dsc=$(ls "$download"/wavpack_*.dsc | head -n 1)
source=$base/source
rm -rf "$source" "$base/build" "$prefix"
dpkg-source -x "$dsc" "$source" >"$base/extract.log" 2>&1 || { cat "$base/extract.log"; exit 1; }
version=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)

echo "=== libwavpack $version for Windows (MinGW-w64, static) ==="
started=$SECONDS
cmake -S "$source" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${options[@]}" >/dev/null
cmake --build "$base/build" -j "${ZELVANOR_JOBS:-2}" >/dev/null
cmake --install "$base/build" >/dev/null
# The licence travels with every program that links the library.
cp "$source/COPYING" "$prefix/COPYING"
echo "$version" >"$prefix/VERSION"
echo "${options[*]}" >"$stamp"
echo "libwavpack for Windows: $version built in $((SECONDS - started)) s, in $prefix"
