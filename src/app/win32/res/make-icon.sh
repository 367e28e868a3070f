#!/usr/bin/env bash
# Draws the program icon (16x16 and 32x32: a blue tile with "Aa") with
# ImageMagick and writes Tarnwick.ico next to this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for size in 16 32; do
  point=$((size * 9 / 16))
  convert -size "${size}x${size}" xc:none -fill '#1f5fbf' \
    -draw "roundrectangle 0,0 $((size - 1)),$((size - 1)) $((size / 5)),$((size / 5))" \
    -fill white -font DejaVu-Sans-Bold -pointsize "$point" -gravity center \
    -annotate +0+0 'Aa' "PNG32:$tmp/icon$size.png"
done
convert "$tmp/icon16.png" "$tmp/icon32.png" Tarnwick.ico
