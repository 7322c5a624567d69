#!/usr/bin/env bash
# Kills (SIGKILL) a batch retuned in place at varying moments, many times
# over, and checks what each kill leaves: every pipe is byte for byte its
# source or its complete retuned self (computed once by an undisturbed run),
# and the only other files are temporaries .NAME.zelvanor-XXXXXX of pipes of
# the set (the files in flight). A kill, unlike a power cut, leaves what the
# program handed to the system; it shows that no rename replaces a file
# before its new bytes are complete, at any moment and at every J.
#
#   scripts/kill-test.sh [--kills N] [--count N] [--dir DIR] [--program PATH]
#
# --kills    kills at each J (1 and 2; default 100, so 200 in all)
# --count    pipes in the set (default 24, 0.2 to 0.9 s each)
# --dir      where the set is retuned (default build/kill-test, on the
#            checkout's file system; flushes cost nothing on a tmpfs)
# --program  the program to test (default: the release build, built here)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
kills=100 count=24 work="$root/build/kill-test" program=""
while [ $# -gt 0 ]; do
  case "$1" in
    --kills) kills=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --dir) work=$2/zelvanor-kill-test; shift 2 ;;
    --program) program=$2; shift 2 ;;
    *) echo "usage: scripts/kill-test.sh [--kills N] [--count N] [--dir DIR] [--program PATH]" >&2; exit 2 ;;
  esac
done
if [ -z "$program" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target zelvanor zelvanor_make_examples >/dev/null
  program="$root/build/release/zelvanor"
fi
program=$(realpath "$program")
rm -rf "$work"
mkdir -p "$work"
cd "$work"
"$root/build/release/examples/zelvanor_make_examples" sources --count "$count" --seconds 0.2:0.9 \
  --formats 16x2,24x2,16x1 >/dev/null
names=$(cd sources && echo *.wav)

# The complete retuned files, from a run nobody disturbs.
retune() { "$program" "$1/*.wav" "$1" +100 "J=$2" V=0 >/dev/null; }
cp -r sources retuned
retune retuned 1
for name in $names; do
  cmp -s "sources/$name" "retuned/$name" && { echo "$name: the retune left it unchanged" >&2; exit 1; }
done

# Checks what a kill left in run/: prints "replaced temporaries" or a fault.
check() {
  local name replaced=0 temporaries=0 left
  for name in $names; do
    if cmp -s "run/$name" "retuned/$name"; then
      replaced=$((replaced + 1))
    elif ! cmp -s "run/$name" "sources/$name"; then
      echo "FAULT: $name is neither its source nor its retuned file"
      return
    fi
  done
  for left in $(cd run && ls -A); do
    case " $names " in *" $left "*) continue ;; esac
    if [[ "$left" =~ ^\.(.+)\.zelvanor-[A-Za-z0-9]{6}$ ]] && [[ " $names " == *" ${BASH_REMATCH[1]} "* ]]; then
      temporaries=$((temporaries + 1))
    else
      echo "FAULT: $left is left behind"
      return
    fi
  done
  echo "$replaced $temporaries"
}

faults=0
for lanes in 1 2; do
  # How long an undisturbed run takes here: the kills fall over all of it.
  rm -rf run && cp -r sources run
  start=$(date +%s%N)
  retune run "$lanes"
  span_us=$((($(date +%s%N) - start) / 1000))
  [ "$(check)" = "$count 0" ] || { echo "J=$lanes: an undisturbed run differs" >&2; exit 1; }
  none=0 some=0 all=0 temporaries=0
  for ((kill = 0; kill < kills; kill++)); do
    rm -rf run && cp -r sources run
    delay_us=$((RANDOM * 32768 + RANDOM))
    delay_us=$((delay_us % (span_us + span_us / 5 + 1)))
    "$program" "run/*.wav" run +100 "J=$lanes" V=0 >/dev/null &
    pid=$!
    sleep "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    result=$(check)
    case "$result" in
      FAULT*) echo "J=$lanes, killed after ${delay_us} us: $result"; faults=$((faults + 1)); continue ;;
    esac
    read -r replaced left <<<"$result"
    temporaries=$((temporaries + left))
    if [ "$replaced" -eq 0 ]; then none=$((none + 1)); elif [ "$replaced" -eq "$count" ]; then all=$((all + 1)); else some=$((some + 1)); fi
  done
  printf 'J=%d: %d kills over %.3f s: %d before any file was replaced, %d in the middle, %d after the last;' \
    "$lanes" "$kills" "$(awk -v us="$span_us" 'BEGIN { print us / 1e6 }')" "$none" "$some" "$all"
  printf ' %d temporaries left in all\n' "$temporaries"
done
rm -rf run
if [ "$faults" -gt 0 ]; then
  echo "$faults kills left a file that is neither old nor new, or another file" >&2
  exit 1
fi
echo "every kill left each pipe old or new, and nothing else but temporaries of the set"
