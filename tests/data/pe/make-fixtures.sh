#!/usr/bin/env bash
# Builds the resource-only modules the tests read: icons.dll (PE32), icons64.dll and icons64.exe
# (PE32+). They hold six icon images: two named (ANAMED, ZNAMED) and four numbered 1..4, image 2
# in German and US English, and two icon groups that share image 2. cursors.dll (PE32) holds
# cursors only: two cursors (1-bit, 4-bit) and an animated cursor of two 32-bit frames;
# mixed64.dll (PE32+) holds icon 1, the 1-bit cursor and the animated cursor. The pictures come
# from ImageMagick, the icon and cursor files from icotool, the animated cursor from
# tarvo-icontool, the modules from mingw's windres and ld.
# Run from this folder as `./make-fixtures.sh [TARVO-ICONTOOL]` (by default the one in build/);
# needs imagemagick, icoutils, binutils-mingw-w64 and cpp.
set -euo pipefail
icontool=$(realpath "${1:-../../../build/cli/tarvo-icontool}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

magick=/usr/bin/convert
$magick -size 16x16 xc:red -fill yellow -draw 'point 3,4' -colors 4 -type Palette "$work/p1.png"
$magick -size 24x24 xc:blue -fill white -draw 'rectangle 2,2 5,9' -colors 4 -type Palette "$work/p2.png"
$magick -size 24x24 xc:lime -colors 2 -type Palette "$work/p2de.png"
$magick -size 32x32 gradient:red-blue "$work/p3.png"
$magick -size 48x48 xc:none -fill '#00ff0080' -draw 'circle 24,24 24,4' "$work/p4.png"
$magick -size 8x8 xc:white -fill black -draw 'point 1,1' -colors 2 -type Palette "$work/pa.png"
$magick -size 20x20 xc:orange -colors 4 -type Palette "$work/pz.png"
icotool -c -b 4 -o "$work/1.ico" "$work/p1.png"
icotool -c -b 8 -o "$work/2.ico" "$work/p2.png"
icotool -c -b 1 -o "$work/2de.ico" "$work/p2de.png"
icotool -c -b 24 -o "$work/3.ico" "$work/p3.png"
icotool -c -r "$work/p4.png" -o "$work/4.ico"
icotool -c -b 1 -o "$work/a.ico" "$work/pa.png"
icotool -c -b 4 -o "$work/z.ico" "$work/pz.png"

# Each icon file's first image as a raw icon-image resource, and two group resources.
/usr/bin/python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
entries = {}
for name in ["1", "2", "2de", "3", "4", "a", "z"]:
    data = open(f"{work}/{name}.ico", "rb").read()
    w, h, colors, res, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    open(f"{work}/{name}.bin", "wb").write(data[offset:offset + size])
    entries[name] = (w, h, colors, res, planes, bits, size)
def group(path, members):
    out = struct.pack("<HHH", 0, 1, len(members))
    for name, ident in members:
        w, h, colors, res, planes, bits, size = entries[name]
        out += struct.pack("<BBBBHHIH", w, h, colors, res, 1, bits, size, ident)
    open(path, "wb").write(out)
group(f"{work}/g1.bin", [("1", 1), ("2", 2)])
group(f"{work}/g2.bin", [("2", 2), ("3", 3), ("4", 4)])
PY

cat > "$work/icons.rc" <<RC
LANGUAGE 0x09, 0x01
ZNAMED 3 "$work/z.bin"
ANAMED 3 "$work/a.bin"
4 3 "$work/4.bin"
3 3 "$work/3.bin"
2 3 "$work/2.bin"
1 3 "$work/1.bin"
10 14 "$work/g1.bin"
11 14 "$work/g2.bin"
LANGUAGE 0x07, 0x01
2 3 "$work/2de.bin"
RC

i686-w64-mingw32-windres --preprocessor=cpp "$work/icons.rc" -O coff -o "$work/icons32.o"
x86_64-w64-mingw32-windres --preprocessor=cpp "$work/icons.rc" -O coff -o "$work/icons64.o"
i686-w64-mingw32-ld --dll -e 0 -s -o icons.dll "$work/icons32.o"
x86_64-w64-mingw32-ld --dll -e 0 -s -o icons64.dll "$work/icons64.o"
x86_64-w64-mingw32-ld -e 0 -s -o icons64.exe "$work/icons64.o"
# The pictures the tests compare against, in resource order.
for n in a z 1 2 3 4 2de; do cp "$work/p$n.png" "picture-$n.png"; done

# Cursors, each picture with transparent parts: an arrow (1-bit, hot spot 3,5), a hand 20 x 24
# (4-bit, hot spot 9,1) and two translucent frames (32-bit, hot spot 8,8) of an animated cursor.
$magick -size 32x32 xc:none +antialias -fill black -stroke white \
    -draw 'polygon 3,5 3,27 9,21 20,21' "$work/parrow.png"
$magick -size 20x24 xc:none +antialias -fill '#c08040' -draw 'rectangle 6,2 12,22' \
    -fill blue -draw 'rectangle 2,10 17,14' -fill red -draw 'point 9,1' "$work/phand.png"
$magick -size 16x16 xc:none -fill '#ff000080' -draw 'circle 8,8 8,2' "PNG32:$work/pbusy1.png"
$magick -size 16x16 xc:none -fill '#0000ffc0' -draw 'rectangle 3,3 12,12' "PNG32:$work/pbusy2.png"
icotool -c --cursor -b 1 -X 3 -Y 5 -o "$work/arrow.cur" "$work/parrow.png"
icotool -c --cursor -b 4 -X 9 -Y 1 -o "$work/hand.cur" "$work/phand.png"
"$icontool" create "$work/busy.cur" "$work/pbusy1.png" "$work/pbusy2.png" --hotspot 8,8
"$icontool" convert "$work/busy.cur" "$work/busy.ani"

cat > "$work/cursors.rc" <<RC
LANGUAGE 0x09, 0x01
1 CURSOR "$work/arrow.cur"
2 CURSOR "$work/hand.cur"
3 ANICURSOR "$work/busy.ani"
RC
cat > "$work/mixed.rc" <<RC
LANGUAGE 0x09, 0x01
1 ICON "$work/1.ico"
1 CURSOR "$work/arrow.cur"
2 ANICURSOR "$work/busy.ani"
RC
i686-w64-mingw32-windres --preprocessor=cpp "$work/cursors.rc" -O coff -o "$work/cursors.o"
x86_64-w64-mingw32-windres --preprocessor=cpp "$work/mixed.rc" -O coff -o "$work/mixed.o"
i686-w64-mingw32-ld --dll -e 0 -s -o cursors.dll "$work/cursors.o"
x86_64-w64-mingw32-ld --dll -e 0 -s -o mixed64.dll "$work/mixed.o"
for n in arrow hand busy1 busy2; do cp "$work/p$n.png" "picture-$n.png"; done
