#!/bin/sh
# Renders page 1 of every file of the mixed corpus whose MANIFEST.tsv
# mentions images (image, mask, inline image, DCT, JPX, CCITT, JPEG) at
# width 1024 with platec and with mutool, and prints each file's pixel
# agreement (bench/tools/png_agreement.c), then the median and the lowest.
# Files with CMYK, ICCBased or Lab content are also compared with poppler's
# pdftocairo, since mutool applies no colour management there.
# Usage: bench/image_quality.sh [BUILD_DIR] [CORPUS_DIR] [KEEP_DIR]
# KEEP_DIR, when given, keeps the renderings (NAME.ours.png, NAME.mutool.png,
# NAME.poppler.png) for a look at the worst files.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/mixed}
keep=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/png_agreement" "$here/tools/png_agreement.c" $(pkg-config --cflags --libs cairo)
[ -n "$keep" ] && mkdir -p "$keep"

# path, password (user password, empty for none), colour-managed flag
awk -F'\t' 'NR > 1 {
  text = tolower($2 " " $3)
  if (text !~ /image|mask|inline|dct|jpx|ccitt|jpeg/) next
  password = ""
  if (match($7, /user=[^ ]*/)) {
    password = substr($7, RSTART + 5, RLENGTH - 5)
    if (password == "(empty)") password = ""
  }
  managed = (text ~ /cmyk|iccbased|(^|[^a-z])lab([^a-z]|$)/) ? 1 : 0
  printf "%s|%s|%d\n", $1, password, managed
}' "$corpus/MANIFEST.tsv" > "$work/files"

: > "$work/scores"
while IFS="|" read -r path password managed; do
  pdf="$corpus/$path"
  name=$(echo "$path" | tr / _ | sed 's/\.pdf$//')
  if [ -n "$password" ]; then
    "$build/cli/platec" render "$pdf" --width 1024 --password "$password" -o "$work/ours.png" \
      > /dev/null
    mutool draw -q -p "$password" -w 1024 -o "$work/ref.png" "$pdf" 1 2> /dev/null
  else
    "$build/cli/platec" render "$pdf" --width 1024 -o "$work/ours.png" > /dev/null
    mutool draw -q -w 1024 -o "$work/ref.png" "$pdf" 1 2> /dev/null
  fi
  score=$("$work/png_agreement" "$work/ours.png" "$work/ref.png")
  second=
  if [ "$managed" = 1 ]; then
    set -- -png -singlefile -f 1 -l 1 -scale-to-x 1024 -scale-to-y -1
    [ -n "$password" ] && set -- "$@" -upw "$password"
    pdftocairo "$@" "$pdf" "$work/poppler" 2> /dev/null
    second="  pdftocairo $("$work/png_agreement" "$work/ours.png" "$work/poppler.png")"
    [ -n "$keep" ] && cp "$work/poppler.png" "$keep/$name.poppler.png"
  fi
  if [ -n "$keep" ]; then
    cp "$work/ours.png" "$keep/$name.ours.png"
    cp "$work/ref.png" "$keep/$name.mutool.png"
  fi
  printf '%s\t%s%s\n' "$score" "$path" "$second" | tee -a "$work/scores"
done < "$work/files"

sort -n "$work/scores" | awk -F'\t' '
  { v[NR] = $1; n[NR] = $2 }
  END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "files %d  median %.2f%%  lowest %.2f%% (%s)\n", NR, m, v[1], n[1]
  }'
