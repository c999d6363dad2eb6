#!/bin/sh
# Ink agreement with mutool at width 1024 for the graphics files: every file
# of the mixed corpus's graphics/ folder and the pdfjs files that use
# shadings or patterns (listed below: the files with a /ShadingType or
# /PatternType key among their objects, which every sh operator and shading
# or tiling pattern needs), soft masks, blend modes, optional content or
# annotations. Page 1 of each is rendered with platec and with
# poppler's pdftocairo, each compared with mutool; prints every file's two
# figures, then the medians and the files where platec is more than two
# points below pdftocairo.
# Usage: bench/render_quality_graphics.sh [BUILD_DIR] [CORPUS_DIR]
set -eu
. "$(dirname "$0")/tools/viewer_turn.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/png_agreement" "$here/tools/png_agreement.c" $(pkg-config --cflags --libs cairo)
pdfjs_files="
ContentStreamCycleType3insideType3.pdf
ContentStreamNoCycleType3insideType3.pdf ShowText-ShadingPattern.pdf
bug1019475_1.pdf bug1771477.pdf bug852992_reduced.pdf gradientfill.pdf
issue11144_reduced.pdf issue11473.pdf issue12798_page1_reduced.pdf
issue13561_reduced.pdf issue15716.pdf issue16091.pdf issue17065.pdf
issue17848.pdf issue18032.pdf issue18529.pdf issue18816.pdf issue2177.pdf
issue2948.pdf issue3458.pdf issue6296.pdf issue6298.pdf issue6541.pdf
issue7847_radial.pdf issue9017_reduced.pdf issue9243.pdf
operator_list_cycle.pdf quadpoints.pdf shading_extend.pdf
transparency_group.pdf type4psfunc.pdf
"
# The pdfjs files with soft masks, blend modes, optional content or markup
# annotations: a /BM, /SMask or /OCProperties key or such an annotation's
# /Subtype among their objects (object streams expanded by qpdf).
pdfjs_transparency_files="
Test-plusminus.pdf ZapfDingbats.pdf annotation-ink-without-appearance.pdf
annotation-line-without-appearance.pdf annotation-line.pdf
annotation-link-text-popup.pdf annotation-polyline-polygon.pdf
annotation-square-circle.pdf annotation-stamp.pdf basicapi.pdf
bigboundingbox.pdf bug1057544.pdf bug1365930.pdf bug1473809.pdf
bug1538111.pdf bug1552113.pdf bug1650302_reduced.pdf bug1669099.pdf
bug1708040.pdf bug1708041.pdf bug1743245.pdf bug1811510.pdf bug1851498.pdf
bug1865341.pdf bug1871353.1.pdf bug1871353.pdf bug1919513.pdf bug2004951.pdf
bug2009627.pdf bug766086.pdf checkbox-bad-appearance.pdf
chrome-text-selection-markedContent.pdf colorspace_cos.pdf colorspace_sin.pdf
extract_link.pdf file_url_link.pdf find_all.pdf firefox_logo.pdf
fraction-highlight.pdf freetext_no_appearance.pdf freetexts.pdf
image-rotated-black-white-ratio.pdf inks.pdf issue10301.pdf issue10529.pdf
issue11362.pdf issue12823.pdf issue13931.pdf issue14046.pdf issue14438.pdf
issue1453.pdf issue14627.pdf issue14802.pdf issue14821.pdf issue14847.pdf
issue15012.pdf issue15367.pdf issue15372.pdf issue16021.pdf issue16263.pdf
issue17056.pdf issue17147.pdf issue17215.pdf issue17492.pdf issue17671.pdf
issue17679.pdf issue17679_2.pdf issue19326.pdf issue19424.pdf issue19474.pdf
issue20324.pdf issue20489.pdf issue20504.pdf issue2074.pdf issue21126.pdf
issue269_2.pdf issue2956.pdf issue6179_reduced.pdf issue6387.pdf
issue7115.pdf issue7891_bc0.pdf issue7891_bc1.pdf issue8844.pdf
issue9972-1.pdf issue9972-3.pdf knockout_blend_multiply.pdf
knockout_smask.pdf named_dest_collision_for_editor.pdf
nonisolated_blend_smask.pdf page_with_number_and_link.pdf pdfjs_wikipedia.pdf
pr12564.pdf pr19449.pdf pr20043.pdf pr6531_2.pdf red_stamp.pdf
rotated_freetexts.pdf smask_alpha_oob.pdf smask_alpha_oob_transfer.pdf
smask_luminosity_oob_transfer.pdf standard_fonts.pdf tracemonkey_a11y.pdf
two_pages.pdf
"
{
  for pdf in "$corpus"/mixed/graphics/*.pdf; do echo "$pdf"; done
  for name in $pdfjs_files $pdfjs_transparency_files; do echo "$corpus/pdfjs/$name"; done
} > "$work/list"
: > "$work/scores"
while read -r pdf; do
  [ -f "$pdf" ] || continue
  rm -f "$work/ours.png" "$work/ref.png" "$work/poppler.png"
  timeout 30 mutool draw -q -w 1024 -o "$work/ref.png" "$pdf" 1 2> /dev/null || true
  [ -s "$work/ref.png" ] || continue  # only files that mutool renders
  timeout 60 "$build/cli/platec" render "$pdf" --width 1024 --rotate "$(viewer_turn "$pdf")" -o "$work/ours.png" > /dev/null 2>&1 || true
  # pdftocairo at the resolution that makes the turned page 1024 wide.
  dpi=$(pdfinfo -f 1 -l 1 "$pdf" 2> /dev/null | awk '
    /^Page +1 size:/ { w = $4; h = $6 } /^Page +1 rot:/ { r = $4 }
    END { if (r == 90 || r == 270) w = h; if (w > 0) printf "%.6f", 1024 * 72 / w }')
  [ -n "$dpi" ] && timeout 60 pdftocairo -png -cropbox -singlefile -f 1 -l 1 -r "$dpi" "$pdf" \
    "$work/poppler" 2> /dev/null || true
  ours=0 poppler=0
  [ -s "$work/ours.png" ] && ours=$("$work/png_agreement" "$work/ours.png" "$work/ref.png" 2> /dev/null || echo 0)
  [ -s "$work/poppler.png" ] && poppler=$("$work/png_agreement" "$work/poppler.png" "$work/ref.png" 2> /dev/null || echo 0)
  printf '%s\t%s\t%s\n' "$ours" "$poppler" "${pdf#"$corpus"/}" | tee -a "$work/scores"
done < "$work/list"
median() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f", m }'; }
echo "files $(wc -l < "$work/scores")  median: platec $(cut -f1 "$work/scores" | median)%  pdftocairo $(cut -f2 "$work/scores" | median)%"
awk -F'\t' '$1 < $2 - 2 { n++; printf "  below pdftocairo - 2: %s (%s vs %s)\n", $3, $1, $2 } END { printf "files below pdftocairo - 2: %d\n", n + 0 }' "$work/scores"
