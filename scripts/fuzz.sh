#!/usr/bin/env bash
# Builds the libFuzzer target (clang, AddressSanitizer + UBSan) and fuzzes
# the whole per-file pipeline for SECONDS (default 60), starting from the
# committed seeds in fuzz/seeds. Inputs that find new paths collect in
# build/fuzz/corpus (kept between runs, not committed); an input that
# breaks a guarantee is written to build/fuzz/artifacts/ and fails the run.
# Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

scripts/install-deps.sh fuzz  # clang and its sanitizer runtimes, libFuzzer among them

echo "=== fuzz build ==="
scripts/configure.sh fuzz
cmake --build --preset fuzz

echo "=== fuzzing for ${seconds} s ==="
mkdir -p build/fuzz/corpus build/fuzz/artifacts
build/fuzz/fuzz/zelvanor_fuzz_retune -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 "$@" build/fuzz/corpus fuzz/seeds
