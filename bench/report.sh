#!/usr/bin/env bash
# The pitch report page of a large organ: FOLDERS ranks of PIPES pipes (50
# of 60 by default, 3,000 pipes), the page's size, and how long headless
# Chromium takes to draw it: once the first screen (what a user sees on
# opening it; the browser lays out the whole page for it) and once the whole
# page printed to PDF (every chart and row laid out and painted), each the
# fastest of three runs, next to the same for an empty page (the browser's
# own start).
#
#   bench/report.sh [FOLDERS PIPES]          the page of made-up rows
#                                            (bench/report_bench.cpp)
#   bench/report.sh --pipes [FOLDERS PIPES]  the page M writes over generated
#                                            pipes (zelvanor_make_examples, a
#                                            folder each, keys 36 up), and
#                                            the time of that M run
set -euo pipefail
cd "$(dirname "$0")/.."
pipes=false
[ "${1:-}" = --pipes ] && { pipes=true; shift; }
folders=${1:-50} count=${2:-60}
cmake --preset release >/dev/null
cmake --build --preset release --target zelvanor zelvanor_make_examples zelvanor_report_bench >/dev/null
browser=$(command -v chromium || command -v chromium-browser || command -v google-chrome) ||
  { echo "no Chromium installed (scripts/install-deps.sh test)"; exit 1; }
dir=$PWD/build/bench/report
rm -rf "$dir" && mkdir -p "$dir/profile" "$dir/report"
if $pipes; then
  for ((f = 1; f <= folders; ++f)); do
    build/release/examples/zelvanor_make_examples "$(printf '%s/organ/Rank%02d' "$dir" "$f")" --count "$count" \
      --note-step 1 --formats 16x1 --seed "$f" >/dev/null
  done
  cp data/ZELVANOR.INI "$dir/"
  start=$(date +%s.%N)
  (cd "$dir" && "$OLDPWD/build/release/zelvanor" 'organ/*/*.wav' report Equal A=440 M V=0 >/dev/null)
  echo "M over $((folders * count)) generated pipes in $folders folders: $(echo "$(date +%s.%N) - $start" | bc) s," \
    "$(stat -c %s "$dir/report/pitch-report.html") bytes of page"
  mv "$dir/report/pitch-report.html" "$dir/organ.html"
else
  build/release/bench/zelvanor_report_bench "$folders" "$count" "$dir/organ.html"
fi
printf '<!DOCTYPE html>\n<html><body></body></html>\n' >"$dir/empty.html"

# The fastest of three runs of the browser on a page, in seconds.
fastest() {
  local best=
  for _ in 1 2 3; do
    local start end
    start=$(date +%s.%N)
    "$browser" --headless --no-sandbox --disable-gpu --user-data-dir="$dir/profile" --hide-scrollbars "$@" \
      >"$dir/browser.log" 2>&1 || { cat "$dir/browser.log"; exit 1; }
    end=$(date +%s.%N)
    best=$(echo "$end - $start" | bc | awk -v b="$best" '{ print (b == "" || $1 < b) ? $1 : b }')
  done
  echo "$best"
}
for page in empty organ; do
  screen=$(fastest --window-size=1280,900 --screenshot="$dir/$page.png" "file://$dir/$page.html")
  whole=$(fastest --no-pdf-header-footer --print-to-pdf="$dir/$page.pdf" "file://$dir/$page.html")
  printf '%-6s first screen %6.2f s, whole page to PDF %6.2f s (%s bytes of PDF)\n' "$page" "$screen" "$whole" \
    "$(stat -c %s "$dir/$page.pdf")"
done
