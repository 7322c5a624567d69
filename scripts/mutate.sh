#!/usr/bin/env bash
# Mutation testing: the faults nobody thought of. Where scripts/plant-faults.sh
# plants the faults of a hand-written list, this walks src/ and makes small
# systematic changes (scripts/mutate.py: a relational operator negated or made
# inclusive, + 1 or - 1 dropped or added, an integer constant moved by one,
# && and || exchanged or one side of them dropped, a condition or a boolean
# negated, a statement or a one-line loop removed, a returned value replaced,
# == against a level made >= or <=, a named limit moved by one, a blank
# exchanged for a tab, IsSpace narrowed to the blank or exchanged with
# IsDigit), takes a reproducible random sample of them, and
# for each one builds the program and the tests in build/mutants, runs the
# suite and restores the file. A mutant is caught when the suite fails, crashes
# or hangs. Prints one line per mutant with its identity (file:line:column:
# operator) and the change, then "N caught, M missed". A mutant that does not
# compile is "not built" and a mutant listed in scripts/mutants-equivalent.txt
# (it cannot change what the program does) is "equivalent"; both are counted
# apart. The same seed and size over the same src/ pick the same mutants.
#
# Usage: scripts/mutate.sh SEED SIZE [MUTANT...]   (MUTANT: an identity to run
#        alone, whether or not the sample holds it)
#        scripts/mutate.sh list SEED SIZE          (the sample, not run)
# The sample is drawn from the .cpp files; MUTATE_HEADERS=1 adds the headers,
# whose every mutant rebuilds all files that include them.
# A developer tool, not part of CI: 300 mutants take about an hour.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/mutants
equivalents=scripts/mutants-equivalent.txt

if [ "${1:-}" = list ]; then
  exec python3 scripts/mutate.py list "${2:?seed}" "${3:?size}"
fi
seed=${1:?usage: scripts/mutate.sh SEED SIZE [MUTANT...]}
size=${2:?usage: scripts/mutate.sh SEED SIZE [MUTANT...]}
shift 2

# shellcheck source=scripts/fault-build.sh
source scripts/fault-build.sh "$build"
log=$PWD/$build/mutant.log
suite() { (cd "$build/tests" && timeout -k 5 30 ./zelvanor_tests --gtest_brief=1 --gtest_fail_fast >"$log" 2>&1) 2>/dev/null; }
if ! suite; then
  echo "the suite fails without any mutant (see $log)" >&2
  exit 2
fi

if [ "$#" -gt 0 ]; then
  mutants=$(printf '%s\t-\t-\n' "$@")
else
  mutants=$(python3 scripts/mutate.py list "$seed" "$size")
fi

current=""
restore() { [ -n "$current" ] && git checkout -q -- "$current"; current=""; }
trap restore EXIT
trap 'restore; exit 130' INT
trap 'restore; exit 143' TERM

caught=0 missed=0 unbuilt=0 equivalent=0
while IFS=$'\t' read -r identity before after; do
  file=${identity%%:*}
  current=$file
  if ! python3 scripts/mutate.py apply "$identity"; then
    echo "STALE    $identity (no such mutant in $file)"
    unbuilt=$((unbuilt + 1))
    current=""
    continue
  fi
  change="$before -> $after"
  if ! timeout 900 cmake --build "$build" --target zelvanor zelvanor_tests >/dev/null 2>&1; then
    echo "not built $identity  $change"
    unbuilt=$((unbuilt + 1))
    restore
    continue
  fi
  status=0
  suite || status=$?
  if [ "$status" -ne 0 ]; then
    # The test that failed first, so that a catch by accident shows; a
    # suite that crashed or hung names none.
    by=$( (grep -o '^\[  FAILED  \] [A-Za-z0-9_./]*' "$log" || true) | cut -c14- | head -1)
    [ -n "$by" ] || by="the suite ending with status $status"
    echo "caught   $identity  $change  by $by"
    caught=$((caught + 1))
  elif awk -v id="$identity" '$1 == id { found = 1 } END { exit !found }' "$equivalents" 2>/dev/null; then
    echo "equivalent $identity  $change"
    equivalent=$((equivalent + 1))
  else
    echo "MISSED   $identity  $change"
    missed=$((missed + 1))
  fi
  restore
done <<<"$mutants"

# Leave the build matching the sources again.
cmake --build "$build" --target zelvanor zelvanor_tests >/dev/null
echo "$unbuilt not built, $equivalent equivalent (counted apart)"
judged=$((caught + missed))
echo "$caught caught, $missed missed ($((judged ? 100 * caught / judged : 0)) % of the non-equivalent mutants caught)"
[ "$missed" -eq 0 ]
