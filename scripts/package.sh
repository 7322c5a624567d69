#!/usr/bin/env bash
# Makes an installable package with CPack:
#
#   scripts/package.sh deb [BUILD_DIR [OUT_DIR]]   Debian package (default build: build/release)
#   scripts/package.sh zip [BUILD_DIR [OUT_DIR]]   Windows zip (default build: build/windows)
#
# Without BUILD_DIR the preset's build is configured and brought up to date
# first. OUT_DIR defaults to BUILD_DIR/packages. The last line printed is
# the package's path; cpack's own report goes to standard error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  deb) preset=release generator=DEB ;;
  zip) preset=windows generator=ZIP ;;
  *) echo "usage: scripts/package.sh deb|zip [BUILD_DIR [OUT_DIR]]" >&2; exit 2 ;;
esac
if [ -z "${2:-}" ]; then
  if [ "$preset" = windows ]; then "$root/scripts/wavpack-windows.sh" >&2; fi
  (cd "$root" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" >&2)
fi
build=$(cd "${2:-$root/build/$preset}" && pwd)
out=${3:-$build/packages}
mkdir -p "$out"
out=$(cd "$out" && pwd)

# cpack stages the installation under OUT_DIR, so runs with different
# OUT_DIRs stay apart.
"${CPACK:-cpack}" -G "$generator" --config "$build/CPackConfig.cmake" -B "$out" >&2
package=$(ls -t "$out"/*."$1" | head -n 1)
echo "$package"
