#!/usr/bin/env bash
# Makes the image fixtures and their reference pixels with Debian's tools
# (ImageMagick, netpbm, libjpeg-turbo-progs; python3 for the two byte edits
# no tool offers). Run from anywhere; writes beside this script. The results
# are committed: run again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
im() { /usr/bin/convert "$@"; }

# Pixels as ImageMagick reads them: one RGBA file per frame.
rgba() { im "$1" -depth 8 "rgba:$2"; }

# Sources: a smooth picture of many colours and a few flat ones.
im -size 37x23 -seed 7 plasma:red-blue "$tmp/plasma.ppm"
im -size 40x17 gradient:yellow-navy "$tmp/gradient.ppm"

# GIF: plain, interlaced, 4 and 2 colours, transparent.
im "$tmp/plasma.ppm" -colors 200 gif/plain.gif
im "$tmp/gradient.ppm" -colors 64 -interlace GIF gif/interlaced.gif
im "$tmp/plasma.ppm" -colors 4 gif/four.gif
im -size 13x9 pattern:checkerboard -monochrome gif/mono.gif
im "$tmp/gradient.ppm" -colors 16 "$tmp/g16.ppm"
im "$tmp/g16.ppm" -transparent "$(im "$tmp/g16.ppm" -format '%[pixel:p{0,0}]' info:)" gif/transparent.gif
# Animations: frames of their own sizes and places, each disposal mode,
# a loop count of 2 (ImageMagick writes one less than -loop), and one that
# loops forever.
im -delay 3 -loop 3 -dispose none -page 24x16+0+0 -size 24x16 xc:red \
   -dispose background -page +2+3 -size 10x5 xc:blue \
   -dispose previous -page +6+1 -size 7x9 xc:lime \
   -dispose none -page +0+8 -size 24x8 gradient:white-black \
   -colors 32 gif/loop2.gif
im -delay 2 -loop 0 -size 8x8 xc:red xc:green xc:blue gif/forever.gif
# A frame wider than any line the decoder keeps.
im -size 5000x2 xc:white -colors 2 gif/wide.gif
for f in gif/*.gif; do
  [ "$f" = gif/wide.gif ] && continue
  n=$(/usr/bin/identify "$f" | wc -l)
  for ((i = 0; i < n; i++)); do rgba "$f[$i]" "${f%.gif}.$i.rgba"; done
done

# BMP: 24 bits, 8 bits with a short colour table, 4 bits of width 5, 1 bit,
# the 12-byte core header, a top-down file, rows after a gap; 32 bits and
# RLE at 8 bits.
im "$tmp/plasma.ppm" -crop 7x5+3+3 +repage -type TrueColor BMP3:bmp/b24.bmp
im "$tmp/plasma.ppm" -colors 20 -type Palette -compress None BMP3:bmp/b8.bmp
im "$tmp/plasma.ppm" -crop 5x4+10+10 +repage -colors 9 "$tmp/small.ppm"
ppmtobmp -windows -bpp=4 "$tmp/small.ppm" >bmp/b4w5.bmp 2>/dev/null
im -size 13x9 pattern:checkerboard -monochrome -type Palette "$tmp/mono.ppm"
ppmtobmp -windows -bpp=1 "$tmp/mono.ppm" >bmp/b1.bmp 2>/dev/null
ppmtobmp -os2 -bpp=8 "$tmp/small.ppm" >bmp/core.bmp 2>/dev/null
im "$tmp/plasma.ppm" -crop 6x4+1+1 +repage -alpha set -channel A -evaluate set 80% +channel \
  -define bmp3:alpha=true -type TrueColorAlpha BMP3:bmp/b32.bmp
im "$tmp/plasma.ppm" -colors 12 -type Palette -compress RLE BMP3:bmp/rle8.bmp
python3 - <<'PY'
import struct
data = open("bmp/b24.bmp", "rb").read()
off, = struct.unpack_from("<I", data, 10)
w, h = struct.unpack_from("<ii", data, 18)
stride = (w * 3 + 3) & ~3
rows = [data[off + i * stride: off + (i + 1) * stride] for i in range(h)]
head = bytearray(data[:off])
struct.pack_into("<i", head, 22, -h)
open("bmp/topdown.bmp", "wb").write(bytes(head) + b"".join(reversed(rows)))
data = open("bmp/b8.bmp", "rb").read()
off, = struct.unpack_from("<I", data, 10)
head = bytearray(data[:off])
struct.pack_into("<I", head, 10, off + 6)
struct.pack_into("<I", head, 2, len(data) + 6)
open("bmp/gap.bmp", "wb").write(bytes(head) + b"\x55" * 6 + data[off:])
# A colour table only as long as the colours used, as biClrUsed says.
used = max(data[off:]) + 1
head = bytearray(data[:54 + 4 * used])
struct.pack_into("<I", head, 46, used)
struct.pack_into("<I", head, 10, len(head))
struct.pack_into("<I", head, 2, len(head) + len(data) - off)
open("bmp/short.bmp", "wb").write(bytes(head) + data[off:])
PY
for f in b24 b8 b4w5 b1 core topdown gap short; do im "bmp/$f.bmp" -depth 8 "rgb:bmp/$f.rgb"; done

# XBM: the 9 x 2 example and a larger one.
printf 'P1\n9 2\n1 0 1 1 0 0 0 0 1\n0 1 1 0 1 0 0 1 0\n' >"$tmp/tiny.pbm"
pbmtoxbm "$tmp/tiny.pbm" >xbm/tiny.xbm
im -size 19x7 pattern:gray50 -monochrome "$tmp/grey.pbm"
pbmtoxbm "$tmp/grey.pbm" >xbm/grey.xbm
for f in tiny grey; do im "xbm/$f.xbm" -depth 8 "rgb:xbm/$f.rgb"; done

# JPEG: baseline, progressive and grey, with djpeg's pixels.
im "$tmp/plasma.ppm" -resize 45x31! "$tmp/photo.ppm"
cjpeg -quality 85 "$tmp/photo.ppm" >jpeg/baseline.jpg
cjpeg -quality 85 -progressive "$tmp/photo.ppm" >jpeg/progressive.jpg
cjpeg -quality 85 -grayscale "$tmp/photo.ppm" >jpeg/grey.jpg
# Arithmetic coding, which is refused.
cjpeg -quality 85 -arithmetic "$tmp/photo.ppm" >jpeg/arithmetic.jpg
for f in baseline progressive grey; do djpeg -pnm "jpeg/$f.jpg" >"jpeg/$f.pnm"; done
# RLE at 4 bits (no tool writes it: encoded here, runs and literal pixels),
# and 32 bits with channel masks in an unusual order after a 40-byte header.
im "$tmp/plasma.ppm" -colors 11 "$tmp/p11.ppm"
ppmtobmp -windows -bpp=4 "$tmp/p11.ppm" >"$tmp/p4.bmp" 2>/dev/null
python3 - "$tmp/p4.bmp" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
off, = struct.unpack_from("<I", data, 10)
w, h = struct.unpack_from("<ii", data, 18)
stride = ((w * 4 + 7) // 8 + 3) & ~3
out = bytearray()
for r in range(h):
    row = data[off + r * stride: off + (r + 1) * stride]
    px = [(row[i // 2] >> 4) if i % 2 == 0 else (row[i // 2] & 15) for i in range(w)]
    i = 0
    while i < w:
        j = i
        while j < w and j - i < 255 and px[j] == px[i]:
            j += 1
        if j - i >= 3 or w - i < 3:
            out += bytes([j - i, px[i] * 17])
            i = j
        else:
            n = min(w - i, 9)
            lit = px[i:i + n] + [0]
            body = bytes((lit[k] << 4) | lit[k + 1] for k in range(0, n, 2))
            out += bytes([0, n]) + body + (b"\0" if len(body) % 2 else b"")
            i += n
    out += b"\0\0"
out += b"\0\1"
head = bytearray(data[:off])
struct.pack_into("<I", head, 30, 2)
struct.pack_into("<I", head, 34, len(out))
struct.pack_into("<I", head, 2, len(head) + len(out))
open("bmp/rle4.bmp", "wb").write(bytes(head) + bytes(out))
data = open("bmp/b32.bmp", "rb").read()
off, = struct.unpack_from("<I", data, 10)
pixels = bytearray()
for k in range(off, len(data), 4):
    b, g, r, a = data[k:k + 4]
    pixels += bytes([a, r, b, g])
head = bytearray(data[:off])
struct.pack_into("<I", head, 30, 3)
masks = struct.pack("<III", 0x0000FF00, 0xFF000000, 0x00FF0000)
struct.pack_into("<I", head, 10, off + 12)
struct.pack_into("<I", head, 2, len(data) + 12)
open("bmp/fields.bmp", "wb").write(bytes(head) + masks + bytes(pixels))
PY
for f in b32 rle8 rle4; do im "bmp/$f.bmp" -depth 8 "rgb:bmp/$f.rgb"; done
cp bmp/b32.rgb bmp/fields.rgb
# What the animation shows at each frame: every disposal mode applied.
im gif/loop2.gif -coalesce "$tmp/coalesced-%d.gif"
for i in 0 1 2 3; do rgba "$tmp/coalesced-$i.gif" "gif/loop2.coalesced.$i.rgba"; done
