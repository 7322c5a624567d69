#!/usr/bin/env bash
# Retunes the same pipes with the Linux build and with the Windows build
# (under Wine) and checks that both systems give the same results: the same
# exit code, the same output files byte for byte, and the same standard
# output after the banner once paths are written alike. The example pipe
# generators of both builds must write the same files too.
#
#   scripts/compare-windows.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR [PIPES_DIR]]]
#
# Defaults: build/release, build/windows and examples/pipes. Exit code 77
# (a skipped test for ctest) when a build is missing. ZELVANOR_COMPARE_KEEP=1
# keeps the outputs and the texts compared.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(cd "${1:-$root/build/release}" 2>/dev/null && pwd) || linux_build=""
windows_build=$(cd "${2:-$root/build/windows}" 2>/dev/null && pwd) || windows_build=""
linux_exe=$linux_build/zelvanor
windows_exe=$windows_build/zelvanor.exe
for program in "$linux_exe" "$windows_exe"; do
  if [ ! -f "$program" ]; then
    echo "compare-windows: $program not built; nothing compared"
    exit 77
  fi
done
wine_run=$root/cmake/wine-run.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvanor-compare.XXXXXX")
if [ -n "${ZELVANOR_COMPARE_KEEP:-}" ]; then echo "compare-windows: files in $work"; else trap 'rm -rf "$work"' EXIT; fi
pipes=$work/pipes
mkdir -p "$pipes"
cp "${3:-$root/examples/pipes}"/*.wav "$pipes"/
mapfile -t pipe_names < <(cd "$pipes" && ls)

# A small organ made of the same pipes: every other one in rank folder A,
# the rest in B, and the first once more in B/z, a folder below a rank.
organ=$work/organ
mkdir -p "$organ/A" "$organ/B/z"
for i in "${!pipe_names[@]}"; do cp "$pipes/${pipe_names[$i]}" "$organ/$([ $((i % 2)) = 0 ] && echo A || echo B)/"; done
cp "$pipes/${pipe_names[0]}" "$organ/B/z/"

# The Windows program sees the same directories through Wine's drive Z:,
# which maps the Linux root: /tmp/x becomes Z:\tmp\x, or Z:/tmp/x for a case
# that spells its Windows paths with forward slashes.
spelling=""
windows_path() {
  local path="Z:$1"
  if [ "$spelling" = forward ]; then printf '%s' "$path"; else printf '%s' "${path//\//\\}"; fi
}

# Standard output without the banner, the line ends made LF, and the paths
# of the sources, the destination and the program's directory (as the system
# spells them) replaced by names, followed by "/" where a separator
# followed. Over folders, the separators Windows puts between the folders it
# matched are made "/" too. What remains must be the same text on both
# systems. On Windows every line must end in CR LF, as console text does there.
normalize() {  # file, sources, destination, program directory, system, pattern
  local line i
  local -a directories=("$2" "$3" "$4") tokens=("<PIPES>" "<DESTINATION>" "<PROGRAM>")
  local separator=/
  if [ "$5" = windows ]; then
    [ "$spelling" = forward ] || separator='\'
    for i in 0 1 2; do directories[$i]=$(windows_path "${directories[$i]}"); done
    if grep -q -v $'\r$' "$1"; then echo "(a line without CR LF)"; fi
  fi
  tail -n +2 "$1" | while IFS= read -r line || [ -n "$line" ]; do
    [ "$5" = windows ] && line=${line%$'\r'}
    for i in 0 1 2; do
      line=${line//"${directories[$i]}$separator"/"${tokens[$i]}/"}
      line=${line//"${directories[$i]}"/"${tokens[$i]}"}
    done
    [[ "$6" == */* ]] && line=${line//\\//}
    printf '%s\n' "$line"
  done
}

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# Same files and folders in both trees, byte for byte; files compared to
# their number.
compared=0
compare_folders() {  # case name, Linux folder, Windows folder
  local -a linux_files windows_files
  local file count=0
  mapfile -t linux_files < <(cd "$2" && find . -mindepth 1 | LC_ALL=C sort)
  mapfile -t windows_files < <(cd "$3" && find . -mindepth 1 | LC_ALL=C sort)
  [ "${linux_files[*]}" = "${windows_files[*]}" ] ||
    fail "$1: files [${linux_files[*]}] on Linux, [${windows_files[*]}] on Windows"
  for file in "${linux_files[@]}"; do
    [ -f "$3/$file" ] || continue
    cmp -s "$2/$file" "$3/$file" || fail "$1: $file differs"
    count=$((count + 1))
  done
  compared=$count
}

# A set with every format the generator knows, longer than the examples.
generator_arguments=(--count 6 --seconds 0.3:1.2 --formats 16x1,16x2,24x1,24x2,16x4,24x3 --seed 7)
mkdir -p "$work/linux/generator" "$work/windows/generator"
"$linux_build/examples/zelvanor_make_examples" "$work/linux/generator" "${generator_arguments[@]}" >/dev/null
"$wine_run" "$windows_build/examples/zelvanor_make_examples.exe" "$(windows_path "$work/windows/generator")" \
  "${generator_arguments[@]}" >/dev/null
compare_folders generator "$work/linux/generator" "$work/windows/generator"
echo "generator: $compared files compared"

# WavPack-packed sets, each system retuning a copy of its own in place: the
# example pipes packed by the wavpack tool at two modes, and a set in which
# a hybrid (lossy) pipe and a packed pipe cut short are reported and left
# as they are while a plain pipe is retuned. Left out where the tool is
# missing (Debian: wavpack).
packed_sets=()
if command -v wavpack >/dev/null; then
  for mode in normal very-high; do
    mkdir -p "$work/sets/$mode"
    mode_options=(); [ "$mode" = very-high ] && mode_options=(-hh -x3 -m)
    for pipe in "$pipes"/*.wav; do
      wavpack -q -y "${mode_options[@]}" "$pipe" -o "$work/sets/$mode/${pipe##*/}" 2>/dev/null
    done
  done
  packed_sets=(
    "wavpack-normal|+100|V=5|no||normal"
    "wavpack-very-high|0.8909|Q=1 X L=300 V=5|yes||very-high"
  )
  # The first three pipes, whichever they are: hybrid, cut to half, plain.
  if [ "${#pipe_names[@]}" -ge 3 ]; then
    mkdir -p "$work/sets/refused"
    wavpack -q -y -b3 "$pipes/${pipe_names[0]}" -o "$work/sets/refused/${pipe_names[0]}" 2>/dev/null
    packed=$work/sets/normal/${pipe_names[1]}
    head -c $(($(wc -c <"$packed") / 2)) "$packed" >"$work/sets/refused/${pipe_names[1]}"
    cp "$pipes/${pipe_names[2]}" "$work/sets/refused/"
    packed_sets+=("wavpack-refused|1.5|V=5|no||refused")
  fi
else
  echo "compare-windows: no wavpack tool (Debian: wavpack); the WavPack sets are left out"
fi

# name | detune argument | options | destination spelled with a trailing separator? | Windows spelling:
# "forward" writes its paths with "/", "upper" its pattern as *.WAV (a
# Windows wildcard ignores case) | a set in $work/sets retuned in place
# (each system in its destination, where the set is copied first) | a
# pattern over the folders of $work/organ, its separators "/" as Linux
# spells it (each system writes the mirrored tree into its destination).
cases=(
  "factor|1.5|Q=0 V=5|yes"
  "factor-down|0.8909|Q=1 V=5|no"
  "cents|+100|V=5|no"
  "cents-down|-35.5|Q=1 X V=5|yes"
  "temperament|Meantone_quarter_comma|T=Equal V=5|yes"
  "temperament-offset|Pythagorean+2.5|O=1 V=3|no"
  "tuning-page|Meantone_quarter_comma|H V=2|yes"
  "page-is-a-directory|Meantone_quarter_comma|H V=2|no"
  "forward-slashes|1.5|V=2|yes|forward"
  "forward-slashes-page|Kellner|H|yes|forward"
  "upper-case-pattern|1.5|V=3|no|upper"
  "four-at-once|0.75|V=5 J=4|no"
  "studio|+100|Q=3 V=5|no"
  "studio-octave|2|Q=3 U V=2|yes"
  "studio-down|0.73|Q=3 V=4|no"
  "pitch-standard|Werckmeister_III+2|A=415 V=2|no"
  "pitch-standard-studio|Equal|A=466.16 Q=3 J=3 V=2|yes"
  "folders|+100|V=2 J=2|no|||*/*.wav"
  "folders-forward|Werckmeister_III|A=440 V=2|yes|forward||**/*.wav"
  "${packed_sets[@]}"
)
for case in "${cases[@]}"; do
  IFS='|' read -r name detune options trailing spelling set tree <<<"$case"
  read -r -a option_words <<<"$options"
  linux_out=$work/linux/$name
  windows_out=$work/windows/$name
  mkdir -p "$linux_out" "$windows_out"
  linux_sources=$pipes windows_sources=$pipes pattern='*.wav'
  if [ -n "$tree" ]; then linux_sources=$organ windows_sources=$organ pattern=$tree; fi
  if [ -n "$set" ]; then
    cp "$work/sets/$set"/* "$linux_out"/ && cp "$work/sets/$set"/* "$windows_out"/
    linux_sources=$linux_out windows_sources=$windows_out
  fi
  linux_destination=$linux_out windows_destination=$(windows_path "$windows_out")
  if [ "$trailing" = yes ]; then linux_destination+=/ windows_destination+=$([ "$spelling" = forward ] && echo / || echo '\'); fi
  windows_pattern="$(windows_path "$windows_sources")$([ "$spelling" = forward ] && echo / || echo '\')"
  windows_pattern+=$([ "$spelling" = upper ] && echo '*.WAV' || echo "$pattern")
  [ "$spelling" = forward ] || windows_pattern=${windows_pattern//\//\\}

  # Both run in an empty directory, so both read the list file that the
  # build put beside the program.
  linux_code=0 windows_code=0
  (cd "$work" && "$linux_exe" "$linux_sources/$pattern" "$linux_destination" "$detune" "${option_words[@]}") \
    >"$work/$name.linux.txt" || linux_code=$?
  run_windows() {
    (cd "$work" && "$wine_run" "$windows_exe" "$windows_pattern" "$windows_destination" \
      "$detune" "${option_words[@]}") >"$work/$name.windows.txt" || windows_code=$?
  }
  run_windows
  # The program prints its banner before anything else, so a run with no
  # output at all never reached it: Wine failed to start the process (seen
  # once in many runs). Such a run is reported with what Wine says about it
  # and made once more; a second failure counts as any difference does.
  if [ "$windows_code" != 0 ] && [ ! -s "$work/$name.windows.txt" ]; then
    echo "note: $name: the Windows program printed nothing (exit $windows_code); once more, with Wine's errors:"
    rm -rf "$windows_out" && mkdir -p "$windows_out"
    if [ -n "$set" ]; then cp "$work/sets/$set"/* "$windows_out"/; fi
    windows_code=0
    WINEDEBUG=err+all run_windows 2>"$work/$name.wine-errors.txt"
    head -20 "$work/$name.wine-errors.txt"
  fi

  [ "$linux_code" = "$windows_code" ] || fail "$name: exit code $linux_code on Linux, $windows_code on Windows"
  normalize "$work/$name.linux.txt" "$linux_sources" "$linux_out" "$linux_build" linux "$pattern" \
    >"$work/$name.linux.norm"
  normalize "$work/$name.windows.txt" "$windows_sources" "$windows_out" "$windows_build" windows "$pattern" \
    >"$work/$name.windows.norm"
  diff -u --label linux --label windows "$work/$name.linux.norm" "$work/$name.windows.norm" | head -40 || true
  cmp -s "$work/$name.linux.norm" "$work/$name.windows.norm" || fail "$name: standard output differs"

  compare_folders "$name" "$linux_out" "$windows_out"
  echo "$name: exit $linux_code, $compared files, $(wc -l <"$work/$name.linux.norm") lines of output compared"
done

if [ "$failures" -gt 0 ]; then
  echo "compare-windows: $failures differences between Linux and Windows"
  exit 1
fi
echo "compare-windows: Linux and Windows agree"
