#!/bin/sh
# Render time of text-heavy pages at width 1024: ours (text_bench, CPU time
# per page) next to mutool draw's own page time in the same run (best of
# three), written as PNM so that PNG compression is not counted. Pages: a generated page of dense text in non-embedded Helvetica,
# a generated page of the same text in an embedded TrueType subset-sized
# font (Liberation Sans), the chart corpus's two text pages and the mixed
# corpus's text samples.
# Usage: bench/text_speed.sh [BUILD_DIR] [SHARED_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shared=${2:-$here/../../shared}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/tools/make_text_page.py" "$work/dense-helvetica.pdf"
font=$(fc-match -f '%{file}' 'Liberation Sans' 2> /dev/null || true)
files="$work/dense-helvetica.pdf"
if [ -n "$font" ]; then
  python3 "$here/tools/make_text_page.py" "$work/dense-embedded.pdf" "$font"
  files="$files:$work/dense-embedded.pdf"
fi
for f in faa/MA-BOS-HOT-SPOT.pdf faa/MA-BOS-LAHSO.pdf mixed/fonts/reportlab-standard14.pdf \
  mixed/fonts/cairo-truetype-subset.pdf mixed/fonts/cairo-cff-type1c.pdf; do
  [ -f "$shared/corpus/$f" ] && files="$files:$shared/corpus/$f"
done
QP_TEXT_BENCH_FILES=$files "$build/bench/text_bench" --benchmark_min_time=0.3 \
  --benchmark_format=csv 2> /dev/null | awk -F, '/^"BM_Text/ { print $4 }' > "$work/ours"
echo "$files" | tr ':' '\n' > "$work/files"
printf 'ms per page  platec  mutool  file\n'
while read -r pdf; do
  best=
  for run in 1 2 3; do
    t=$(mutool draw -s t -w 1024 -o /dev/null -F pnm "$pdf" 1 2>&1 |
      sed -n 's/^page .* \([0-9][0-9]*\)ms.*/\1/p' | head -n 1)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
done < "$work/files" > "$work/mutool"
paste "$work/ours" "$work/mutool" "$work/files" |
  awk -F'\t' '{ n = split($3, p, "/"); printf "%12.1f  %6s  %s\n", $1, $2, p[n] }'
