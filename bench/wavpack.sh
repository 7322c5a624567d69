#!/usr/bin/env bash
# Times retuning a WavPack-packed set in place against what a user would do
# without Zelvanor's WavPack support: unpack every pipe with wvunpack,
# retune the WAVE files, pack every pipe again with wavpack.
#
#   bench/wavpack.sh [--runs N] [--count N] [--mode "WAVPACK_OPTIONS"] [--dir DIR]
#
# --runs   timed runs of each command (default 5); medians are reported
# --count  pipes in the corpus (default 128, about 100 MB unpacked)
# --mode   how the corpus is packed (default: wavpack's default mode)
# --dir    put the corpus into DIR/zelvanor-wavpack-bench/ (default
#          build/bench-wavpack/); a tmpfs such as /dev/shm takes the disk out
#
# Both sides retune the same pipes by the same factor, one process at a
# time; the machine should be otherwise idle.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
runs=5
count=128
mode=""
work="$root/build/bench-wavpack"
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --mode) mode=$2; shift 2 ;;
    --dir) work=$2/zelvanor-wavpack-bench; shift 2 ;;
    *) echo "usage: bench/wavpack.sh [--runs N] [--count N] [--mode OPTIONS] [--dir DIR]" >&2; exit 2 ;;
  esac
done

scripts/install-deps.sh base
command -v wavpack >/dev/null && command -v wvunpack >/dev/null || { echo "the WavPack tools are missing" >&2; exit 1; }
# shellcheck source=bench/corpus.sh
. bench/corpus.sh
build_program_and_generator
enter_fresh_work_dir
# The pipes of bench/run.sh, packed as sample sets ship them: still named *.wav.
make_corpus plain "$count"
mkdir packed
for file in plain/*.wav; do
  # shellcheck disable=SC2086  # the options are words
  wavpack -q -y $mode "$file" -o "packed/${file#plain/}" 2>/dev/null
done
plain_bytes=$(du -sb plain | cut -f1)
packed_bytes=$(du -sb packed | cut -f1)
files=$(find packed -name '*.wav' | wc -l)

in_place() { "$zelvanor" 'set/*.wav' set +100 V=0 >/dev/null; }
through_tools() {
  local file
  mkdir unpacked
  for file in set/*.wav; do wvunpack -q -y "$file" -o "unpacked/${file#set/}" 2>/dev/null; done
  "$zelvanor" 'unpacked/*.wav' unpacked +100 V=0 >/dev/null
  # shellcheck disable=SC2086
  for file in unpacked/*.wav; do wavpack -q -y $mode "$file" -o "set/${file#unpacked/}" 2>/dev/null; done
  rm -rf unpacked
}
fresh() { rm -rf set unpacked && cp -r packed set && sync; }

# Both must leave the same set: what Zelvanor packs unpacks to what it
# writes from the unpacked pipes.
fresh && in_place && mv set by-zelvanor
fresh && through_tools
for file in set/*.wav; do
  name=${file#set/}
  cmp -s <(wvunpack -q -y "$file" -o - 2>/dev/null) <(wvunpack -q -y "by-zelvanor/$name" -o - 2>/dev/null) ||
    { echo "$name: the two ways disagree" >&2; exit 1; }
done
rm -rf by-zelvanor set

# Wall time, and the processor time (user + system) of the command and its
# children: on a busy machine the latter is the steadier figure.
TIMEFORMAT='%3R %3U %3S'
declare -A wall cpu
for ((round = 0; round < runs; round++)); do
  for name in in_place through_tools; do
    fresh
    read -r seconds user system < <( { time "$name"; } 2>&1 >/dev/null | tail -1)
    wall[$name]+="$seconds "
    cpu[$name]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }') "
  done
done
rm -rf set

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo
echo "Zelvanor WavPack benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average at start: $load_at_start"
printf 'in %s: %d pipes, %.1f MB unpacked, %.1f MB packed (wavpack %s); median of %d runs each\n\n' "$work" \
  "$files" "$(awk -v b="$plain_bytes" 'BEGIN { print b / 1e6 }')" "$(awk -v b="$packed_bytes" 'BEGIN { print b / 1e6 }')" \
  "${mode:-default mode}" "$runs"
printf '%-46s %9s %9s\n' "command" "wall s" "cpu s"
for name in in_place through_tools; do
  label="zelvanor +100, the packed set in place"
  [ "$name" = through_tools ] && label="wvunpack each, zelvanor +100, wavpack each"
  printf '%-46s %9s %9s\n' "$label" "$(echo "${wall[$name]}" | median)" "$(echo "${cpu[$name]}" | median)"
done
printf '%-46s %9s %9s\n' "ratio (tools / zelvanor)" \
  "$(ratio "$(echo "${wall[through_tools]}" | median)" "$(echo "${wall[in_place]}" | median)")" \
  "$(ratio "$(echo "${cpu[through_tools]}" | median)" "$(echo "${cpu[in_place]}" | median)")"
