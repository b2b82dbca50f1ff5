#!/usr/bin/env bash
# The album's rebuilds: an album of N photographs (default 1,000 JPEGs of 1.5 megapixels, made here
# from the sample photographs, each file its own bytes), built into an empty folder, then again
# unchanged, then again after one photograph was edited. Prints the wall time and peak memory of
# each, the unchanged rebuild's and the edit's speed beside the first build (goal: the unchanged
# rebuild at least 50 times faster), and what each run read and wrote, counted by strace in a
# second run of the same case: the photographs opened (nothing can be decoded or hashed without
# opening it) and the files of the album opened for writing.
#
# Usage: bench/rebuild_bench.sh [BUILD_DIR] [PHOTOS]
#   BUILD_DIR  default: build (needs album/pictavo-cli)
#   PHOTOS     how many photographs the album holds (default 1000)
# Needs Debian's imagemagick and strace (bench/README.md).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
count="${2:-1000}"
pictavo="$build/album/pictavo-cli"
[ -x "$pictavo" ] || { echo "missing $pictavo (build it first)" >&2; exit 1; }
convert=$(command -v convert-im6.q16 || command -v convert || true)
for tool in "$convert" strace /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
mapfile -t originals < <(find "$here/../samples/photos" -maxdepth 1 -type f -iname '*.jpg' | sort)
[ "${#originals[@]}" -gt 0 ] || { echo "no sample photographs" >&2; exit 1; }

work="$(mktemp -d /tmp/pictavo-rebuild-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
src="$work/src"
mkdir -p "$src" "$work/bases"

echo "making $count photographs of 1500 x 1000 ..." >&2
# A few bases (each sample, and each turned half round), then every photograph a base with a
# comment segment of its own number after the start marker: a real JPEG, distinct bytes.
b=0
for f in "${originals[@]}"; do
    for turn in 0 180; do
        "$convert" "$f" -auto-orient -rotate "$turn" -resize '1500x1000^' -gravity center \
            -extent 1500x1000 -quality 90 "$work/bases/$b.jpg"
        b=$((b + 1))
    done
done
for ((i = 0; i < count; i++)); do
    { printf '\xff\xd8\xff\xfe\x00\x0a%08d' "$i"; tail -c +3 "$work/bases/$((i % b)).jpg"; } \
        >"$src/$(printf 'p%04d' "$i").jpg"
done
edited=$(printf 'p%04d' $((count / 2)))

source "$here/measure.sh"
album=("$pictavo" -q --profile "$work/none.ini" -o "$work/album" "$src")

# Runs the album under strace; prints the photographs opened and the album's files opened for
# writing (a file written through a temporary file is opened once).
traced() {
    strace -f -qq -e trace=openat,open -o "$work/strace.log" "${album[@]}" >/dev/null 2>&1
    local opened written
    opened=$(grep -c "\"$src/[^\"]*\.jpg\", O_RDONLY" "$work/strace.log" || true)
    written=$(grep "\"$work/album" "$work/strace.log" | grep -cE 'O_WRONLY|O_RDWR|O_TMPFILE' || true)
    printf '  %-44s %6d photographs opened, %6d files opened for writing\n' "$1" "$opened" "$written"
}
# Replaces photograph $1 (pNNNN) with the next base: an edit that changes its pixels.
edit() {
    local n=$((10#${1#p}))
    { printf '\xff\xd8\xff\xfe\x00\x0a%08d' "$n"; tail -c +3 "$work/bases/$(((n + 1) % b)).jpg"; } \
        >"$src/$1.jpg"
}

echo "album of $count photographs of 1500 x 1000; $(nproc) cores"
measure "${album[@]}"
row "first build"
measure "${album[@]}"
row "unchanged rebuild"
edit "$edited"
measure "${album[@]}"
row "one photograph edited"
echo " speed as a ratio (the first build's time / this one's):"
speedup() {  # speedup CASE [GOAL]
    awk -v n="$1" -v f="${secs[first build]}" -v t="${secs[$1]}" -v g="${2:-}" 'BEGIN {
        r = f / t; printf "  %-44s %6.1f", n, r
        if (g != "") printf "   goal >= %-4s %s", g, (r >= g ? "met" : "missed")
        printf "\n" }'
}
speedup "unchanged rebuild" 50
speedup "one photograph edited"
echo " what each run read and wrote (strace, a second run of each case):"
traced "unchanged rebuild"
edit "$(printf 'p%04d' $((count / 2 + 1)))"
traced "one photograph edited"
touch "$src/$edited.jpg"
traced "one photograph touched"
echo " the album's record: $(stat -c %s "$work/album/.pictavo-manifest.json") bytes"
