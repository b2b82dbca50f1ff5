#!/usr/bin/env bash
# Fills bench/photos/ with at least 30 photographs of at least 8 megapixels, taken from Debian's
# wallpaper packages (apt-get download + dpkg-deb -x; nothing is installed). JPEG wallpapers are
# copied byte for byte; the large PNG wallpapers are written as JPEG at quality 92 so that every
# benchmark input is a camera-like JPEG. Needs apt-get, dpkg-deb and ImageMagick (identify,
# convert). Running it again keeps what is already there.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
dest="$here/photos"
want=30
min_pixels=8000000
packages=(lomiri-wallpapers-16.04 lomiri-wallpapers-20.04 mate-backgrounds ukui-wallpapers
          plasma-workspace-wallpapers)

mkdir -p "$dest"
have=$(find "$dest" -maxdepth 1 -name '*.jpg' | wc -l)
if [ "$have" -ge "$want" ]; then
    echo "bench/photos already holds $have photographs"
    exit 0
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
if ! apt-get download "${packages[@]}" >/dev/null 2>&1; then
    apt-get update -qq >/dev/null
    apt-get download "${packages[@]}" >/dev/null
fi
for deb in *.deb; do
    mkdir -p "x/${deb%%_*}"
    dpkg-deb -x "$deb" "x/${deb%%_*}"
done

declare -A seen
add() {  # add FILE NAME: copy a JPEG or convert another picture, once per content
    local file="$1" name="$2" sum
    sum=$(sha256sum "$file" | cut -c1-16)
    [ -n "${seen[$sum]:-}" ] && return 0
    seen[$sum]=1
    if [[ "${file,,}" == *.jpg || "${file,,}" == *.jpeg ]]; then
        cp "$file" "$dest/$name.jpg"
    else
        convert "$file" -quality 92 "$dest/$name.jpg"
    fi
}

big() {  # lists "path" of pictures of at least min_pixels under x/, of the given extensions
    find x -type f \( "$@" \) -print0 |
        xargs -0 -r identify -format '%w %h %i\n' 2>/dev/null |
        awk -v m="$min_pixels" '$1 * $2 >= m { $1 = ""; $2 = ""; sub(/^  /, ""); print }' | sort
}

name_for() {  # package plus picture name; Plasma keeps <Name>/contents/images/<size>.<ext>
    local f="$1" pkg base
    pkg="${f#x/}"; pkg="${pkg%%/*}"
    base="$(echo "$f" | sed -E 's#.*/wallpapers/([^/]+)/contents/([^/]+)/.*#\1_\2#; s#.*/##; s#\.[^.]*$##')"
    echo "${pkg}_${base//[^A-Za-z0-9_-]/_}"
}

n=0
while IFS= read -r f; do
    add "$f" "$(printf '%02d' $n)_$(name_for "$f")"
    n=$((n + 1))
done < <(big -iname '*.jpg' -o -iname '*.jpeg')
while IFS= read -r f; do
    [ "$(find "$dest" -maxdepth 1 -name '*.jpg' | wc -l)" -ge "$want" ] && break
    add "$f" "$(printf '%02d' $n)_$(name_for "$f")"
    n=$((n + 1))
done < <(big -iname '*.png')

have=$(find "$dest" -maxdepth 1 -name '*.jpg' | wc -l)
echo "bench/photos holds $have photographs of at least 8 megapixels"
[ "$have" -ge "$want" ]
