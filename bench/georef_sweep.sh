#!/bin/sh
# Which files are offered a geo-reference: `platec georef` on page 1 of every
# PDF file of the FAA folders and of pdfjs (30 s each at most). Prints each
# file that is offered one, with its corners and where they came from, then
# the counts: offered, not offered, failed to load or timed out.
# Usage: bench/georef_sweep.sh [BUILD_DIR] [CORPUS_DIR]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus}
platec="$build/cli/platec"
offered=0 none=0 failed=0
for folder in faa faa-sfo pdfjs; do
  for pdf in "$corpus/$folder"/*.pdf; do
    out=$(timeout 30 "$platec" georef "$pdf" --json 2> /tmp/georef_sweep_err.$$)
    status=$?
    if [ $status -eq 0 ]; then
      offered=$((offered + 1))
      echo "offered  $folder/$(basename "$pdf")  $out"
    elif grep -q ", page 1: " /tmp/georef_sweep_err.$$; then
      # The page loaded and has no geo-reference (the reason follows).
      none=$((none + 1))
    else
      failed=$((failed + 1))
      echo "failed   $folder/$(basename "$pdf")  $(head -c 200 /tmp/georef_sweep_err.$$)"
    fi
  done
done
rm -f /tmp/georef_sweep_err.$$
echo "offered $offered  not offered $none  failed or timed out $failed"
