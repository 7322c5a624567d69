#!/usr/bin/env bash
# Times Zelvanor on a generated corpus of organ pipes against the I/O floor
# (cp -r of the corpus) and a peer (sox), side by side in one run: Q=0/1/2
# against the peer's quick mode, Q=3 against its very-high-quality mode; and
# Zelvanor working on 1, 2 and 4 files at once (J=) beside its default (as
# many as the cores); and a copy of the corpus retuned in place, against the
# same files into a new folder, with the flushes such a run makes.
#
#   bench/run.sh [--runs N] [--count N] [--dir DIR]... [--no-micro]
#
# --runs   timed runs of each command (default 9); medians are reported
# --count  pipes in the corpus (default 128, about 100 MB); a second corpus
#          of twice as many pipes shows how the time grows
# --dir    put the corpus and the outputs into DIR/zelvanor-bench/ (default
#          build/bench/, on the file system of the checkout); a tmpfs such as
#          /dev/shm takes the disk out of the picture and gives steadier figures;
#          several --dir run the whole benchmark in each, one after the other
# --no-micro  skip the microbenchmark of the kernels at the end
#
# The machine should be otherwise idle: the script prints the load average
# it started and ended with. It ends with the figures files at once are
# held to: J=2 against J=1, the default J against cp -r, memory against
# its budget.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# Several --dir: the benchmark once in each.
dirs=() rest=()
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) dirs+=("$2"); shift 2 ;;
    *) rest+=("$1"); shift ;;
  esac
done
if [ "${#dirs[@]}" -gt 1 ]; then
  for dir in "${dirs[@]}"; do "$0" "${rest[@]}" --dir "$dir"; done
  exit
fi
set -- "${rest[@]}" ${dirs[0]:+--dir "${dirs[0]}"}

load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)
runs=9
count=128
micro=1
work="$root/build/bench"
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --dir) work=$2/zelvanor-bench; shift 2 ;;
    --no-micro) micro=0; shift ;;
    *) echo "usage: bench/run.sh [--runs N] [--count N] [--dir DIR] [--no-micro]" >&2; exit 2 ;;
  esac
done

# What the benchmark needs beyond the build: the peer and GNU time (peak
# memory). Neither is needed by the program or its tests.
scripts/install-deps.sh base
scripts/install-deps.sh bench || echo "could not install sox and GNU time; going on without"

# shellcheck source=bench/corpus.sh
. bench/corpus.sh
build_program_and_generator
enter_fresh_work_dir
make_corpus corpus "$count"
make_corpus corpus2x "$((2 * count))"

# Temperament mode: a historical temperament from the shipped list, or from
# a small list written here when this checkout has none yet.
temperament=Werckmeister_III
if [ -f "$root/data/ZELVANOR.INI" ]; then
  cp "$root/data/ZELVANOR.INI" ZELVANOR.INI
else
  printf '%s\n' \
    "Equal 0 100 200 300 400 500 600 700 800 900 1000 1100" \
    "Werckmeister_III 11.730 101.955 203.910 305.865 401.955 509.775 600.000 707.820 803.910 900.000 1007.820 1103.910" \
    >ZELVANOR.INI
fi

corpus_bytes=$(du -sb corpus | cut -f1)
largest=$(find corpus -name '*.wav' -printf '%s\n' | sort -n | tail -1)
files=$(find corpus -name '*.wav' | wc -l)

# --- the commands (each writes into a fresh, empty out/) ---
floor() { cp -r "$1" out/copy; }
zel() { local corpus=$1; shift; "$zelvanor" "$corpus/*.wav" out "$@" V=0 >/dev/null; }
# In place: each output replaces its source, in a fresh copy of the corpus
# made (untimed) before each run; every replaced file is flushed to the disk
# before its rename.
in_place() { "$zelvanor" "in-place/*.wav" in-place "$@" V=0 >/dev/null; }
peer() {  # corpus, quality option of sox's rate effect
  local f
  for f in "$1"/*.wav; do sox "$f" "out/${f##*/}" speed 1.0594631 rate "$2" 2>/dev/null; done
}

declare -A label command
names=()
add() { names+=("$1"); label[$1]=$2; command[$1]=$3; }
add floor "cp -r (I/O floor)" "floor corpus"
add q0 "zelvanor +100 Q=0" "zel corpus +100 Q=0"
add q1 "zelvanor +100 Q=1" "zel corpus +100 Q=1"
add q2 "zelvanor +100 Q=2" "zel corpus +100 Q=2"
add q3 "zelvanor +100 Q=3" "zel corpus +100 Q=3"
add j1 "zelvanor +100 Q=2 J=1" "zel corpus +100 Q=2 J=1"
add j2 "zelvanor +100 Q=2 J=2" "zel corpus +100 Q=2 J=2"
add j4 "zelvanor +100 Q=2 J=4" "zel corpus +100 Q=2 J=4"
add temperament "zelvanor $temperament" "zel corpus $temperament"
add in_place "zelvanor +100 Q=2, in place" "in_place +100 Q=2"
add in_place_j1 "zelvanor +100 Q=2 J=1, in place" "in_place +100 Q=2 J=1"
add in_place_j2 "zelvanor +100 Q=2 J=2, in place" "in_place +100 Q=2 J=2"
if command -v sox >/dev/null 2>&1; then
  add peer "sox speed 1.0594631 rate -q" "peer corpus -q"
  add peer_v "sox speed 1.0594631 rate -v" "peer corpus -v"
fi
add floor2x "cp -r, corpus x2" "floor corpus2x"
add q2x2 "zelvanor +100 Q=2, corpus x2" "zel corpus2x +100 Q=2"

# Every command once, untimed: it must work, and the caches are warm.
working=()
fresh_copy() { rm -rf in-place && cp -r corpus in-place; }
for name in "${names[@]}"; do
  rm -rf out && mkdir out && fresh_copy
  if eval "${command[$name]}"; then
    working+=("$name")
  else
    echo "${label[$name]} failed; left out"
  fi
done
names=("${working[@]}")
rm -rf out && mkdir out && zel corpus +100
[ "$(find out -name '*.wav' | wc -l)" -eq "$files" ] || { echo "zelvanor did not write every file" >&2; exit 1; }

# Rounds of every command in turn, so that a disturbance hits all alike.
# Wall time, and the processor time (user + system) that the command and
# its children used: on a busy machine the latter is the steadier figure.
declare -A samples cpu_samples
TIMEFORMAT='%3R %3U %3S'
for ((round = 0; round < runs; round++)); do
  for name in "${names[@]}"; do
    rm -rf out && mkdir out
    [[ $name == in_place* ]] && fresh_copy
    sync
    timing=$( { time eval "${command[$name]}"; } 2>&1 >/dev/null | tail -1)
    read -r wall user system <<<"$timing"
    samples[$name]+="$(awk -v s="$wall" 'BEGIN { printf "%d", s * 1e6 }') "
    cpu_samples[$name]+="$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%d", (u + s) * 1e6 }') "
  done
done
rm -rf out

# What a run in place asks of the disk: the flushing calls, counted by
# strace where it is installed.
flush_calls=""
if command -v strace >/dev/null 2>&1; then
  fresh_copy
  strace -f -c -o strace.out -e trace=fsync,fdatasync,sync_file_range "$zelvanor" "in-place/*.wav" in-place +100 \
    V=0 >/dev/null
  flush_calls=$(awk '$NF ~ /^(fsync|fdatasync|sync_file_range)$/ { printf "%s%d %s", sep, $(NF - 1), $NF; sep = ", " }' \
    strace.out)
  rm -f strace.out
fi
rm -rf in-place

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
declare -A med cpu
for name in "${names[@]}"; do
  med[$name]=$(echo "${samples[$name]}" | median)
  cpu[$name]=$(echo "${cpu_samples[$name]}" | median)
done

# Peak resident memory of one run (GNU time, in KiB); options after the corpus.
peak_kib() {
  local corpus=$1
  shift
  rm -rf out && mkdir out
  /usr/bin/time -f %M "$zelvanor" "$corpus/*.wav" out +100 V=0 "$@" 2>&1 >/dev/null | tail -1
}
rss=$(peak_kib corpus)
rss2x=$(peak_kib corpus2x)
declare -A rss_j
for j in 1 2 4; do rss_j[$j]=$(peak_kib corpus J=$j); done
largest2x=$(find corpus2x -name '*.wav' -printf '%s\n' | sort -n | tail -1)
rm -rf out

seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo
echo "Zelvanor benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average at start: $load_at_start"
printf 'in %s: %d pipes, %.1f MB (largest %.2f MiB); median of %d runs each\n\n' "$work" \
  "$files" "$(awk -v b="$corpus_bytes" 'BEGIN { print b / 1e6 }')" \
  "$(awk -v b="$largest" 'BEGIN { print b / 1048576 }')" "$runs"
# Each quality against the peer's mode of like purpose: its quick mode for
# Q=0/1/2, its very-high-quality mode for Q=3.
declare -A peer_of=([q0]=peer [q1]=peer [q2]=peer [temperament]=peer [q3]=peer_v)
printf '%-34s %9s %9s %10s %9s %9s %10s\n' "command" "median s" "x floor" "peer / it" "cpu s" "x floor" \
  "peer / it"
for name in floor q0 q1 q2 temperament peer q3 peer_v; do
  [ -n "${med[$name]:-}" ] || continue
  peer_ratio="" peer_cpu_ratio=""
  peer=${peer_of[$name]:-}
  if [ -n "$peer" ] && [ -n "${med[$peer]:-}" ]; then
    peer_ratio=$(ratio "${med[$peer]}" "${med[$name]}")
    peer_cpu_ratio=$(ratio "${cpu[$peer]}" "${cpu[$name]}")
  fi
  printf '%-34s %9s %9s %10s %9s %9s %10s\n' "${label[$name]}" "$(seconds "${med[$name]}")" \
    "$(ratio "${med[$name]}" "${med[floor]}")" "$peer_ratio" "$(seconds "${cpu[$name]}")" \
    "$(ratio "${cpu[$name]}" "${cpu[floor]}")" "$peer_cpu_ratio"
done
[ -n "${med[peer]:-}" ] || echo "(sox is not installed: the peer was skipped)"
echo
echo "growth with the corpus size (x2 pipes):"
printf '  cp -r       %s s -> %s s  (x%s)\n' "$(seconds "${med[floor]}")" "$(seconds "${med[floor2x]}")" \
  "$(ratio "${med[floor2x]}" "${med[floor]}")"
printf '  zelvanor Q=2 %s s -> %s s  (x%s), %s x floor\n' "$(seconds "${med[q2]}")" "$(seconds "${med[q2x2]}")" \
  "$(ratio "${med[q2x2]}" "${med[q2]}")" "$(ratio "${med[q2x2]}" "${med[floor2x]}")"
echo
printf 'peak resident memory of zelvanor Q=2: %.2f MiB (corpus), %.2f MiB (corpus x2)\n' \
  "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "$(awk -v k="$rss2x" 'BEGIN { print k / 1024 }')"
default_j=$(nproc)
[ "$default_j" -le 16 ] || default_j=16
printf '  budget, J x (largest source + 4 MiB), J=%d: %.2f MiB (corpus), %.2f MiB (corpus x2)\n' "$default_j" \
  "$(awk -v j="$default_j" -v b="$largest" 'BEGIN { print j * (b / 1048576 + 4) }')" \
  "$(awk -v j="$default_j" -v b="$largest2x" 'BEGIN { print j * (b / 1048576 + 4) }')"

echo
echo "files at once (Q=2; J=$default_j is the default here):"
printf '  %-6s %9s %9s %12s %9s %14s %14s\n' "J" "median s" "x floor" "speed-up" "cpu s" "peak MiB" "budget MiB"
for j in 1 2 4 default; do
  name=j$j peak=${rss_j[$j]:-$rss} lanes=$j
  [ "$j" = default ] && name=q2 lanes=$default_j
  [ -n "${med[$name]:-}" ] || continue
  printf '  %-6s %9s %9s %12s %9s %14.2f %14.2f\n' "$j" "$(seconds "${med[$name]}")" \
    "$(ratio "${med[$name]}" "${med[floor]}")" "$(ratio "${med[j1]}" "${med[$name]}")" "$(seconds "${cpu[$name]}")" \
    "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" \
    "$(awk -v j="$lanes" -v b="$largest" 'BEGIN { print j * (b / 1048576 + 4) }')"
done

echo
echo "in place (Q=2; each output replaces its source, flushed to the disk before the rename):"
printf '  %-6s %9s %16s\n' "J" "median s" "x new folder"
for j in 1 2 default; do
  name=in_place_j$j new=j$j
  [ "$j" = default ] && name=in_place new=q2
  [ -n "${med[$name]:-}" ] || continue
  printf '  %-6s %9s %16s\n' "$j" "$(seconds "${med[$name]}")" "$(ratio "${med[$name]}" "${med[$new]}")"
done
printf '  flushing calls of one run in place, %d files: %s\n' "$files" "${flush_calls:-(strace is not installed)}"

# What files at once are held to, on this machine.
echo
echo "files at once, against what they are held to (load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)):"
printf '  J=2 / J=1 speed-up (wall)        %6s   (at least 1.8 on two idle cores)\n' "$(ratio "${med[j1]}" "${med[j2]}")"
printf '  Q=2, default J=%d, / cp -r (wall)  %6s   (at most 1.7 on two idle cores)\n' "$default_j" \
  "$(ratio "${med[q2]}" "${med[floor]}")"
printf '  processor time J=2 / J=1           %6s   (the same work: near 1)\n' "$(ratio "${cpu[j2]}" "${cpu[j1]}")"
printf '  Q=2 processor time / cp -r         %6s\n' "$(ratio "${cpu[q2]}" "${cpu[floor]}")"
printf '  in place / new folder, default J   %6s   (at most 1.25)\n' "$(ratio "${med[in_place]}" "${med[q2]}")"
printf '  J=2 / J=1 speed-up in place        %6s   (at least 1.8 on two idle cores)\n' \
  "$(ratio "${med[in_place_j1]}" "${med[in_place_j2]}")"
printf '  peak memory / budget, default J    %6s   (at most 1)\n' \
  "$(awk -v k="$rss" -v j="$default_j" -v b="$largest" 'BEGIN { printf "%.2f", (k / 1024) / (j * (b / 1048576 + 4)) }')"

if [ "$micro" -eq 1 ]; then
  cmake --build "$root/build/release" --target zelvanor_microbench >/dev/null 2>&1 || true
  if [ -x "$root/build/release/bench/zelvanor_microbench" ]; then
    echo
    echo "microbenchmark (frames per second):"
    "$root/build/release/bench/zelvanor_microbench" --benchmark_min_time=0.2 2>/dev/null |
      awk '/^(Kernel|BM_)/ { for (i = 1; i <= NF; i++) if ($i ~ /^frames\/s=/) printf "  %-46s %s\n", $1, substr($i, 10) }'
  else
    echo "(Google Benchmark is not installed: no microbenchmark)"
  fi
fi
