#!/usr/bin/env bash
# Checks of what users install, run by ctest; exit code 77 (skipped) where
# a tool they need is missing.
#
#   scripts/test-package.sh man               the man page renders without a warning
#   scripts/test-package.sh deb BUILD_DIR     the Debian package, unpacked, retunes by a shipped
#                                             temperament from any directory, and declares the
#                                             packages of every library the program needs
#   scripts/test-package.sh lintian BUILD_DIR lintian finds no error in the Debian package
#   scripts/test-package.sh zip BUILD_DIR [wavpack]
#                                             the Windows zip, unpacked into a fresh folder,
#                                             retunes by a temperament under Wine; with
#                                             "wavpack" it holds libwavpack's licence too and
#                                             retunes packed pipes in place to what it makes
#                                             of the plain ones
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-}
build=${2:-}
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: skipped"; exit 77; }
  done
}
fail() { echo "FAIL: $*"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvanor-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/elsewhere" "$work/out"

# Every example pipe must come out under its own name. The run starts in an
# empty folder, so the list can only be the one shipped beside the program.
expect_every_pipe() {  # exit code, log
  cat "$2"
  [ "$1" = 0 ] || fail "exit code $1"
  [ "$(cd "$root/examples/pipes" && ls)" = "$(cd "$work/out" && ls)" ] ||
    fail "outputs: $(cd "$work/out" && ls | tr '\n' ' ')"
  grep -q 'Werckmeister_III' "$2" || fail "the temperament is not named"
}

case "$mode" in
  man)
    need groff
    warnings=$(groff -man -Tutf8 -ww -z "$root/docs/zelvanor.1" 2>&1)
    [ -z "$warnings" ] || fail "groff: $warnings"
    echo "docs/zelvanor.1 renders without warnings"
    ;;

  deb)
    need dpkg-deb dpkg "${CPACK:-cpack}" objdump
    deb=$("$root/scripts/package.sh" deb "$build" "$work/package" 2>"$work/cpack.log" | tail -n 1) ||
      { cat "$work/cpack.log"; fail "cpack"; }
    dpkg-deb -x "$deb" "$work/root"
    program=$work/root/usr/bin/zelvanor
    [ "$(readlink "$program")" = ../lib/zelvanor/zelvanor ] || fail "usr/bin/zelvanor is no relative link"
    code=0
    (cd "$work/elsewhere" && "$program" "$root/examples/pipes/*.wav" "$work/out" Werckmeister_III V=2) \
      >"$work/run.log" || code=$?
    expect_every_pipe "$code" "$work/run.log"

    dpkg-deb -I "$deb"
    depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/[[:space:]]//g')
    # Each library the program needs must come from a package it declares.
    for library in $(objdump -p "$work/root/usr/lib/zelvanor/zelvanor" | awk '$1 == "NEEDED" { print $2 }'); do
      owners=$(dpkg -S "*/$library" 2>/dev/null | cut -d: -f1 | tr ',' '\n' | sed 's/[[:space:]]//g' | sort -u)
      declared=no
      for owner in $owners; do
        grep -qxF "$owner" <<<"$depends" && declared=yes
      done
      [ "$declared" = yes ] || fail "$library (from ${owners:-no package}) is not among the dependencies"
    done
    echo "every library the program needs is declared"
    ;;

  lintian)
    need lintian "${CPACK:-cpack}"
    deb=$("$root/scripts/package.sh" deb "$build" "$work/package" 2>"$work/cpack.log" | tail -n 1) ||
      { cat "$work/cpack.log"; fail "cpack"; }
    lintian --fail-on error --info "$deb" || fail "lintian reports errors"
    echo "lintian: no errors"
    ;;

  zip)
    wine=${ZELVANOR_WINE:-/usr/lib/wine/wine64}
    [ -x "$wine" ] || { echo "$wine is missing: skipped"; exit 77; }
    need "${CPACK:-cpack}"
    shipped=(README.txt ZELVANOR.INI zelvanor.exe)
    if [ "${3:-}" = wavpack ]; then
      need wavpack wvunpack
      shipped=(README.txt ZELVANOR.INI libwavpack-COPYING.txt zelvanor.exe)  # in the C locale's order
    fi
    zip=$("$root/scripts/package.sh" zip "$build" "$work/package" 2>"$work/cpack.log" | tail -n 1) ||
      { cat "$work/cpack.log"; fail "cpack"; }
    mkdir "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$zip")
    folder=$(dirname "$(find "$work/unpacked" -name zelvanor.exe)")
    [ "$(cd "$folder" && LC_ALL=C ls)" = "$(printf '%s\n' "${shipped[@]}")" ] ||
      fail "the zip holds: $(cd "$folder" && ls | tr '\n' ' ')"
    for text in "${shipped[@]}"; do
      [[ $text != *.txt ]] || ! grep -q -v $'\r$' "$folder/$text" || fail "$text has a line without CR LF"
    done
    windows_path() { local path="Z:$1"; printf '%s' "${path//\//\\}"; }
    code=0
    (cd "$work/elsewhere" && "$root/cmake/wine-run.sh" "$(windows_path "$folder")\\zelvanor.exe" \
      "$(windows_path "$root/examples/pipes")\\*.wav" "$(windows_path "$work/out")" Werckmeister_III V=2) \
      >"$work/run.log" || code=$?
    expect_every_pipe "$code" "$work/run.log"
    [ "${3:-}" = wavpack ] || exit 0

    # The same pipes packed and retuned in place stay packed, and unpack to
    # the files retuned above.
    mkdir "$work/packed" "$work/unpacked-outputs"
    for pipe in "$root/examples/pipes"/*.wav; do wavpack -q -y "$pipe" -o "$work/packed/${pipe##*/}" 2>/dev/null; done
    code=0
    (cd "$work/elsewhere" && "$root/cmake/wine-run.sh" "$(windows_path "$folder")\\zelvanor.exe" \
      "$(windows_path "$work/packed")\\*.wav" "$(windows_path "$work/packed")" Werckmeister_III V=2) \
      >"$work/packed.log" || code=$?
    cat "$work/packed.log"
    [ "$code" = 0 ] || fail "exit code $code on the packed pipes"
    for output in "$work/out"/*.wav; do
      name=${output##*/}
      [ "$(head -c 4 "$work/packed/$name")" = wvpk ] || fail "$name is no longer WavPack"
      wvunpack -q -y "$work/packed/$name" -o "$work/unpacked-outputs/$name" 2>/dev/null || fail "wvunpack $name"
      cmp "$work/unpacked-outputs/$name" "$output" || fail "$name: the packed pipe retunes to another file"
    done
    echo "packed pipes retuned in place: $(ls "$work/packed" | wc -l), each as its plain pipe"
    ;;

  *)
    echo "usage: scripts/test-package.sh man | deb|lintian|zip BUILD_DIR" >&2
    exit 2
    ;;
esac
