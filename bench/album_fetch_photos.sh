#!/usr/bin/env bash
# Fills a folder with at least 30 JPEG photographs of at least 8 megapixels for the album
# benchmark, taken from Debian wallpaper packages (downloaded with apt-get, never committed).
# Usage: bench/album_fetch_photos.sh [DEST]   (default: /tmp/pictavo-bench-photos)
set -euo pipefail
dest=${1:-/tmp/pictavo-bench-photos}
want=${WANT:-40}
cache=${CACHE:-/tmp/pictavo-bench-debs}
mkdir -p "$dest" "$cache"

count() { find "$dest" -maxdepth 1 -name '*.jpg' | wc -l; }
if [ "$(count)" -ge 30 ]; then
  echo "$dest"
  exit 0
fi

# Smallest packages with large photographs first; stop as soon as there are enough.
for package in lomiri-wallpapers-20.04 lomiri-wallpapers-16.04 ukui-wallpapers mate-backgrounds \
               plasma-workspace-wallpapers gnome-backgrounds; do
  [ "$(count)" -ge "$want" ] && break
  if ! ls "$cache/${package}"_*.deb >/dev/null 2>&1; then
    (cd "$cache" && apt-get download -q "$package" >/dev/null 2>&1) || {
      apt-get update -qq >/dev/null 2>&1 || true
      (cd "$cache" && apt-get download -q "$package" >/dev/null) || continue
    }
  fi
  tree="$cache/$package"
  rm -rf "$tree" && mkdir -p "$tree"
  dpkg-deb -x "$cache/${package}"_*.deb "$tree"
  while IFS= read -r -d '' file; do
    [ "$(count)" -ge "$want" ] && break
    size=$(vipsheader -f width "$file" 2>/dev/null || echo 0)x$(vipsheader -f height "$file" 2>/dev/null || echo 0)
    w=${size%x*}; h=${size#*x}
    if [ "$((w * h))" -ge 8000000 ]; then
      # Plasma keeps every wallpaper as .../NAME/contents/images/WxH.jpg: name it by its path.
      name="${package}_$(realpath --relative-to="$tree/usr/share" "$file" | tr -c 'A-Za-z0-9._\n-' '_')"
      case "$file" in
        *.jpg | *.JPG | *.jpeg | *.JPEG) cp "$file" "$dest/${name%.*}.jpg" ;;
        # Large wallpapers kept as PNG or WebP become JPEG pictures of the same size.
        *) vips copy "$file" "$dest/${name%.*}.jpg[Q=92]" 2>/dev/null || rm -f "$dest/${name%.*}.jpg" ;;
      esac
    fi
  done < <(find "$tree" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' -o -iname '*.webp' \) -print0 | sort -z)
done

n=$(count)
if [ "$n" -lt 30 ]; then
  echo "album_fetch_photos: only $n photographs of 8 megapixels or more found" >&2
  exit 1
fi
echo "$dest"
