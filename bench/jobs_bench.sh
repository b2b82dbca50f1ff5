#!/usr/bin/env bash
# Both jobs against other tools, in one run, every tool allowed every core:
#   album:  pictavo-cli (the whole album: copies, 100 x 100-box thumbnails at quality 100, pages)
#           beside vipsthumbnail and ImageMagick (with its jpeg:size hint) making the same
#           thumbnails;
#   resize: scalvo-cli --width 1600 --quality 85 beside vipsthumbnail --size 1600x (Q=85) and
#           convert -resize 1600x -quality 85.
# The other tools work one picture per process, so they run under xargs -P with one process per
# core; our programs are one process that uses every core itself. Prints wall time, pictures per
# second, peak memory (of the largest process) and our speed as a ratio beside its goal.
#
# Usage: bench/jobs_bench.sh [BUILD_DIR] [PHOTO_FOLDER]
#   BUILD_DIR     default: build (needs album/pictavo-cli and resizer/scalvo-cli)
#   PHOTO_FOLDER  default: bench/photos, filled by bench/fetch_photos.sh when empty
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
photos="${2:-$here/photos}"
pictavo="$build/album/pictavo-cli"
scalvo="$build/resizer/scalvo-cli"
for program in "$pictavo" "$scalvo"; do
    [ -x "$program" ] || { echo "missing $program (build it first)" >&2; exit 1; }
done
for tool in vipsthumbnail convert identify xargs /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
[ -n "${2:-}" ] || "$here/fetch_photos.sh" >&2

mapfile -t files < <(find -L "$photos" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
count=${#files[@]}
[ "$count" -gt 0 ] || { echo "no JPEG photographs in $photos" >&2; exit 1; }
cores=$(nproc)
megapixels=$(identify -format '%w %h\n' "${files[@]}" |
             awk '{s += $1 * $2} END {printf "%.0f", s / 1e6}')
work="$(mktemp -d /tmp/pictavo-jobs-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
echo "$count photographs ($megapixels megapixels in all) from $photos; $cores cores"

# The peers read the pictures from a list, one process per picture, one process per core; in
# their scripts $0 is the output folder and $1 the picture.
printf '%s\0' "${files[@]}" >"$work/list"

# Runs a command once; sets wall (seconds) and peak (MB, largest process).
measure() {
    local log="$work/time.log"
    if ! /usr/bin/time -f '%e %M' -o "$log" "$@" >/dev/null 2>"$work/stderr.log"; then
        echo "failed: $*" >&2
        cat "$work/stderr.log" >&2
        exit 1
    fi
    read -r wall peak_kb <"$log"
    peak=$((peak_kb / 1024))
}

declare -A secs
row() {  # row NAME: prints the last measurement
    secs[$1]=$wall
    awk -v n="$1" -v t="$wall" -v c="$count" -v m="$peak" \
        'BEGIN {printf "  %-40s %7.2f s  %7.2f pictures/s  %6d MB peak\n", n, t, c / t, m}'
}
ratio() {  # ratio PEER OURS GOAL
    awk -v n="$1" -v p="${secs[$1]}" -v o="${secs[$2]}" -v g="$3" \
        'BEGIN {r = p / o; printf "  %-40s %6.2f   goal >= %-4s %s\n", n, r, g, (r >= g ? "met" : "missed")}'
}

mkdir -p "$work/vips_t" "$work/magick_t" "$work/ours_r" "$work/vips_r" "$work/magick_r"
echo "album (100 x 100 thumbnails):"
measure "$pictavo" -q --profile "$work/none.ini" -o "$work/album" "$photos"
row "pictavo-cli (whole album)"
measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
    sh -c 'vipsthumbnail -s 100x100 -o "$0/_%s.jpg[Q=100]" "$1"' "$work/vips_t"
row "vipsthumbnail, $cores processes"
measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
    sh -c 'convert -define jpeg:size=200x200 "$1" -auto-orient -thumbnail 100x100 -quality 100 "$0/_${1##*/}"' "$work/magick_t"
row "ImageMagick (size hint), $cores processes"

echo "resize (width 1600, quality 85):"
measure "$scalvo" -q --width 1600 --quality 85 -o "$work/ours_r" "$photos"
row "scalvo-cli"
measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
    sh -c 'vipsthumbnail --size 1600x -o "$0/%s.jpg[Q=85]" "$1"' "$work/vips_r"
row "vipsthumbnail --size 1600x, $cores processes"
measure xargs -0 -P "$cores" -n 1 -a "$work/list" \
    sh -c 'convert "$1" -resize 1600x -quality 85 "$0/${1##*/}"' "$work/magick_r"
row "convert -resize 1600x, $cores processes"

made=$(find "$work/album/my_t" -name '_*' | wc -l)
resized=$(find "$work/ours_r" -type f | wc -l)
echo "pictavo-cli made $made thumbnails; scalvo-cli wrote $resized pictures"
echo "our speed as a ratio (the other tool's time / ours; above 1 we are faster):"
ratio "vipsthumbnail, $cores processes" "pictavo-cli (whole album)" 1.5
ratio "vipsthumbnail --size 1600x, $cores processes" "scalvo-cli" 2.5
ratio "convert -resize 1600x, $cores processes" "scalvo-cli" 8
