#!/bin/sh
# Renders page 1 of every file of a folder (by default the pdfjs corpus) at
# width 1024 with the sanitizer build of platec, 120 s at most each, and
# prints one line per file: ok, fail (a refusal with a message), report (an
# AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer report),
# crash or hang; then a summary line. The reports are kept in OUT_DIR.
# Usage: bench/sanitizer_sweep.sh [SANITIZE_BUILD_DIR] [CORPUS_DIR] [OUT_DIR]
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/sanitize}
corpus=${2:-$here/../../shared/corpus/pdfjs}
out=${3:-$(mktemp -d)}
mkdir -p "$out"
platec=$build/cli/platec
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$here/../tests/fuzz/lsan_suppressions.txt

for pdf in "$corpus"/*.pdf; do
  name=$(basename "$pdf" .pdf)
  timeout 120 "$platec" render "$pdf" --width 1024 -o "$out/$name.png" > /dev/null 2> "$out/$name.err"
  code=$?
  if grep -q 'Sanitizer' "$out/$name.err"; then
    result=report
  else
    case $code in
      0) result=ok ;;
      1 | 2) result=fail ;;
      124) result=hang ;;
      *) result=crash ;;
    esac
  fi
  rm -f "$out/$name.png"
  [ "$result" = report ] || [ "$result" = crash ] || rm -f "$out/$name.err"
  printf '%-6s %s\n' "$result" "$name"
done | tee "$out/table"
awk '{ n++; c[$1]++ }
  END { printf "files %d  ok %d  fail %d  report %d  crash %d  hang %d\n", n, c["ok"], c["fail"], c["report"], c["crash"], c["hang"] }' "$out/table"
