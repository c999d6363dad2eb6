#!/bin/sh
# Renders page 1 of every chart at width 1024 with platec, mutool and poppler's
# pdftoppm, and prints each chart's pixel agreement with mutool, ours then
# poppler's, then the median and the lowest of each.
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
  pdftoppm -png -singlefile -f 1 -l 1 -scale-to-x 1024 -scale-to-y -1 "$pdf" "$work/poppler" \
    2> /dev/null
  score=$("$work/png_agreement" "$work/ours.png" "$work/ref.png")
  poppler=$("$work/png_agreement" "$work/poppler.png" "$work/ref.png")
  printf '%s\t%s\t%s\n' "$score" "$poppler" "$name" | tee -a "$work/scores"
done
summary() {
  sort -t "$(printf '\t')" -n -k"$1" "$work/scores" | awk -F'\t' -v column="$1" -v who="$2" '
    { v[NR] = $column; n[NR] = $3 }
    END {
      m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%s: charts %d  median %.2f%%  lowest %.2f%% (%s)\n", who, NR, m, v[1], n[1]
    }'
}
summary 1 ours
summary 2 poppler
