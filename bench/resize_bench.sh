#!/usr/bin/env bash
# Speed of scalvo-cli against libvips and ImageMagick on the same photographs, in one run:
#   scalvo-cli --width 1600 --quality 85
#   vipsthumbnail --size 1600x (quality 85)
#   convert -resize 1600x -quality 85 (one process per picture)
# Usage: bench/resize_bench.sh [BUILD_DIR]   (default: build). Fetches bench/photos first if needed.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
cli="$build/resizer/scalvo-cli"
photos="$here/photos"
[ -x "$cli" ] || { echo "no scalvo-cli in $build/resizer (build the scalvo-cli target)" >&2; exit 1; }
command -v vipsthumbnail >/dev/null || { echo "vipsthumbnail missing (libvips-tools)" >&2; exit 1; }
command -v convert >/dev/null || { echo "convert missing (imagemagick)" >&2; exit 1; }
"$here/fetch_photos.sh" >/dev/null

mapfile -t files < <(find "$photos" -maxdepth 1 -name '*.jpg' | sort)
count=${#files[@]}
megapixels=$(identify -format '%w %h\n' "${files[@]}" | awk '{s += $1 * $2} END {printf "%.0f", s / 1e6}')
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/ours" "$out/vips" "$out/magick"

now() { date +%s.%N; }
t0=$(now)
"$cli" --width 1600 --quality 85 -q -o "$out/ours" "$photos"
t1=$(now)
vipsthumbnail --size 1600x -o "$out/vips/%s.jpg[Q=85]" "${files[@]}"
t2=$(now)
for f in "${files[@]}"; do
    convert "$f" -resize 1600x -quality 85 "$out/magick/$(basename "$f")"
done
t3=$(now)

ours=$(echo "$t1 - $t0" | bc -l)
vips=$(echo "$t2 - $t1" | bc -l)
magick=$(echo "$t3 - $t2" | bc -l)
widths=$(identify -format '%w\n' "$out"/ours/*.jpg | sort -u | tr '\n' ' ')
printf 'photos: %d (%s megapixels in all); output widths: %s\n' "$count" "$megapixels" "$widths"
printf '%-28s %8.2f s  %6.2f photos/s\n' "scalvo-cli" "$ours" "$(echo "$count / $ours" | bc -l)"
printf '%-28s %8.2f s  %6.2f photos/s\n' "vipsthumbnail" "$vips" "$(echo "$count / $vips" | bc -l)"
printf '%-28s %8.2f s  %6.2f photos/s\n' "convert" "$magick" "$(echo "$count / $magick" | bc -l)"
printf 'ratio vipsthumbnail / scalvo-cli time: %.2f\n' "$(echo "$vips / $ours" | bc -l)"
printf 'ratio convert / scalvo-cli time:       %.2f\n' "$(echo "$magick / $ours" | bc -l)"
printf 'output bytes: scalvo-cli %s, vipsthumbnail %s, convert %s\n' \
    "$(du -sb "$out/ours" | cut -f1)" "$(du -sb "$out/vips" | cut -f1)" "$(du -sb "$out/magick" | cut -f1)"
