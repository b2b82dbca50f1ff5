#!/usr/bin/env bash
# The resize of every kind of picture to JPEG against other tools, in one run, every tool allowed
# every core: scalvo-cli --format jpeg --width 1600 --quality 85 beside vipsthumbnail --size 1600x
# (Q=85; Debian's libvips reads HEIC and AVIF through the same libheif) and ImageMagick's
# convert -resize 1600x -quality 85, per kind, on a set made here from the project's own sample
# photographs (samples/photos) at 4000 x 3000 (12 megapixels): HEIC (x265) and AVIF (aom) by
# libheif's heif-enc, WebP by cwebp, PNG and TIFF (LZW) by ImageMagick. Nothing is downloaded.
# The other tools work one picture per process, so they run under xargs -P with one process per
# core; scalvo-cli is one process that uses every core itself. Prints wall time, pictures per
# second, peak memory (of the largest process) and our speed as a ratio beside the goals (at least
# 1.5 times vipsthumbnail and 5 times ImageMagick).
#
# Usage: bench/formats_bench.sh [BUILD_DIR] [PER_KIND]
#   BUILD_DIR  default: build (needs resizer/scalvo-cli)
#   PER_KIND   pictures of each kind, default 6 (30 in all); at most the number of sample photos
# Needs Debian's libvips-tools, imagemagick, webp and libheif-examples (bench/README.md).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
per_kind="${2:-6}"
scalvo="$build/resizer/scalvo-cli"
[ -x "$scalvo" ] || { echo "missing $scalvo (build it first)" >&2; exit 1; }
convert=$(command -v convert-im6.q16 || command -v convert || true)
for tool in vipsthumbnail "$convert" heif-enc cwebp xargs /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
mapfile -t photos < <(find "$here/../samples/photos" -maxdepth 1 -type f -iname '*.jpg' | sort |
                      head -n "$per_kind")
[ "${#photos[@]}" -gt 0 ] || { echo "no sample photographs" >&2; exit 1; }
cores=$(nproc)
work="$(mktemp -d /tmp/pictavo-formats-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# The set: each photograph cropped to 4:3 and scaled to 4000 x 3000, then written in each kind.
echo "making ${#photos[@]} pictures of each kind at 4000 x 3000 in $work ..." >&2
kinds=(heic png webp avif tiff)
for kind in "${kinds[@]}"; do mkdir -p "$work/in/$kind"; done
i=0
for photo in "${photos[@]}"; do
    i=$((i + 1))
    name=$(printf 'p%02d' "$i")
    big="$work/$name.png"
    "$convert" "$photo" -auto-orient -resize '4000x3000^' -gravity center -extent 4000x3000 \
        -strip "$big"
    heif-enc -q 50 -o "$work/in/heic/$name.heic" "$big" >/dev/null
    heif-enc -A -q 50 -p speed=8 -o "$work/in/avif/$name.avif" "$big" >/dev/null
    cwebp -quiet -q 85 "$big" -o "$work/in/webp/$name.webp"
    cp "$big" "$work/in/png/$name.png"
    "$convert" "$big" -compress lzw "$work/in/tiff/$name.tif"
    rm -f "$big"
done

source "$(dirname "${BASH_SOURCE[0]}")/measure.sh"

export CONVERT="$convert"
echo "$cores cores; resize to JPEG, width 1600, quality 85"
for kind in "${kinds[@]}" all; do
    if [ "$kind" = all ]; then
        mkdir -p "$work/in/all"
        for k in "${kinds[@]}"; do
            for f in "$work/in/$k"/*; do cp "$f" "$work/in/all/${k}_${f##*/}"; done
        done
    fi
    folder="$work/in/$kind"
    out="$work/out/$kind"
    mkdir -p "$out/ours" "$out/vips" "$out/magick"
    mapfile -t files < <(find "$folder" -maxdepth 1 -type f | sort)
    count=${#files[@]}
    printf '%s\0' "${files[@]}" >"$work/list"
    echo "$kind: $count pictures"
    measure "$scalvo" -q --format jpeg --width 1600 --quality 85 -o "$out/ours" "$folder"
    row "scalvo-cli"
    made=$(find "$out/ours" -name '*.jpg' | wc -l)
    [ "$made" -eq "$count" ] || { echo "scalvo-cli made $made of $count" >&2; exit 1; }
    measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
        sh -c 'vipsthumbnail --size 1600x -o "$0/%s.jpg[Q=85]" "$1"' "$out/vips"
    row "vipsthumbnail, $cores processes"
    measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
        sh -c '"$CONVERT" "$1" -auto-orient -resize 1600x -quality 85 "$0/${1##*/}.jpg"' "$out/magick"
    row "convert -resize 1600x, $cores processes"
    ratio "vipsthumbnail, $cores processes" "scalvo-cli" 1.5
    ratio "convert -resize 1600x, $cores processes" "scalvo-cli" 5
done
