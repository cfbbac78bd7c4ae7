#!/bin/sh
# Regenerates velkaro.ico and icons/velkaro-<size>.png from velkaro_icon.svg with ImageMagick.
# The icon holds 16, 24, 32 and 48 pixels in 16 colours, 256 colours and 32-bit colour, plus
# 256 pixels in 32-bit colour; the PNGs are its 32-bit images, installed for the desktop entry.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

render() {  # size -> $work/<size>.png, 32-bit with alpha
    convert -background none -density 384 velkaro_icon.svg -resize "$1x$1" "png32:$work/$1.png"
}

# Palette images keep only on/off transparency (the icon's mask), so their alpha is cut at half.
palette() {  # size colours
    echo "( $work/$1.png -channel A -threshold 50% +channel -colors $2 )"
}

images=""
for size in 16 24 32 48; do
    render "$size"
    images="$images $(palette "$size" 16) $(palette "$size" 256) $work/$size.png"
done
render 256
# shellcheck disable=SC2086  # the list is meant to split into ImageMagick arguments
convert $images "$work/256.png" velkaro.ico
for size in 16 24 32 48 256; do
    cp "$work/$size.png" "icons/velkaro-$size.png"
done
