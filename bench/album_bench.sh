#!/usr/bin/env bash
# Album benchmark: pictavo-cli makes a whole album (copies, 100 x 100-box thumbnails, pages) of at
# least 30 photographs of 8 megapixels or more; vipsthumbnail and ImageMagick make the same
# thumbnails. One run each; prints seconds, peak memory and the ratios to pictavo-cli.
# Usage: bench/album_bench.sh [PICTAVO_CLI] [PHOTO_FOLDER]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${BUILD_DIR:-$root/build}/album/pictavo-cli}
photos=${2:-$root/bench/photos}
[ -n "${2:-}" ] || "$root/bench/fetch_photos.sh" >&2
work=$(mktemp -d /tmp/pictavo-album-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

n=$(find "$photos" -maxdepth 1 -iname '*.jpg' | wc -l)
mp=$(for f in "$photos"/*.jpg; do echo $(( $(vipsheader -f width "$f") * $(vipsheader -f height "$f") )); done |
     awk '{s += $1; if (min == "" || $1 < min) min = $1} END {printf "%.1f MP total, smallest %.1f MP", s / 1e6, min / 1e6}')
echo "album bench: $n photographs ($mp) in $photos"

# Runs a command once; prints "wall_seconds cpu_seconds peak_kb" (CPU = user + system, which
# a busy machine disturbs less than the wall time).
measure() {
  local log="$work/time.log"
  /usr/bin/time -f '%e %U %S %M' -o "$log" "$@" >/dev/null 2>"$work/stderr.log" || {
    echo "failed: $*" >&2
    cat "$work/stderr.log" >&2
    exit 1
  }
  awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$log"
}

declare -A secs cpu
run() {
  local name=$1
  shift
  read -r s c m < <(measure "$@")
  secs[$name]=$s
  cpu[$name]=$c
  printf '  %-34s %7.2f s wall  %7.2f s CPU  %6d MB peak\n' "$name" "$s" "$c" $((m / 1024))
}

mkdir -p "$work/vips" "$work/im_hint" "$work/im_plain"
run "pictavo-cli (whole album)" "$cli" -q --profile "$work/none.ini" -o "$work/album" "$photos"
run "vipsthumbnail" vipsthumbnail -s 100x100 -o "$work/vips/_%s.jpg[Q=100]" "$photos"/*.jpg
run "vipsthumbnail (1 thread)" env VIPS_CONCURRENCY=1 vipsthumbnail -s 100x100 \
  -o "$work/vips/_%s.jpg[Q=100]" "$photos"/*.jpg
run "ImageMagick (size hint)" mogrify -path "$work/im_hint" -define jpeg:size=200x200 \
  -auto-orient -thumbnail 100x100 -quality 100 "$photos"/*.jpg
run "ImageMagick (no hint)" mogrify -path "$work/im_plain" -auto-orient -thumbnail 100x100 \
  -quality 100 "$photos"/*.jpg

made=$(find "$work/album/my_t" -name '_*' | wc -l)
echo "  pictavo-cli made $made thumbnails"
base=${secs["pictavo-cli (whole album)"]}
base_cpu=${cpu["pictavo-cli (whole album)"]}
echo "ratios to pictavo-cli (above 1 means pictavo-cli is faster):      wall    CPU"
for name in "vipsthumbnail" "vipsthumbnail (1 thread)" "ImageMagick (size hint)" "ImageMagick (no hint)"; do
  awk -v n="$name" -v t="${secs[$name]}" -v b="$base" -v c="${cpu[$name]}" -v bc="$base_cpu" \
    'BEGIN {printf "  %-58s %5.2f  %5.2f\n", n, t / b, c / bc}'
done
