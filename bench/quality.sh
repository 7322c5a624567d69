#!/usr/bin/env bash
# Builds and runs the quality measurement of Q=2 and Q=3 (bench/quality_bench.cpp):
# generated tones and partials retuned by +100 cents, 0.73, 0.5 and 2, their
# spurious components, THD+N and pass-band flatness side by side. Exit code
# 1 when Q=3 misses one of its limits.
#
#   bench/quality.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target zelvanor_quality_bench >/dev/null
exec build/release/bench/zelvanor_quality_bench
