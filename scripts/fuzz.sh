#!/usr/bin/env bash
# Builds the libFuzzer target (clang, AddressSanitizer + UBSan) and fuzzes
# the whole per-file pipeline for SECONDS (default 60), starting from the
# committed seeds in fuzz/seeds and the findings in fuzz/regressions. Inputs
# that find new paths collect in build/fuzz/corpus (kept between runs, not
# committed); an input that breaks a guarantee is written to
# build/fuzz/artifacts/ and fails the run.
#
# --with-libwavpack links libwavpack built from the distribution's source
# package (scripts/wavpack-source.sh) under the same sanitizers and with the
# fuzzer's coverage, so a memory error or undefined behaviour inside
# libwavpack is a finding too and its branches guide the search; the build
# is build/fuzz-libwavpack (its corpus, artifacts and libwavpack beside it).
# Without it the system's libwavpack is linked, as the program links it.
#
# Usage: scripts/fuzz.sh [--with-libwavpack] [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
with_libwavpack=false
if [ "${1:-}" = "--with-libwavpack" ]; then
  with_libwavpack=true
  shift
fi
seconds="${1:-60}"
shift || true

scripts/install-deps.sh fuzz  # clang and its sanitizer runtimes, libFuzzer among them

# libwavpack as its own CMake build makes it, static, from the C code only
# (assembly would escape the sanitizers). Its one known piece of undefined
# behaviour, adding a zero offset to the null pointer of an empty metadata
# block (read_decorr_samples, decorr_utils.c), is harmless and not ours to
# change: only the pointer-overflow check is left out, and only in its files.
build_sanitized_libwavpack() {
  local base=$PWD/build/wavpack-fuzz
  local flags="-fsanitize=address,undefined -fno-sanitize=pointer-overflow -fno-sanitize-recover=all"
  flags+=" -fsanitize=fuzzer-no-link -fno-omit-frame-pointer -g -ffp-contract=off"
  local stamp=$base/install/zelvanor-build-flags
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$flags" ]; then return; fi
  rm -rf "$base/build" "$base/install"
  local version
  version=$(scripts/wavpack-source.sh "$base/source")
  echo "=== libwavpack $version under the fuzzer's sanitizers ==="
  CC=clang cmake -S "$base/source" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX="$base/install" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_C_FLAGS="$flags" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF -DWAVPACK_ENABLE_ASM=OFF -DWAVPACK_BUILD_PROGRAMS=OFF \
    -DWAVPACK_BUILD_DOCS=OFF -DWAVPACK_INSTALL_DOCS=OFF -DWAVPACK_ENABLE_LEGACY=OFF -DWAVPACK_ENABLE_DSD=ON \
    -DWAVPACK_ENABLE_LIBCRYPTO=OFF >/dev/null
  cmake --build "$base/build" -j "${ZELVANOR_JOBS:-2}" >/dev/null
  cmake --install "$base/build" >/dev/null
  echo "$flags" >"$stamp"
}

echo "=== fuzz build ==="
if $with_libwavpack; then
  build_sanitized_libwavpack
  out=build/fuzz-libwavpack
  scripts/configure.sh fuzz -B "$out" -DWavPack_DIR="$PWD/build/wavpack-fuzz/install/lib/cmake/WavPack"
  cmake --build "$out" --target zelvanor_fuzz_retune
else
  out=build/fuzz
  scripts/configure.sh fuzz
  cmake --build --preset fuzz
fi

echo "=== fuzzing for ${seconds} s ==="
mkdir -p "$out/corpus" "$out/artifacts"
"$out/fuzz/zelvanor_fuzz_retune" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/artifacts/" -print_final_stats=1 "$@" "$out/corpus" fuzz/seeds fuzz/regressions
