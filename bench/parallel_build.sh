#!/bin/sh
# The whole chart corpus (faa and faa-sfo) as one group, built by platec with
# 1, 2 and all workers: wall time, plates per second and peak memory (GNU
# time's maximum resident size), best of RUNS. Every group file is compared
# with the one-worker file byte for byte.
# Usage: bench/parallel_build.sh [BUILD_DIR] [CORPUS_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/release}
corpus=$(cd "${2:-$here/../../shared/corpus}" && pwd)  # links below need an absolute path
runs=${3:-3}
platec=$build/cli/platec
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/home" "$work/charts"
for pdf in "$corpus"/faa/*.pdf "$corpus"/faa-sfo/*.pdf; do
  ln -s "$pdf" "$work/charts/$(basename "$(dirname "$pdf")")-$(basename "$pdf")"
done
printf '[General]\nNumberOfGroups=1\n[Group1]\nID=KALL\nName=Every chart\nCount=0\nType=0\n' \
  > "$work/charts.zpl"
"$platec" import "$work/charts.zpl" --group 1 --folder "$work/charts" --scaling 1 > /dev/null
plates=$(ls "$work/charts" | wc -l)
cores=$(nproc)
counts="1 2"
if [ "$cores" -gt 2 ]; then counts="$counts $cores"; fi
for jobs in $counts; do
  best=
  for run in $(seq "$runs"); do
    /usr/bin/time -f '%e %M' -o "$work/time" \
      "$platec" build "$work/charts.zpl" --home "$work/home" --jobs "$jobs" > /dev/null
    read -r secs kb < "$work/time"
    if [ -z "$best" ] || [ "$(echo "$secs < $best" | bc -l)" = 1 ]; then best=$secs; mem=$kb; fi
  done
  cp "$work/home/Export/ZGKALL.ZPG" "$work/jobs-$jobs.ZPG"
  same=yes
  cmp -s "$work/jobs-1.ZPG" "$work/jobs-$jobs.ZPG" || same=NO
  echo "jobs $jobs: $plates plates in ${best} s, $(echo "$plates / $best" | bc -l | xargs printf '%.1f') plates/s, peak ${mem} KB, same file as 1 worker: $same"
done
