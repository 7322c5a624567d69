#!/usr/bin/env bash
# Times a run over rank folders against the same files in one folder: the
# 128-pipe corpus of bench/run.sh split into 16 folders of 8 pipes
# ('tree/*/*.wav', the outputs mirrored into 16 new folders) and as it is
# ('flat/*.wav'), both retuned by +100 and tuned to A=440, in alternating
# rounds; medians of the wall and processor times, and their ratio.
#
#   bench/folders.sh [--runs N] [--dir DIR]
#
# --runs  timed runs of each command (default 7)
# --dir   put the corpora and the outputs into DIR/zelvanor-folders/
#         (default build/bench-folders/, on the checkout's file system)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=7
work="$root/build/bench-folders"
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --dir) work=$2/zelvanor-folders; shift 2 ;;
    *) echo "usage: bench/folders.sh [--runs N] [--dir DIR]" >&2; exit 2 ;;
  esac
done

# shellcheck source=bench/corpus.sh
. bench/corpus.sh
build_program_and_generator
enter_fresh_work_dir
cp "$root/data/ZELVANOR.INI" .
make_corpus flat 128
i=0
for pipe in flat/*.wav; do
  rank=tree/rank$(printf '%02d' $((i % 16)))
  mkdir -p "$rank" && cp "$pipe" "$rank/"
  i=$((i + 1))
done

declare -A command samples cpu_samples
names=(flat tree flat_a tree_a)
command[flat]="flat/*.wav +100"
command[tree]="tree/*/*.wav +100"
command[flat_a]="flat/*.wav Equal A=440"
command[tree_a]="tree/*/*.wav Equal A=440"
run() { read -r -a words <<<"${command[$1]}"; "$zelvanor" "${words[0]}" out "${words[@]:1}" V=0 >/dev/null; }

# Once untimed: both must write every pipe, and the caches are warm.
for name in "${names[@]}"; do
  rm -rf out && mkdir out && run "$name"
  [ "$(find out -name '*.wav' | wc -l)" -eq 128 ] || { echo "$name did not write every pipe" >&2; exit 1; }
done
TIMEFORMAT='%3R %3U %3S'
for ((round = 0; round < runs; round++)); do
  for name in "${names[@]}"; do
    rm -rf out && mkdir out && sync
    read -r wall user system < <({ time run "$name"; } 2>&1 >/dev/null | tail -1)
    samples[$name]+="$wall "
    cpu_samples[$name]+="$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') "
  done
done
rm -rf out

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "rank folders against one folder, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "128 pipes, median of $runs runs each"
printf '%-28s %9s %9s\n' command "wall s" "cpu s"
for name in "${names[@]}"; do
  printf '%-28s %9.3f %9.3f\n' "${command[$name]}" "$(echo "${samples[$name]}" | median)" \
    "$(echo "${cpu_samples[$name]}" | median)"
done
for pair in "tree flat" "tree_a flat_a"; do
  read -r a b <<<"$pair"
  printf '%s / %s: wall %.3f, cpu %.3f (at most 1.05)\n' "$a" "$b" \
    "$(awk -v x="$(echo "${samples[$a]}" | median)" -v y="$(echo "${samples[$b]}" | median)" 'BEGIN { print x / y }')" \
    "$(awk -v x="$(echo "${cpu_samples[$a]}" | median)" -v y="$(echo "${cpu_samples[$b]}" | median)" 'BEGIN { print x / y }')"
done
