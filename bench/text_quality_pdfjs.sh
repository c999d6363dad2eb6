#!/bin/sh
# Text quality over the pdfjs corpus: for every file on whose page 1 mutool
# finds text, page 1 at width 1024 from platec and from poppler's pdftoppm,
# each compared with mutool draw -w 1024 by the ink-agreement measure. Prints
# one line per file (ours, poppler, our ink, mutool's ink), then both
# medians, every file where ours is below 80 %, and every file where our ink
# is under half of mutool's (text that did not come out).
# Usage: bench/text_quality_pdfjs.sh [BUILD_DIR] [CORPUS_DIR]
set -eu
. "$(dirname "$0")/tools/viewer_turn.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/pdfjs}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cflags=$(pkg-config --cflags --libs cairo)
cc -O2 -o "$work/png_agreement" "$here/tools/png_agreement.c" $cflags
cc -O2 -o "$work/png_ink" "$here/tools/png_ink.c" $cflags
: > "$work/scores"
for pdf in "$corpus"/*.pdf; do
  name=$(basename "$pdf" .pdf)
  rm -f "$work/ours.png" "$work/ref.png" "$work/poppler.png"
  text=$(timeout 60 mutool draw -q -F txt -o - "$pdf" 1 2> /dev/null | tr -d ' \t\r\n\f' | head -c 1)
  [ -n "$text" ] || continue
  timeout 60 mutool draw -q -w 1024 -o "$work/ref.png" "$pdf" 1 2> /dev/null || true
  [ -s "$work/ref.png" ] || continue
  timeout 60 "$build/cli/platec" render "$pdf" --width 1024 --rotate "$(viewer_turn "$pdf")" -o "$work/ours.png" > /dev/null 2>&1 ||
    true
  timeout 60 pdftoppm -q -png -singlefile -f 1 -l 1 -scale-to-x 1024 -scale-to-y -1 "$pdf" \
    "$work/poppler" 2> /dev/null || true
  ours=0 poppler=0 inkOurs=0
  inkRef=$("$work/png_ink" "$work/ref.png")
  if [ -s "$work/ours.png" ]; then
    ours=$("$work/png_agreement" "$work/ours.png" "$work/ref.png" 2> /dev/null || echo 0)
    inkOurs=$("$work/png_ink" "$work/ours.png")
  fi
  if [ -s "$work/poppler.png" ]; then
    poppler=$("$work/png_agreement" "$work/poppler.png" "$work/ref.png" 2> /dev/null || echo 0)
  fi
  printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$ours" "$poppler" "$inkOurs" "$inkRef" |
    tee -a "$work/scores"
done
median() {
  cut -f "$1" "$work/scores" | sort -n | awk '
    { v[NR] = $1 }
    END { printf "%.2f", NR ? ((NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) : 0 }'
}
printf 'files %d  median ours %s%%  median pdftoppm %s%%\n' "$(wc -l < "$work/scores")" \
  "$(median 2)" "$(median 3)"
awk -F'\t' '
  $2 < 80 { low = low sprintf("  %s %.2f%% (pdftoppm %.2f%%)\n", $1, $2, $3) }
  $4 * 2 < $5 { faint = faint sprintf("  %s ink %d, mutool %d\n", $1, $4, $5) }
  END {
    printf "below 80%%:\n%s", low
    printf "our ink under half of mutool'"'"'s:\n%s", faint
  }' "$work/scores"
