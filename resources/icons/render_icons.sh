#!/usr/bin/env bash
# Renders the hicolor PNG icons from the scalable ones (needs rsvg-convert, Debian's
# librsvg2-bin). The PNGs are kept in the repository, so that building and installing need no
# renderer; run this after changing an SVG.
set -euo pipefail
cd "$(dirname "$0")/hicolor"
for svg in scalable/apps/*.svg; do
  name=$(basename "$svg" .svg)
  for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" -o "${size}x${size}/apps/$name.png" "$svg"
  done
done
