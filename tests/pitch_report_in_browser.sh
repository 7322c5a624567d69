#!/usr/bin/env bash
# The pitch report (M) as a real browser draws it: headless Chromium renders
# the page made from the example pipes into a PNG, which must show more than
# a blank page. Skipped (77) where no Chromium or no Python is installed.
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
mkdir "$scratch/in" "$scratch/out" "$scratch/profile"
cp "$source_dir"/examples/pipes/*.wav "$scratch/in/"
cp "$source_dir/data/ZELVANOR.INI" "$scratch/"
(cd "$scratch" && "$zelvanor" 'in/*.wav' out Equal M V=0)

# --no-sandbox: test machines often run as root, where the sandbox refuses to start.
"$browser" --headless --no-sandbox --disable-gpu --user-data-dir="$scratch/profile" --hide-scrollbars \
  --window-size=800,600 --screenshot="$scratch/page.png" "file://$scratch/out/pitch-report.html" \
  >"$scratch/browser.log" 2>&1 || { cat "$scratch/browser.log"; exit 1; }

# The page's colours must be there: the shaded band, the bars, the text.
python3 - "$scratch/page.png" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
at, idat, header = 8, b"", None
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    body = data[at + 8:at + 8 + length]
    if kind == b"IHDR": header = struct.unpack(">IIBBBBB", body)
    if kind == b"IDAT": idat += body
    at += 12 + length
width, height, depth, colour = header[:4]
assert depth == 8 and colour in (2, 6), f"unexpected PNG format {depth}/{colour}"
step = 3 if colour == 2 else 4
raw, stride, rows, previous = zlib.decompress(idat), width * step, [], bytearray(width * step)
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for x in range(stride):
        a = line[x - step] if x >= step else 0
        b, c = previous[x], previous[x - step] if x >= step else 0
        if kind == 1: line[x] = (line[x] + a) & 255
        elif kind == 2: line[x] = (line[x] + b) & 255
        elif kind == 3: line[x] = (line[x] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(bytes(line))
    previous = line
pixels = [row[x:x + 3] for row in rows for x in range(0, stride, step)]
background = max(set(pixels), key=pixels.count)
inked = sum(1 for p in pixels if p != background)
colours = len(set(pixels))
print(f"{width}x{height}: {inked} pixels not background, {colours} colours")
band = bytes((0xd8, 0xf0, 0xd8))
assert band in set(pixels), "the shaded band is not drawn"
assert inked > width * height // 50 and colours > 8, "the page looks blank"
PY
