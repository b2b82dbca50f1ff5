#!/usr/bin/env bash
# Both jobs against other tools, in one run, every tool allowed every core:
#   album:  pictavo-cli (the whole album: copies, 100 x 100-box thumbnails at quality 100, pages)
#           beside vipsthumbnail and ImageMagick (with its jpeg:size hint) making the same
#           thumbnails;
#   resize: scalvo-cli --width 1600 --quality 85 beside vipsthumbnail --size 1600x (Q=85),
#           convert -resize 1600x -quality 85, and the bound: libjpeg-turbo's djpeg decoding each
#           picture at the DCT scale the job decodes it at, then cjpeg encoding a picture of the
#           output's size at quality 85 with optimised tables as the job writes them (no
#           resampling, no metadata, no file checks: what no resize from a JPEG can do without).
# Both are run on two sets: the photographs as fetched (mostly progressive) and the same
# photographs made baseline (sequential) by jpegtran, losslessly, metadata kept.
# The other tools work one picture per process, so they run under xargs -P with one process per
# core; our programs are one process that uses every core itself. Prints wall time, pictures per
# second, peak memory (of the largest process) and our speed as a ratio beside its goal.
#
# Usage: bench/jobs_bench.sh [BUILD_DIR] [PHOTO_FOLDER]
#   BUILD_DIR     default: build (needs album/pictavo-cli and resizer/scalvo-cli)
#   PHOTO_FOLDER  default: bench/photos, filled by bench/fetch_photos.sh when empty
# Needs Debian's libvips-tools, imagemagick and libjpeg-turbo-progs (bench/README.md).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
photos="${2:-$here/photos}"
pictavo="$build/album/pictavo-cli"
scalvo="$build/resizer/scalvo-cli"
for program in "$pictavo" "$scalvo"; do
    [ -x "$program" ] || { echo "missing $program (build it first)" >&2; exit 1; }
done
# ImageMagick 6 by the name Debian installs its program under, so that no wrapper's start-up is
# timed with it.
convert=$(command -v convert-im6.q16 || command -v convert || true)
for tool in vipsthumbnail "$convert" identify djpeg cjpeg jpegtran xargs /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
[ -n "${2:-}" ] || "$here/fetch_photos.sh" >&2

mapfile -t originals < <(find -L "$photos" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
[ "${#originals[@]}" -gt 0 ] || { echo "no JPEG photographs in $photos" >&2; exit 1; }
cores=$(nproc)
work="$(mktemp -d /tmp/pictavo-jobs-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# The baseline set: each photograph's blocks rewritten sequentially, nothing decoded.
mkdir -p "$work/baseline"
for f in "${originals[@]}"; do
    jpegtran -copy all -optimize -outfile "$work/baseline/${f##*/}" "$f"
done

source "$(dirname "${BASH_SOURCE[0]}")/measure.sh"

# run_set NAME FOLDER: both jobs and their peers on the JPEG photographs of FOLDER.
run_set() {
    local name="$1" folder="$2" out="$work/$1"
    mapfile -t files < <(find -L "$folder" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
    count=${#files[@]}
    local megapixels
    megapixels=$(identify -format '%w %h\n' "${files[@]}" 2>/dev/null |
                 awk '{s += $1 * $2} END {printf "%.0f", s / 1e6}')
    echo "$name: $count photographs ($megapixels megapixels in all) from $folder; $cores cores"
    mkdir -p "$out/vips_t" "$out/magick_t" "$out/ours_r" "$out/vips_r" "$out/magick_r" "$out/ppm"
    # The peers read the pictures from a list, one process per picture, one process per core; in
    # their scripts $0 is the output folder and $1 the picture.
    printf '%s\0' "${files[@]}" >"$out/list"

    echo " album (100 x 100 thumbnails):"
    measure "$pictavo" -q --profile "$work/none.ini" -o "$out/album" "$folder"
    row "pictavo-cli (whole album)"
    measure xargs -0 -P "$cores" -n 1 -a "$out/list" \
        sh -c 'vipsthumbnail -s 100x100 -o "$0/_%s.jpg[Q=100]" "$1"' "$out/vips_t"
    row "vipsthumbnail, $cores processes"
    measure xargs -0 -P "$cores" -n 1 -a "$out/list" \
        sh -c '"$CONVERT" -define jpeg:size=200x200 "$1" -auto-orient -thumbnail 100x100 -quality 100 "$0/_${1##*/}"' "$out/magick_t"
    row "ImageMagick (size hint), $cores processes"

    echo " resize (width 1600, quality 85):"
    measure "$scalvo" -q --width 1600 --quality 85 -o "$out/ours_r" "$folder"
    row "scalvo-cli"
    measure xargs -0 -P "$cores" -n 1 -a "$out/list" \
        sh -c 'vipsthumbnail --size 1600x -o "$0/%s.jpg[Q=85]" "$1"' "$out/vips_r"
    row "vipsthumbnail --size 1600x, $cores processes"
    measure xargs -0 -P "$cores" -n 1 -a "$out/list" \
        sh -c '"$CONVERT" "$1" -resize 1600x -quality 85 "$0/${1##*/}"' "$out/magick_r"
    row "convert -resize 1600x, $cores processes"

    # The bound's inputs, made before it is timed: each picture's decode scale (the job's rule: a
    # target at most half the upright picture each way is decoded at the smallest of 1/8, 2/8 and
    # 4/8 that still covers it, else the whole picture) and a picture of the output's size.
    : >"$out/bound_list"
    local f scale
    for f in "${files[@]}"; do
        scale=$(identify -format '%w %h %[orientation]\n' "$f" 2>/dev/null | head -1 | awk '{
            w = $1; h = $2; if ($3 ~ /^(LeftTop|RightTop|RightBottom|LeftBottom)$/) { t = w; w = h; h = t }
            tw = 1600; th = int(h * tw / w + 0.5); e = 8
            if (2 * tw <= w && 2 * th <= h)
                for (k = 1; k <= 4; k *= 2)
                    if (int((w * k + 7) / 8) >= tw && int((h * k + 7) / 8) >= th) { e = k; break }
            print e "/8" }')
        djpeg -outfile "$out/ppm/${f##*/}.ppm" "$out/ours_r/${f##*/}"
        printf '%s\0%s\0%s\0' "$scale" "$f" "$out/ppm/${f##*/}.ppm" >>"$out/bound_list"
    done
    measure xargs -0 -P "$cores" -n 3 -a "$out/bound_list" \
        sh -c 'djpeg -scale "$0" "$1" >/dev/null && cjpeg -quality 85 -optimize "$2" >/dev/null'
    row "bound: djpeg at the job's scale + cjpeg"

    local made resized
    made=$(find "$out/album/my_t" -name '_*' | wc -l)
    resized=$(find "$out/ours_r" -type f | wc -l)
    echo " pictavo-cli made $made thumbnails; scalvo-cli wrote $resized pictures"
    echo " our speed as a ratio (the other tool's time / ours; above 1 we are faster):"
    ratio "vipsthumbnail, $cores processes" "pictavo-cli (whole album)" 1.5
    ratio "vipsthumbnail --size 1600x, $cores processes" "scalvo-cli" 2.5
    ratio "convert -resize 1600x, $cores processes" "scalvo-cli" 8
    within "scalvo-cli" "bound: djpeg at the job's scale + cjpeg" 1.3
}

export CONVERT="$convert"
run_set fetched "$photos"
run_set "baseline" "$work/baseline"
