#!/bin/sh
# SPDX-License-Identifier: MIT
# Draws cmake/tintlist.ico from cmake/tintlist.svg: 48, 32 and 16 pixels
# square, each in 16 colours, 256 colours and 32-bit colour with alpha.
# Needs rsvg-convert (librsvg2-bin), convert (imagemagick) and icotool
# (icoutils). The Windows build embeds the icon as it is committed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

set --
for size in 48 32 16; do
    rsvg-convert -w $size -h $size "$here/tintlist.svg" -o "$work/$size.png"
    # Palette images: the nearest colours, without dither, which speckles
    # flat shapes at these sizes.
    for colours in 16 256; do
        convert "$work/$size.png" +dither -colors $colours "PNG8:$work/$size-$colours.png"
    done
    set -- "$@" -b 4 "$work/$size-16.png" -b 8 "$work/$size-256.png" -b 32 "$work/$size.png"
done
icotool -c -o "$here/tintlist.ico" "$@"
icotool -l "$here/tintlist.ico"
