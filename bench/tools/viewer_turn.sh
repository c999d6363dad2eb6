# Sourced by the comparison scripts. platec turns pages as plates do: a page
# standing at 90 degrees comes out as a viewer shows it with the rotation
# choice "upside down" (3), one at 270 with 0. viewer_turn PDF prints the
# choice that matches the page as mutool and poppler draw page 1.
viewer_turn() {
  rot=$(pdfinfo -f 1 -l 1 "$1" 2> /dev/null | awk '/^Page +1 rot:/ { print $4 }')
  if [ "$rot" = 90 ]; then echo 3; else echo 0; fi
}
