#!/usr/bin/env bash
# Plants one-line faults into the program, one at a time, and checks that the
# test suite catches each: the measure of what the tests are worth. For each
# fault of scripts/planted-faults.txt it applies an exact search-and-replace
# (the search text must occur exactly once in its file), rebuilds the program
# and the tests in build/faults, runs the whole suite, and restores the file.
# Prints "caught" or "MISSED" per fault and a final line "N caught, M missed".
# A fault whose search text is gone, or whose build fails, is reported as
# stale and counted apart: the list must follow the code.
#
# Usage: scripts/plant-faults.sh [FAULT-ID...]   (default: every fault)
# A developer tool, not part of CI: a full run takes a while.
set -euo pipefail
cd "$(dirname "$0")/.."
list=scripts/planted-faults.txt
build=build/faults

# shellcheck source=scripts/fault-build.sh
source scripts/fault-build.sh "$build"

# Every fault as one tab-separated line: id, file, find, replace. A value of
# several lines ("| " continuation lines in the list) travels with its lines joined by the
# unit separator (0x1F).
faults=$(python3 - "$list" <<'PY'
import sys
fault = {}
def flush():
    if fault:
        print("\t".join(fault.get(k, "") for k in ("id", "file", "find", "replace")))
        fault.clear()
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.rstrip("\n")
    if not line.strip():
        flush()
        continue
    if line.startswith("#"):
        continue
    if line.startswith("| "):  # a further line of the value above
        fault[key] += "\x1f" + line[2:]
        continue
    key, _, value = line.partition(": ")
    fault[key] = value
flush()
PY
)

caught=0 missed=0 stale=0
log=$PWD/$build/fault.log
restore() { [ -n "${current:-}" ] && git checkout -q -- "$current"; current=""; }
trap restore EXIT
trap 'restore; exit 130' INT
trap 'restore; exit 143' TERM

while IFS=$'\t' read -r id file find replace; do
  if [ "$#" -gt 0 ] && ! printf '%s\n' "$@" | grep -qxF "$id"; then continue; fi
  if ! python3 - "$file" "$find" "$replace" <<'PY'
import sys
path, find, replace = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if "\x1f" not in find:
    if text.count(find) != 1:
        sys.exit(1)
    open(path, "w", encoding="utf-8").write(text.replace(find, replace))
    sys.exit(0)
# Several lines: matched line by line whatever their indentation; the
# replacement takes the indentation of the first line it replaces.
want = [part.strip() for part in find.split("\x1f")]
lines = text.split("\n")
hits = [i for i in range(len(lines) - len(want) + 1)
        if [l.strip() for l in lines[i:i + len(want)]] == want]
if len(hits) != 1:
    sys.exit(1)
i = hits[0]
indent = lines[i][:len(lines[i]) - len(lines[i].lstrip())]
lines[i:i + len(want)] = [indent + part for part in replace.split("\x1f")]
open(path, "w", encoding="utf-8").write("\n".join(lines))
PY
  then
    echo "STALE  $id (search text not found exactly once in $file)"
    stale=$((stale + 1))
    continue
  fi
  current=$file
  if ! cmake --build "$build" --target zelvanor zelvanor_tests >/dev/null 2>&1; then
    echo "STALE  $id (does not build)"
    stale=$((stale + 1))
    restore
    continue
  fi
  status=0
  (cd "$build/tests" && timeout -k 10 120 ./zelvanor_tests --gtest_brief=1 >"$log" 2>&1) 2>/dev/null || status=$?
  if [ "$status" -eq 0 ]; then
    echo "MISSED $id"
    missed=$((missed + 1))
  else
    # The first few tests that failed, so that a catch by accident shows;
    # a suite that crashed or hung names none.
    by=$( (grep -o '^\[  FAILED  \] [A-Za-z0-9_./]*' "$log" || true) | cut -c14- | sort -u | head -3 | paste -sd' ')
    [ -n "$by" ] || by="the suite ending with status $status"
    echo "caught $id by $by"
    caught=$((caught + 1))
  fi
  restore
done <<<"$faults"

# Leave the build matching the sources again.
cmake --build "$build" --target zelvanor zelvanor_tests >/dev/null
[ "$stale" -eq 0 ] || echo "$stale stale"
echo "$caught caught, $missed missed"
[ "$missed" -eq 0 ] && [ "$stale" -eq 0 ]
