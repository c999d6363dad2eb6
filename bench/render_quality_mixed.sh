#!/bin/sh
# Renders page 1 of every file of the mixed corpus whose MANIFEST.tsv lists
# fonts or text, at width 1024, with platec and with mutool, and prints each
# file's pixel agreement with mutool, next to poppler's pdftocairo agreement
# with mutool as a second opinion, then the median and the lowest.
# Usage: bench/render_quality_mixed.sh [BUILD_DIR] [CORPUS_DIR]
set -eu
. "$(dirname "$0")/tools/viewer_turn.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/mixed}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/png_agreement" "$here/tools/png_agreement.c" $(pkg-config --cflags --libs cairo)
: > "$work/scores"
awk -F'\t' 'NR > 1 && tolower($3) ~ /font|text/ { print $1 }' "$corpus/MANIFEST.tsv" |
while read -r rel; do
  pdf="$corpus/$rel"
  rm -f "$work/ours.png" "$work/ref.png" "$work/poppler.png"
  "$build/cli/platec" render "$pdf" --width 1024 --rotate "$(viewer_turn "$pdf")" -o "$work/ours.png" > /dev/null 2>&1 || true
  mutool draw -q -w 1024 -o "$work/ref.png" "$pdf" 1 2> /dev/null || true
  score=0
  if [ -s "$work/ours.png" ] && [ -s "$work/ref.png" ]; then
    score=$("$work/png_agreement" "$work/ours.png" "$work/ref.png")
  fi
  poppler=-
  if command -v pdftocairo > /dev/null 2>&1; then
    pdftocairo -png -singlefile -f 1 -l 1 -scale-to-x 1024 -scale-to-y -1 "$pdf" \
      "$work/poppler" 2> /dev/null || true
    if [ -s "$work/poppler.png" ] && [ -s "$work/ref.png" ]; then
      poppler=$("$work/png_agreement" "$work/poppler.png" "$work/ref.png" 2> /dev/null || echo -)
    fi
  fi
  printf '%s\t%s\t%s\n' "$score" "$rel" "poppler $poppler" | tee -a "$work/scores"
done
sort -n "$work/scores" | awk -F'\t' '
  { v[NR] = $1; n[NR] = $2 }
  END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "files %d  median %.2f%%  lowest %.2f%% (%s)\n", NR, m, v[1], n[1]
  }'
