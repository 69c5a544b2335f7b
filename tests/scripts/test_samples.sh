#!/usr/bin/env bash
# The sample pictures a newcomer adds, run through the picture check by the
# benchmark program: every sample must get the status it was made for, the
# sizes must sit on the intended side of the 50 KB rule, and the benchmark's
# output must keep its form (tab-separated lines in file-name order, the ratio
# as the last line). Needs the benchmark build (PELMAR_BENCH, on by default).
set -euo pipefail
bin=${PELMAR_BIN_DIR:?}
if [ ! -x "$bin/make_samples" ] || [ ! -x "$bin/bench_picture_check" ]; then
  echo "skipped: built without the benchmarks"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }

"$bin/make_samples" "$work/s" >/dev/null
check test "$(ls "$work/s" | wc -l)" -eq 15

big=0
for f in "$work"/s/*; do
  size=$(stat -c %s "$f")
  case "$(basename "$f")" in
    13_50KB_alatt.jpg) check test "$size" -lt 51200 ;;
    *) check test "$size" -ge 51200; big=$((big + 1)) ;;
  esac
done
check test "$big" -eq 14

out=$("$bin/bench_picture_check" "$work/s" 1000x1500 2>/dev/null)
status() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' <<<"$out"; }
resolution() { awk -F'\t' -v n="$1" '$1 == n { print $3 }' <<<"$out"; }
check test "$(status 01_fekvo_4000x3000.jpg)" = 0
check test "$(resolution 01_fekvo_4000x3000.jpg)" = 3000x4000
check test "$(status 05_fekvo_pont_minimum_1500x1000.jpg)" = 0
check test "$(status 06_allo_1000x1500.jpg)" = 2
check test "$(resolution 07_allo_1200x1800_minimum_alatt.jpg)" = 1800x1200
check test "$(status '10 nyári kép;strand.jpg')" = 0
check test "$(status 14_tiff_kep.tif)" = 0
check test "$(resolution 14_tiff_kep.tif)" = Ismeretlen
check test "$(status 15_nem_jpeg.jpg)" = -1
check grep -q $'^15_nem_jpeg.jpg\t-1\t\tJPEG error #[0-9]' <<<"$out"
# Twelve JPEGs of different pixel sizes, landscape and portrait.
jpegs=$(awk -F'\t' '$3 ~ /^[0-9]+x[0-9]+$/ && $1 != "13_50KB_alatt.jpg"' <<<"$out")
check test "$(wc -l <<<"$jpegs")" -eq 12
check test "$(cut -f3 <<<"$jpegs" | sort -u | wc -l)" -eq 12
check test "$(awk -F'\t' '{ split($3, r, "x"); if (r[1] > r[2]) n++ } END { print n }' <<<"$jpegs")" -ge 4
check test "$(awk -F'\t' '{ split($3, r, "x"); if (r[1] < r[2]) n++ } END { print n }' <<<"$jpegs")" -ge 4

# Form of the output: one line per file in file-name order, then the ratio.
check test "$(wc -l <<<"$out")" -eq 16
names=$(head -n 15 <<<"$out" | cut -f1)
check test "$names" = "$(LC_ALL=C sort <<<"$names")"
check grep -qE '^check/read-baseline ratio: [0-9]+\.[0-9]+$' <<<"$(tail -n 1 <<<"$out")"
check test "$(head -n 15 <<<"$out" | awk -F'\t' 'NF != 4' | wc -l)" -eq 0

# Without arguments it makes its own pictures.
check grep -qE '^check/read-baseline ratio: ' <<<"$("$bin/bench_picture_check" 2>/dev/null | tail -n 1)"
# A wrong call is refused.
check test "$("$bin/bench_picture_check" only-one-argument >/dev/null 2>&1; echo $?)" -eq 2
check test "$("$bin/bench_picture_check" "$work/none" 1x1 >/dev/null 2>&1; echo $?)" -eq 1
exit $fail
