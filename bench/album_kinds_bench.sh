#!/usr/bin/env bash
# The album of a mixed set of every kind against other tools, in one run, every tool allowed every
# core: pictavo-cli (the whole album: copies of PNG, WebP and AVIF, JPEG display copies of HEIC and
# TIFF, 100 x 100-box thumbnails, pages) beside vipsthumbnail and ImageMagick making 100 x 100
# thumbnails of the same pictures (no copies, no display copies: less work than the album).
# The set is made here from JPEG photographs with Debian's own encoders, nothing downloaded: for
# each photograph a HEIC of 12 megapixels (4000 x 3000, heif-enc, x265 at quality 50), and at the
# photograph's own size a PNG, a WebP (cwebp -q 80), an AVIF (heif-enc -A, aom at quality 50) and
# an LZW TIFF; six photographs give 30 pictures. Prints wall time, pictures per second, peak
# memory (of the largest process) and our speed as a ratio beside its goal (at least 2 times
# vipsthumbnail).
#
# Usage: bench/album_kinds_bench.sh [BUILD_DIR] [PHOTO_FOLDER] [PHOTOS]
#   BUILD_DIR     default: build (needs album/pictavo-cli)
#   PHOTO_FOLDER  default: tests/data/photos
#   PHOTOS        how many photographs to make the set from (default 6)
# Needs Debian's libvips-tools, imagemagick, webp and libheif-examples (bench/README.md).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
photos="${2:-$here/../tests/data/photos}"
take="${3:-6}"
pictavo="$build/album/pictavo-cli"
[ -x "$pictavo" ] || { echo "missing $pictavo (build it first)" >&2; exit 1; }
convert=$(command -v convert-im6.q16 || command -v convert || true)
for tool in vipsthumbnail "$convert" heif-enc cwebp xargs /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

mapfile -t originals < <(find -L "$photos" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort | head -n "$take")
[ "${#originals[@]}" -gt 0 ] || { echo "no JPEG photographs in $photos" >&2; exit 1; }
cores=$(nproc)
export CONVERT="$convert"
work="$(mktemp -d /tmp/pictavo-kinds-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
set_dir="$work/set"
mkdir -p "$set_dir" "$work/tmp"

echo "making the set from ${#originals[@]} photographs of $photos ..." >&2
i=0
for f in "${originals[@]}"; do
    i=$((i + 1))
    n=$(printf 'p%02d' "$i")
    "$convert" "$f" -auto-orient -resize '4000x3000^' -gravity center -extent 4000x3000 \
        -quality 95 "$work/tmp/$n.jpg"
    heif-enc -q 50 -o "$set_dir/IMG_$n.HEIC" "$work/tmp/$n.jpg" >/dev/null
    "$convert" "$f" -auto-orient PNG24:"$set_dir/$n.png"
    cwebp -quiet -q 80 "$f" -o "$set_dir/$n.webp"
    heif-enc -A -q 50 -o "$set_dir/$n.avif" "$f" >/dev/null
    "$convert" "$f" -auto-orient -compress LZW "$set_dir/$n.tif"
done
mapfile -t files < <(find "$set_dir" -type f | sort)
count=${#files[@]}
printf '%s\0' "${files[@]}" >"$work/list"

source "$(dirname "${BASH_SOURCE[0]}")/measure.sh"

kinds=$(for f in "${files[@]}"; do echo "${f##*.}"; done | sort | uniq -c | awk '{printf "%s %s, ", $1, $2}')
echo "album of $count pictures (${kinds%, }); $cores cores"
mkdir -p "$work/vips_t" "$work/magick_t"
measure "$pictavo" -q --profile "$work/none.ini" -o "$work/album" "$set_dir"
row "pictavo-cli (whole album)"
measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
    sh -c 'vipsthumbnail -s 100x100 -o "$0/_%s.jpg[Q=100]" "$1"' "$work/vips_t"
row "vipsthumbnail, $cores processes"
measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
    sh -c '"$CONVERT" "$1" -auto-orient -thumbnail 100x100 -quality 100 "$0/_${1##*/}.jpg"' "$work/magick_t"
row "ImageMagick, $cores processes"
made=$(find "$work/album/my_t" -name '_*' | wc -l)
echo " pictavo-cli made $made thumbnails and $(find "$work/album/my_p" -name '*.jpg' | wc -l) display copies"
echo " our speed as a ratio (the other tool's time / ours; above 1 we are faster):"
ratio "vipsthumbnail, $cores processes" "pictavo-cli (whole album)" 2
ratio "ImageMagick, $cores processes" "pictavo-cli (whole album)" 1
