#!/usr/bin/env bash
# dotcast against the tools a user would otherwise pick, whole-process wall time, side by
# side in one hyperfine run per case (median of many runs), and peak memory.
#
#   bench/cli/compare.sh [RUNS]        (default 40 runs per command)
#
# Builds the release preset's dotcast and test-card generator when needed, draws the inputs
# in a temporary folder, and prints one table per case with each median and its ratio to
# the floor (libjpeg-turbo's djpeg at the needed DCT scale, giftopnm, bmptopnm; for the
# batch, one process decoding every file at the needed scale on one core).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
runs="${1:-40}"
root="$PWD"

scripts/deps
if [ ! -f build/release/build.ninja ]; then cmake --preset release >/dev/null; fi
cmake --build --preset release --target dotcast make_testcard >/dev/null
dotcast="$root/build/release/src/cli/dotcast"
card="$root/build/release/samples/make_testcard"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
cc -O2 -o decode_floor "$root/bench/cli/decode_floor.c" -ljpeg

echo "== drawing the inputs in $work"
"$card" small.jpg 640x480
"$card" big.jpg 4000x3000
"$card" small.bmp 640x480
"$card" gif-source.ppm 640x480
pnmquant 256 gif-source.ppm 2>/dev/null | pamtogif > small.gif 2>/dev/null
mkdir -p batch out
for i in $(seq 1 200); do
  "$card" "batch/p$i.jpg" "$((600 + i % 50))x$((450 + i % 40))"
done

# One case: a title, then "name|command" pairs, the first of them the floor.
summary=()
run_case() {
  local title="$1"; shift
  local args=() names=()
  for pair in "$@"; do
    names+=("${pair%%|*}")
    args+=(--command-name "${pair%%|*}" "${pair#*|}")
  done
  echo
  echo "== $title"
  hyperfine --style none --warmup 3 --runs "$runs" --export-csv case.csv "${args[@]}" >/dev/null
  # CSV columns: command, mean, stddev, median, user, system, min, max. Wall time is what a
  # user waits; CPU time (user + system) is steadier on a machine that is busy otherwise.
  printf '  %-14s %10s %8s %10s %8s\n' "" "wall" "x floor" "cpu" "x floor"
  awk -F, 'NR == 2 { floor = $4; cfloor = $5 + $6 }
           NR > 1 { printf "  %-14s %7.2f ms %8.2f %7.2f ms %8.2f\n", $1, $4 * 1000, $4 / floor,
                           ($5 + $6) * 1000, ($5 + $6) / cfloor }' case.csv
  summary+=("$title: $(awk -F, 'NR == 2 { f = $4; c = $5 + $6 }
    $1 == "dotcast" { printf "%.2f ms wall, %.2f x floor; cpu %.2f x floor", $4 * 1000, $4 / f, ($5 + $6) / c }' case.csv)")
}

run_case "640 x 480 JPEG to 102 x 64" \
  "djpeg|djpeg -scale 1/4 small.jpg > /dev/null" \
  "imagemagick|convert small.jpg -resize 102x64 -colorspace Gray -threshold 50% out/im.png" \
  "netpbm|djpeg small.jpg | pamscale -xyfit 102 64 | ppmtopgm | pgmtopbm -threshold > out/np.pbm" \
  "graphicsmagick|gm convert small.jpg -resize 102x64 -colorspace Gray -threshold 50% out/gm.png" \
  "dotcast|$dotcast convert --force --size device small.jpg -o out/dc.qdl"

run_case "4000 x 3000 JPEG to 102 x 64" \
  "djpeg|djpeg -scale 1/8 big.jpg > /dev/null" \
  "imagemagick|convert -define jpeg:size=204x128 big.jpg -resize 102x64 -colorspace Gray -threshold 50% out/im.png" \
  "netpbm|djpeg -scale 1/8 big.jpg | pamscale -xyfit 102 64 | ppmtopgm | pgmtopbm -threshold > out/np.pbm" \
  "graphicsmagick|gm convert -size 204x128 big.jpg -resize 102x64 -colorspace Gray -threshold 50% out/gm.png" \
  "dotcast|$dotcast convert --force --size device big.jpg -o out/dc.qdl"

run_case "640 x 480 GIF to 102 x 64" \
  "giftopnm|giftopnm small.gif > /dev/null" \
  "imagemagick|convert small.gif -resize 102x64 -colorspace Gray -threshold 50% out/im.png" \
  "netpbm|giftopnm small.gif | pamscale -xyfit 102 64 | ppmtopgm | pgmtopbm -threshold > out/np.pbm" \
  "graphicsmagick|gm convert small.gif -resize 102x64 -colorspace Gray -threshold 50% out/gm.png" \
  "dotcast|$dotcast convert --force --size device small.gif -o out/dc.qdl"

run_case "640 x 480 24-bit BMP to 102 x 64" \
  "bmptopnm|bmptopnm small.bmp > /dev/null" \
  "imagemagick|convert small.bmp -resize 102x64 -colorspace Gray -threshold 50% out/im.png" \
  "netpbm|bmptopnm small.bmp | pamscale -xyfit 102 64 | ppmtopgm | pgmtopbm -threshold > out/np.pbm" \
  "graphicsmagick|gm convert small.bmp -resize 102x64 -colorspace Gray -threshold 50% out/gm.png" \
  "dotcast|$dotcast convert --force --size device small.bmp -o out/dc.qdl"

batch_runs=$(( runs / 4 > 5 ? runs / 4 : 5 ))
runs_saved="$runs"; runs="$batch_runs"
run_case "200 JPEGs (about 640 x 480) to 102 x 64, $(nproc) cores" \
  "decode-1core|./decode_floor 102 64 batch/*.jpg" \
  "mogrify|mogrify -path out -define jpeg:size=204x128 -resize 102x64 -colorspace Gray -threshold 50% -format png batch/*.jpg" \
  "dotcast-1job|$dotcast convert --force --quiet --jobs 1 --size device --out-dir out batch/*.jpg" \
  "dotcast|$dotcast convert --force --quiet --size device --out-dir out batch/*.jpg"
runs="$runs_saved"

echo
echo "== peak memory (maximum resident set size)"
peak() {
  /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ { printf "%.1f MB", $2 / 1024 }'
}
echo "  dotcast 640 x 480 JPEG:   $(peak "$dotcast" convert --force --size device small.jpg -o out/dc.qdl)"
echo "  dotcast 4000 x 3000 JPEG: $(peak "$dotcast" convert --force --size device big.jpg -o out/dc.qdl)"
echo "  dotcast 200 JPEGs:        $(peak "$dotcast" convert --force --quiet --size device --out-dir out batch/*.jpg)"
echo "  djpeg 4000 x 3000 1/8:    $(peak djpeg -scale 1/8 -outfile /dev/null big.jpg)"

echo
echo "== dotcast"
printf '  %s\n' "${summary[@]}"
