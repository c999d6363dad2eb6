#!/bin/sh
# Renders page 1 of every file of a folder (by default the pdfjs corpus) at
# width 1024 with platec, mutool and pdftoppm, 30 s at most each, and prints
# one line per file (status of each: ok, fail, crash or hang; ink agreement
# of ours and of poppler with mutool), then a summary line. A render is
# usable at 90 % agreement or more.
# Usage: bench/pdfjs_sweep.sh [BUILD_DIR] [CORPUS_DIR] [PLATEC]
set -u
. "$(dirname "$0")/tools/viewer_turn.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/pdfjs}
platec=${3:-$build/cli/platec}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/png_agreement" "$here/tools/png_agreement.c" $(pkg-config --cflags --libs cairo)

# The status of a finished command from its exit code: timeout's 124 is a
# hang, a signal or a sanitizer's report a crash.
status() {
  case $1 in
    0) echo ok ;;
    124) echo hang ;;
    1 | 2) if grep -q 'Sanitizer' "$2" 2> /dev/null; then echo crash; else echo fail; fi ;;
    *) echo crash ;;
  esac
}

agreement() {
  if [ -s "$1" ] && [ -s "$2" ]; then "$work/png_agreement" "$1" "$2" 2> /dev/null || echo 0; else echo -; fi
}

printf '%-5s %-6s %-6s %7s %7s  %s\n' ours mutool poppler ours% pop% file
for pdf in "$corpus"/*.pdf; do
  name=$(basename "$pdf")
  rm -f "$work"/*.png
  timeout 30 "$platec" render "$pdf" --width 1024 --rotate "$(viewer_turn "$pdf")" -o "$work/ours.png" > /dev/null 2> "$work/err"
  ours=$(status $? "$work/err")
  timeout 30 mutool draw -q -w 1024 -o "$work/mutool.png" "$pdf" 1 > /dev/null 2>&1
  mutool=$(status $? /dev/null)
  # mutool reports some failures only as a missing page image.
  [ "$mutool" = ok ] && [ ! -s "$work/mutool.png" ] && mutool=fail
  timeout 30 pdftoppm -q -png -singlefile -f 1 -l 1 -scale-to-x 1024 -scale-to-y -1 "$pdf" \
    "$work/poppler" > /dev/null 2>&1
  poppler=$(status $? /dev/null)
  [ "$poppler" = ok ] && [ ! -s "$work/poppler.png" ] && poppler=fail
  printf '%-5s %-6s %-6s %7s %7s  %s\n' "$ours" "$mutool" "$poppler" \
    "$(agreement "$work/ours.png" "$work/mutool.png")" \
    "$(agreement "$work/poppler.png" "$work/mutool.png")" "$name"
done | tee "$work/table"
awk '
  NR > 0 {
    n++
    if ($1 == "crash") crash++; if ($1 == "hang") hang++; if ($1 == "fail") fail++
    if ($2 == "ok") { mok++; if ($1 != "ok") missed++ }
    if ($2 != "ok") mfail++
    if ($3 != "ok") pfail++
    if ($4 != "-" && $4 >= 90) ours++
    if ($5 != "-" && $5 >= 90) pop++
  }
  END {
    printf "files %d  mutool renders %d (fails %d)  ours: crashes %d hangs %d failures %d ", \
      n, mok, mfail, crash, hang, fail
    printf "(of them where mutool renders %d), usable %d  poppler: failures %d, usable %d\n", \
      missed, ours, pfail, pop
  }' "$work/table"
