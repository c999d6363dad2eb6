#!/bin/sh
# Whole-process cost of rendering page 1 of each chart to a PNG at width
# 1024: `platec render` beside `mutool draw -o` in the same run, start-up and
# PNG writing included. Each figure is the best of three runs of user + system
# CPU time, which a busy machine disturbs less than wall time.
# Usage: bench/render_process.sh [BUILD_DIR] [CORPUS_DIR ...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
[ $# -gt 0 ] && shift
[ $# -eq 0 ] && set -- "$here/../../shared/corpus/faa" "$here/../../shared/corpus/faa-sfo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
best_cpu() {
  best=
  for run in 1 2 3; do
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" > /dev/null 2>&1 || true
    t=$(awk '{ printf "%.3f", $1 + $2 }' "$work/time")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
for corpus in "$@"; do
  for pdf in "$corpus"/*.pdf; do
    ours=$(best_cpu "$build/cli/platec" render "$pdf" --width 1024 -o "$work/ours.png")
    theirs=$(best_cpu mutool draw -q -w 1024 -o "$work/mutool.png" "$pdf" 1)
    echo "$ours $theirs $(basename "$pdf")" >> "$work/rows"
  done
done
median() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f", m }'; }
echo "charts $(wc -l < "$work/rows")"
echo "median CPU s per process: platec $(awk '{ print $1 }' "$work/rows" | median)  mutool $(awk '{ print $2 }' "$work/rows" | median)"
echo "median ratio platec/mutool: $(awk '$2 > 0 { print $1 / $2 }' "$work/rows" | median)"
echo "charts where platec costs more: $(awk '$1 > $2' "$work/rows" | wc -l)"
