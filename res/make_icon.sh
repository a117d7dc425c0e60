#!/usr/bin/env bash
# Draws the application icon (a window sliding behind a curtain) and packs it as one group of nine 32-bit images.
# Needs ImageMagick 6. Usage: res/make_icon.sh [output.ico]
set -euo pipefail
out=${1:-"$(dirname "$0")/veltrano.ico"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 256x256 xc:none \
  \( -size 256x256 gradient:'#2f6fe4-#5a35c9' \) \
  \( -size 256x256 xc:none -fill white -draw 'roundrectangle 8,8 247,247 52,52' \) \
  -delete 0 -alpha off -compose CopyOpacity -composite \
  -fill 'rgba(255,255,255,0.35)' -draw 'roundrectangle 92,70 222,186 14,14' \
  -fill white -draw 'roundrectangle 36,54 176,200 16,16' \
  -fill '#2f6fe4' -draw 'rectangle 48,90 164,188' \
  -fill white -draw 'circle 58,72 64,72' -draw 'circle 80,72 86,72' \
  -stroke white -strokewidth 14 -fill none -draw 'line 70,120 106,164' -draw 'line 106,164 142,120' \
  "$work/256.png"

sizes=(256 128 64 48 40 32 24 20 16)
files=()
for s in "${sizes[@]}"; do
  convert "$work/256.png" -filter Lanczos -resize "${s}x${s}" -define png:color-type=6 "PNG32:$work/$s.png"
  files+=("$work/$s.png")
done
convert "${files[@]}" -define icon:format=bmp "$out" 2>/dev/null || convert "${files[@]}" "$out"
identify "$out"
