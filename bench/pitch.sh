#!/usr/bin/env bash
# Builds and runs the pitch measurement benchmark (bench/pitch_bench.cpp):
# synthetic pipes of the four families at fundamentals from 30 Hz to 8 kHz,
# 44.1/48/96 kHz, 16/24 bits, mono and stereo, looped and not, each
# measured against the pitch a held key sounds; the error table, the
# largest errors against the goals (0.1 cent with a loop, 0.3 without) and
# the time of a measurement next to a Q=2 retune. Exit code 1 when a goal
# is missed.
#
#   bench/pitch.sh               the synthetic table
#   bench/pitch.sh --no-hint     the same, measured without the note's hint
#   bench/pitch.sh --random [N]  N pipes (300) at random fundamentals, lengths
#                                (0.5 to 8 s), channels (1 to 4) and the rest
#   bench/pitch.sh --demo-organ  the demo organ Debian ships (package
#                                grandorgue-demo, sample data only, fetched
#                                with apt-get download into build/bench/):
#                                measured against stated pitch
#   bench/pitch.sh FILE...       any pipes (WAVE or WavPack) that state their pitch
#   bench/pitch.sh --no-loop FILE...  the same, measured as if they had no loop
# (--demo-organ --no-loop: the demo organ so.)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target zelvanor_pitch_bench >/dev/null
bench=build/release/bench/zelvanor_pitch_bench
if [ "${1:-}" = --demo-organ ]; then
  shift
  dir=build/bench/demo-organ
  if [ ! -d "$dir/pipes" ]; then
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && apt-get download grandorgue-demo >/dev/null 2>&1 && dpkg-deb -x grandorgue-demo_*.deb deb)
    python3 -m zipfile -e "$(find "$dir/deb" -name '*.orgue' | head -1)" "$dir/pipes"
  fi
  # The pipes are the files named by their key's number; the rest are demo recordings.
  exec "$bench" "$@" $(find "$dir/pipes" -name '[0-9]*.wav' | sort)
fi
exec "$bench" "$@"
