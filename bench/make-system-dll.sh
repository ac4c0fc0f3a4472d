#!/usr/bin/env bash
# Builds OUT (default system.dll): a resource-only PE32+ library shaped like a large system
# library, about 7.5 MB with 1,840 icon images in 184 groups: 16 and 32 pixels at 4 bits, 16, 32
# and 48 at 8 bits, 16, 24, 32 and 48 at 32 bits as bitmaps, and 256 at 32 bits stored as PNG.
# Pixels vary enough that compression has work to do. Needs binutils-mingw-w64 and cpp.
set -euo pipefail
out=${1:-system.dll}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 "$(dirname "$0")/make_icons.py" rc "$work"
x86_64-w64-mingw32-windres --preprocessor=cpp "$work/system.rc" -O coff -o "$work/system.o"
x86_64-w64-mingw32-ld --dll -e 0 -s -o "$out" "$work/system.o"
