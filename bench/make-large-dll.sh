#!/usr/bin/env bash
# Builds OUT (default large.dll): a resource-only PE32+ library with 360 icon images (120 groups
# of 16, 32 and 48 pixels at 32 bits), for the module benchmark. Needs binutils-mingw-w64 and cpp.
set -euo pipefail
out=${1:-large.dll}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]
rc = []
ident = 1
for group in range(120):
    members = []
    for size in (16, 32, 48):
        pixels = bytearray()
        for y in range(size):
            for x in range(size):
                pixels += bytes(((x * 7 + group) & 255, (y * 5) & 255, (group * 3) & 255, 255))
        mask = bytes(((size + 31) // 32 * 4) * size)
        header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
        image = header + pixels + mask
        open(f"{work}/i{ident}.bin", "wb").write(image)
        rc.append(f'{ident} 3 "{work}/i{ident}.bin"')
        members.append((size, len(image), ident))
        ident += 1
    grp = struct.pack("<HHH", 0, 1, len(members))
    for size, length, i in members:
        grp += struct.pack("<BBBBHHIH", size, size, 0, 0, 1, 32, length, i)
    open(f"{work}/g{group}.bin", "wb").write(grp)
    rc.append(f'{1000 + group} 14 "{work}/g{group}.bin"')
open(f"{work}/large.rc", "w").write("\n".join(rc) + "\n")
PY
x86_64-w64-mingw32-windres --preprocessor=cpp "$work/large.rc" -O coff -o "$work/large.o"
x86_64-w64-mingw32-ld --dll -e 0 -s -o "$out" "$work/large.o"
