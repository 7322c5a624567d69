#!/usr/bin/env bash
# Builds Zelvanor (release) and shows it at work in demo-output/: the usage
# line, the option help, how a run reports its options and its files, the
# example pipes retuned by 30 cents and into Werckmeister III, and a small
# organ of two detuned ranks measured, tuned to A4 = 440 Hz and measured
# again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base

cmake --preset release >/dev/null
cmake --build --preset release --target zelvanor
zelvanor="$PWD/build/release/zelvanor"

rm -rf demo-output
mkdir -p demo-output/retuned
cd demo-output

# Runs the program as typed and shows its exit code; the demo goes on
# whatever the code is.
show() {
  echo
  echo "\$ zelvanor $*"
  local code=0
  "$zelvanor" "$@" || code=$?
  echo "[exit code $code]"
}

show '*.wav' retuned
show '*.wav' retuned +100 V=2 O=1 R=0.5 '?'

# A file that is no pipe: a factor out of range stops the run before any
# file is read; an accepted one reads it, and it is reported and skipped.
printf 'not a pipe\n' > not-a-pipe.wav
show '*.wav' retuned 5
show '*.wav' retuned 1

# The example pipes (examples/pipes, written by the zelvanor_make_examples
# tool) retuned 30 cents up: each output keeps its sustain loop, release cue,
# labels and text region, moved to the new timing, and the stretch between
# the loop and the release is cut. V=4 shows the old and new positions.
show '../examples/pipes/*.wav' retuned +30
show '../examples/pipes/036-C.wav' retuned +30 V=4

# From equal temperament to a historical one: each pipe gets its own factor
# from the note in its file name (036-C.wav is a C). H writes the page that
# describes the temperament instead of retuning.
mkdir -p historical
show '../examples/pipes/*.wav' historical Werckmeister_III T=Equal V=2
show '../examples/pipes/*.wav' historical/ Werckmeister_III H
echo
echo "demo-output/historical/tuning.html:"
cat historical/tuning.html

echo
echo "Retuned pipes in demo-output/retuned and demo-output/historical:"
ls -l retuned historical

# A small organ, a folder per rank: the example pipes detuned by hand, +7
# cents into organ/RankA and -12 into organ/RankB, their smpl statements left
# at the notes they claim (P=0), as a set recorded off its pitch states them.
# M looks at the whole organ (one line per pipe and one page, summed up by
# rank), A=440 tunes every pipe of every rank to Equal at A4 = 440 Hz into
# the same folders under tuned/, and M after shows each within a fifth of a cent.
mkdir -p organ/RankA organ/RankB tuned report-before report-after
show '../examples/pipes/*.wav' organ/RankA +7 P=0 V=0
show '../examples/pipes/*.wav' organ/RankB -12 P=0 V=0
show 'organ/*/*.wav' report-before Equal A=440 M
show 'organ/*/*.wav' tuned Equal A=440 V=2
show 'tuned/*/*.wav' report-after Equal A=440 M
echo
echo "The organ's pitch report pages (open them in a browser): demo-output/report-before/pitch-report.html"
echo "and demo-output/report-after/pitch-report.html; its tuned pipes:"
ls -lR tuned
