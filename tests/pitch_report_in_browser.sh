#!/usr/bin/env bash
# The pitch report (M) as a real browser draws it: headless Chromium renders
# the page made from the example pipes, and the page of a small organ (the
# same pipes in two rank folders: a summary and a section per rank), into
# PNGs, which must show more than a blank page. Skipped (77) where no
# Chromium or no Python is installed.
#
#   pitch_report_in_browser.sh ZELVANOR_EXECUTABLE SOURCE_DIR
set -euo pipefail
zelvanor=$1
source_dir=$2

browser=$(command -v chromium || command -v chromium-browser || command -v google-chrome || true)
[ -n "$browser" ] || { echo "no Chromium installed (scripts/install-deps.sh test): skipped"; exit 77; }
command -v python3 >/dev/null || { echo "no python3 to read the image: skipped"; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/in" "$scratch/out" "$scratch/organ/RankA" "$scratch/organ/RankB" "$scratch/organ-out" \
  "$scratch/profile"
for folder in in organ/RankA organ/RankB; do cp "$source_dir"/examples/pipes/*.wav "$scratch/$folder/"; done
cp "$source_dir/data/ZELVANOR.INI" "$scratch/"
(cd "$scratch" && "$zelvanor" 'in/*.wav' out Equal M V=0 && "$zelvanor" 'organ/*/*.wav' organ-out Equal M V=0)
[ "$(grep -c '^<h2 id=' "$scratch/organ-out/pitch-report.html")" = 2 ] || { echo "no section per rank"; exit 1; }

for page in out organ-out; do
  # --no-sandbox: test machines often run as root, where the sandbox refuses to start.
  "$browser" --headless --no-sandbox --disable-gpu --user-data-dir="$scratch/profile" --hide-scrollbars \
    --window-size=800,600 --screenshot="$scratch/$page.png" "file://$scratch/$page/pitch-report.html" \
    >"$scratch/browser.log" 2>&1 || { cat "$scratch/browser.log"; exit 1; }
done

# A blank page is one colour: its rows, filtered (PNG stores each row as its
# difference from a neighbour) and unpacked, are 0 or 255 bytes almost
# throughout. The chart's band, bars and text make many other values.
python3 - "$scratch/out.png" "$scratch/organ-out.png" <<'PY'
import struct, sys, zlib
for name in sys.argv[1:]:
    data = open(name, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, packed = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        packed += data[at + 8:at + 8 + length] if kind == b"IDAT" else b""
        at += 12 + length
    raw = zlib.decompress(packed)
    inked = sum(1 for byte in raw if byte not in (0, 255))
    print(f"{name}: {len(raw)} bytes of pixel rows, {inked} neither 0 nor 255, {len(set(raw))} values")
    assert inked > len(raw) // 100 and len(set(raw)) > 64, "the page looks blank"
PY
