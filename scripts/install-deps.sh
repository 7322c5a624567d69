#!/usr/bin/env bash
# Installs the packages that a task needs and the machine lacks (Debian or
# Ubuntu; needs root or sudo). Does nothing when all is there.
#
#   scripts/install-deps.sh [SET...]     (default: base)
#
#   base     building and testing on Linux (with libwavpack, and the WavPack
#            tools and sox for the interoperability tests)
#   windows  the MinGW-w64 cross build and its tests under Wine (MinGW-w64
#            with POSIX threads, Wine, GoogleTest's sources, and dpkg-dev to
#            unpack libwavpack's source package for scripts/wavpack-windows.sh)
#   fuzz     the libFuzzer build: clang and its sanitizer runtimes, libwavpack,
#            and dpkg-dev to unpack libwavpack's source package for
#            scripts/fuzz.sh --with-libwavpack
#   bench    what bench/run.sh adds: the peers (sox, the WavPack tools) and GNU time
#   test     what the suite's optional checks use: libxml2 (the pitch report
#            parsed as XML) and Chromium (the page rendered headless)
set -euo pipefail

packages=()
for set in "${@:-base}"; do
  case "$set" in
    base) packages+=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsndfile1-dev)
          packages+=(libwavpack-dev wavpack sox)
          # dpkg-dev (dpkg-shlibdeps), lintian and groff-base serve the package tests.
          packages+=(dpkg-dev lintian groff-base) ;;
    windows) packages+=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest dpkg-dev) ;;
    fuzz) packages+=(cmake ninja-build clang libclang-rt-dev pkg-config libwavpack-dev dpkg-dev) ;;
    bench) packages+=(sox wavpack time) ;;
    test) packages+=(libxml2-dev chromium) ;;
    *)
      echo "install-deps: unknown set '$set' (base, windows, fuzz, bench, test)" >&2
      exit 2
      ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  [[ " ${missing[*]} " == *" $package "* ]] && continue
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
