#!/bin/sh
# The graticule geo-reference over every file of a corpus (default the pdfjs
# one), the first pages of each (default 3), one process per file with a time
# limit: how many pages were offered one, the reasons nothing was offered,
# and the files that crashed or hung.
# Usage: bench/graticule_sweep.sh [BUILD_DIR] [CORPUS_DIR] [PAGES]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/pdfjs}
pages=${3:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=0
: > "$work/failed"
for pdf in "$corpus"/*.pdf; do
  files=$((files + 1))
  timeout 30 "$build/bench/georef_timing" --rounds 1 --no-render --pages "$pages" "$pdf" \
    >> "$work/all" 2> /dev/null
  status=$?
  if [ "$status" -ne 0 ]; then echo "  $pdf: exit status $status" >> "$work/failed"; fi
done
echo "files $files, pages read $(wc -l < "$work/all")"
echo "offered: $(grep -c "	offered" "$work/all")"
grep "	offered" "$work/all" | cut -f1,2,5 | sed 's/^/  /'
echo "results:"
cut -f5 "$work/all" | sed -e 's/^offered.*/offered/' -e 's/([0-9]*)/(N)/' | sort | uniq -c | sort -rn | sed 's/^/  /'
echo "crashed or hung (timeout gives 124): $(wc -l < "$work/failed")"
cat "$work/failed"
