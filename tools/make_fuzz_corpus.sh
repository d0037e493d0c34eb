#!/usr/bin/env bash
# Regenerates the fuzzer's seed corpus in fuzz/corpus/<family>/ from tiny
# synthetic pictures (ImageMagick and netpbm). Every file stays a few
# hundred bytes so the fuzzer mutates structure, not pixel data.
set -euo pipefail
cd "$(dirname "$0")/.."
# Files the fuzzer found and we keep as seeds live beside the generated
# ones and are left alone.
out=fuzz/corpus
mkdir -p "$out"/{jpeg,gif,tiff,png,webp,bmp,pcx,tga,iff}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Source pictures: colour gradient, grey ramp, two-colour check, alpha.
convert -size 7x5 gradient:red-blue "$tmp/rgb.ppm"
convert -size 9x3 gradient:black-white -colorspace Gray "$tmp/grey.pgm"
convert -size 8x8 pattern:checkerboard -monochrome "$tmp/mono.pbm"
convert -size 5x4 gradient:'#ff000080'-'#00ff00ff' "$tmp/alpha.png"
convert "$tmp/rgb.ppm" -colors 5 "$tmp/pal.png"

c() { convert "$@"; }
# JPEG: baseline, progressive, grey, CMYK, restart markers, 4:4:4
c "$tmp/rgb.ppm" -quality 50 "$out/jpeg/baseline.jpg"
c "$tmp/rgb.ppm" -interlace JPEG "$out/jpeg/progressive.jpg"
c "$tmp/grey.pgm" "$out/jpeg/grey.jpg"
c "$tmp/rgb.ppm" -colorspace CMYK "$out/jpeg/cmyk.jpg"
c "$tmp/rgb.ppm" -define jpeg:restart-interval=1 "$out/jpeg/restart.jpg"
c "$tmp/rgb.ppm" -sampling-factor 1x1 "$out/jpeg/s444.jpg"
# GIF: palette, grey, interlaced, transparent, two frames, 1 bit
c "$tmp/pal.png" "$out/gif/pal.gif"
c "$tmp/grey.pgm" "$out/gif/grey.gif"
c "$tmp/rgb.ppm" -interlace GIF "$out/gif/interlace.gif"
c "$tmp/alpha.png" "$out/gif/transparent.gif"
c -delay 10 "$tmp/rgb.ppm" "$tmp/grey.pgm" "$out/gif/frames.gif"
c "$tmp/mono.pbm" "$out/gif/mono.gif"
# TIFF: LZW, Deflate, PackBits, palette, grey, 1 bit, alpha, tiled, planar, 16 bit
c "$tmp/rgb.ppm" -compress LZW "$out/tiff/lzw.tif"
c "$tmp/rgb.ppm" -compress Zip "$out/tiff/deflate.tif"
c "$tmp/rgb.ppm" -compress RLE "$out/tiff/packbits.tif"
c "$tmp/pal.png" -type Palette "$out/tiff/palette.tif"
c "$tmp/grey.pgm" "$out/tiff/grey.tif"
c "$tmp/mono.pbm" -compress Group4 "$out/tiff/g4.tif"
c "$tmp/alpha.png" "$out/tiff/alpha.tif"
c "$tmp/rgb.ppm" -define tiff:tile-geometry=16x16 "$out/tiff/tiled.tif"
c "$tmp/rgb.ppm" -interlace Plane "$out/tiff/planar.tif"
c "$tmp/rgb.ppm" -depth 16 -endian MSB "$out/tiff/rgb16be.tif"
# PNG: every colour type, 16 bit, interlaced, tRNS
c "$tmp/rgb.ppm" "$out/png/rgb.png"
c "$tmp/grey.pgm" "$out/png/grey.png"
c "$tmp/mono.pbm" "$out/png/mono.png"
c "$tmp/pal.png" "PNG8:$out/png/pal.png"
c "$tmp/alpha.png" "PNG32:$out/png/rgba.png"
c "$tmp/alpha.png" -colorspace Gray "$out/png/ga.png"
c "$tmp/rgb.ppm" -depth 16 "PNG48:$out/png/rgb16.png"
c "$tmp/rgb.ppm" -interlace PNG "$out/png/interlaced.png"
c "$tmp/alpha.png" -colors 4 "PNG8:$out/png/pal_trns.png"
# WebP: lossy, lossless, alpha
c "$tmp/rgb.ppm" -quality 50 "$out/webp/lossy.webp"
c "$tmp/rgb.ppm" -define webp:lossless=true "$out/webp/lossless.webp"
c "$tmp/alpha.png" "$out/webp/alpha.webp"
c "$tmp/alpha.png" -define webp:lossless=true "$out/webp/alpha_lossless.webp"
# BMP: 24 bit, 8 bit, 4 bit RLE, 1 bit
c "$tmp/rgb.ppm" "BMP3:$out/bmp/rgb24.bmp"
c "$tmp/pal.png" -type Palette "BMP3:$out/bmp/pal8.bmp"
c "$tmp/pal.png" -type Palette -compress RLE "BMP3:$out/bmp/rle8.bmp"
c "$tmp/mono.pbm" "BMP3:$out/bmp/mono.bmp"
# PCX, TGA, ILBM
ppmtopcx "$tmp/rgb.ppm" > "$out/pcx/rgb.pcx" 2>/dev/null
ppmtopcx -8bit "$tmp/rgb.ppm" > "$out/pcx/pal8.pcx" 2>/dev/null
pbmtopcx() { convert "$1" "PCX:$2"; }; pbmtopcx "$tmp/mono.pbm" "$out/pcx/mono.pcx"
ppmtotga -rgb -norle "$tmp/rgb.ppm" > "$out/tga/rgb.tga" 2>/dev/null
ppmtotga -rgb "$tmp/rgb.ppm" > "$out/tga/rgb_rle.tga" 2>/dev/null
ppmtotga -cmap "$tmp/rgb.ppm" > "$out/tga/cmap_rle.tga" 2>/dev/null
ppmtotga -mono "$tmp/grey.pgm" > "$out/tga/grey_rle.tga" 2>/dev/null
ppmtoilbm -compress "$tmp/rgb.ppm" > "$out/iff/cmap.iff" 2>/dev/null
ppmtoilbm -24force "$tmp/rgb.ppm" > "$out/iff/rgb24.iff" 2>/dev/null
ppmtoilbm -nocompress -maxplanes 3 "$tmp/rgb.ppm" > "$out/iff/planes3.iff" 2>/dev/null
find "$out" -type f -size 0 -delete
du -sh "$out"
