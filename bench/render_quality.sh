#!/bin/sh
# Renders page 1 of every chart at width 1024 with platec and with mutool and
# prints each chart's pixel agreement, then the median and the lowest.
# Usage: bench/render_quality.sh [BUILD_DIR] [CORPUS_DIR]
set -eu
. "$(dirname "$0")/tools/viewer_turn.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/faa}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/png_agreement" "$here/tools/png_agreement.c" $(pkg-config --cflags --libs cairo)
: > "$work/scores"
for pdf in "$corpus"/*.pdf; do
  name=$(basename "$pdf" .pdf)
  "$build/cli/platec" render "$pdf" --width 1024 --rotate "$(viewer_turn "$pdf")" -o "$work/ours.png" > /dev/null
  mutool draw -q -w 1024 -o "$work/ref.png" "$pdf" 1 2> /dev/null
  score=$("$work/png_agreement" "$work/ours.png" "$work/ref.png")
  printf '%s\t%s\n' "$score" "$name" | tee -a "$work/scores"
done
sort -n "$work/scores" | awk -F'\t' '
  { v[NR] = $1; n[NR] = $2 }
  END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "charts %d  median %.2f%%  lowest %.2f%% (%s)\n", NR, m, v[1], n[1]
  }'
