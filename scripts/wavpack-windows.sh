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
# Once built, a further run of the same checkout does nothing. The source
# comes through scripts/wavpack-source.sh (root or sudo the first time).
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

source=$base/source
rm -rf "$source" "$base/build" "$prefix"
version=$("$root/scripts/wavpack-source.sh" "$source")

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
