#!/usr/bin/env bash
# Interop with the WavPack command-line tools, on the example pipes and on
# extensible pipes written by sox (when installed):
#
#   wavpack_tools_interop.sh ZELVANOR PIPE_FOLDER "WAVPACK_OPTIONS"|default
#     packs the pipes with wavpack and those options and retunes them in
#     place; then for every pipe wvunpack of the output is byte for byte the
#     file Zelvanor writes from the unpacked pipe (same options), wvunpack -vm
#     verifies it (and the MD5 it stores, where the source had one) and
#     wvunpack -ss shows the source's modalities.
#   wavpack_tools_interop.sh ZELVANOR PIPE_FOLDER lossy
#     a hybrid (lossy) pipe is reported, left as it is, and the run goes on.
#
# Exits 77 (skipped) where the tools are missing.
set -euo pipefail
zelvanor=$1
pipes=$2
mode=$3
[ "$mode" = default ] && mode=""
for tool in wavpack wvunpack; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (Debian: wavpack); skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

mkdir plain packed sources
cp "$pipes"/*.wav plain/
if command -v sox >/dev/null; then
  sox -n -b 24 -c 2 -r 44100 plain/060-C.wav synth 0.5 sine 261.6
  sox -n -b 16 -c 4 -r 44100 plain/061-C#.wav synth 0.4 sine 277.2
fi

if [ "$mode" = lossy ]; then
  wavpack -q -b3 plain/060-C.wav -o packed/060-C.wav 2>/dev/null || wavpack -q -b3 plain/036-C.wav -o packed/060-C.wav
  cp plain/036-C.wav packed/036-C.wav
  cp packed/060-C.wav lossy.wv
  output=$("$zelvanor" 'packed/*.wav' packed 1.05)
  echo "$output"
  grep -qx 'packed/060-C.wav is lossy (hybrid) WavPack, which Zelvanor does not retune; skipped' <<<"$output" ||
    fail "no refusal of the lossy pipe"
  cmp -s lossy.wv packed/060-C.wav || fail "the lossy pipe was changed"
  grep -q '^Tune packed/036-C.wav' <<<"$output" || fail "the run did not go on"
  exit 0
fi

for file in plain/*.wav; do
  # shellcheck disable=SC2086  # the options are words
  wavpack -q -y $mode "$file" -o "packed/${file#plain/}" 2>/dev/null
done
cp packed/*.wav sources/
for options in "+100" "0.8 Q=0 X L=300"; do
  rm -rf retuned unpacked && mkdir retuned unpacked
  # shellcheck disable=SC2086
  "$zelvanor" 'plain/*.wav' retuned $options V=0 >/dev/null || fail "retuning the plain pipes ($options)"
  cp sources/*.wav packed/
  # shellcheck disable=SC2086
  "$zelvanor" 'packed/*.wav' packed $options V=0 >/dev/null || fail "retuning the packed pipes in place ($options)"
  for file in packed/*.wav; do
    name=${file#packed/}
    [ "$(head -c 4 "$file")" = wvpk ] || fail "$name is no longer WavPack"
    wvunpack -q -y "$file" -o "unpacked/$name" 2>/dev/null || fail "wvunpack $name"
    cmp "unpacked/$name" "retuned/$name" || fail "$name unpacks to another file than the plain pipe gives ($options)"
    wvunpack -q -vm "$file" 2>/dev/null || fail "wvunpack -vm finds $name damaged, or the MD5 it stores wrong"
    modalities() { wvunpack -ss "$1" 2>/dev/null | grep -E '^(modalities|original md5):' | sed 's/md5: .*/md5/'; }
    [ "$(modalities "$file")" = "$(modalities "sources/$name")" ] ||
      fail "$name: $(modalities "$file") instead of $(modalities "sources/$name")"
    if [ "$name" = 060-C.wav ] || [ "$name" = 061-C#.wav ]; then
      cmp -i 12 -n 48 "unpacked/$name" "plain/$name" >/dev/null || fail "$name: fmt chunk changed"
    fi
  done
  echo "wavpack $mode, zelvanor $options: $(ls packed | wc -l) pipes agree"
done
