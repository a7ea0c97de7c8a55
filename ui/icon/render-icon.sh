#!/bin/sh
# Renders the application icon ui/icon/kaldrin.svg into ui/kaldrin.ico: one
# 32-bit image (8-bit alpha) for each of 16, 24, 32, 48, 64, 128 and 256
# pixels. Needs ImageMagick. The .ico is kept in the repository, so a build
# does not need ImageMagick; run this after changing the artwork.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Drawn once large, then scaled down, so the small sizes stay smooth.
convert -background none -density 384 "$here/kaldrin.svg" -resize 1024x1024 PNG32:"$work/master.png"
images=""
for size in 256 128 64 48 32 24 16; do
  convert "$work/master.png" -filter Lanczos -resize "${size}x${size}" PNG32:"$work/$size.png"
  images="$images $work/$size.png"
done
# shellcheck disable=SC2086
convert $images "$here/../kaldrin.ico"
echo "wrote $here/../kaldrin.ico"
