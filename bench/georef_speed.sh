#!/bin/sh
# Finding the graticule geo-reference of a chart against rendering it at
# width 1024: page 1 of every chart of the FAA corpora, both from loading the
# file, best of three in CPU time (bench/tools/georef_timing.cpp). Prints the
# medians and totals, the charts where finding took longer than rendering,
# and the charts where a geo-reference was offered.
# Usage: bench/georef_speed.sh [BUILD_DIR] [CORPUS_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/georef_timing" "$corpus"/faa/*.pdf "$corpus"/faa-sfo/*.pdf > "$work/all"
median() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f", m }'; }
echo "charts $(wc -l < "$work/all")"
echo "median ms: render $(cut -f3 "$work/all" | median)  georef $(cut -f4 "$work/all" | median)"
awk -F'\t' '{ r += $3; g += $4 } END { printf "total ms: render %.1f  georef %.1f\n", r, g }' "$work/all"
echo "slower than the render:"
awk -F'\t' '$4 > $3 { printf "  %s render %s georef %s\n", $1, $3, $4 }' "$work/all"
echo "offered:"
awk -F'\t' '$5 ~ /^offered/ { print "  " $1 "\t" $5 }' "$work/all"
