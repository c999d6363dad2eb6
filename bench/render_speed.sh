#!/bin/sh
# Median time per chart to parse and render page 1 at width 1024: ours (the
# render_bench, CPU time) next to mutool draw in the same run (the page time
# that `mutool draw -s t -w 1024 FILE 1` reports: without an output file it
# renders and writes nothing, so neither its start-up nor image compression
# is counted; best of three per chart).
# Usage: bench/render_speed.sh [BUILD_DIR] [CORPUS_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/faa}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/render_bench" --benchmark_min_time=0.2 --benchmark_format=csv 2> /dev/null |
  awk -F, '/^"BM_Render/ { print $4 }' > "$work/ours"
for pdf in "$corpus"/*.pdf; do
  best=
  for run in 1 2 3; do
    t=$(mutool draw -s t -w 1024 "$pdf" 1 2>&1 |
      sed -n 's/^page .* \([0-9][0-9]*\)ms.*/\1/p' | head -n 1)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best" >> "$work/mutool"
done
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m }'; }
echo "charts $(wc -l < "$work/ours")  median ms per chart: platec $(median "$work/ours")  mutool $(median "$work/mutool")"
