"""Icon images for the benchmarks: bitmaps at every depth and PNG images, made the same on every
run, with pixels varied enough that compression has work to do.

  make_icons.py rc WORK        resources of a library like a large system one (see
                               make-system-dll.sh): WORK/system.rc and the files it names
  make_icons.py ico OUT SPEC   an icon file; SPEC lists SIZE@BITS images, comma-separated, with
                               BITS 0 for a 256-pixel-style PNG image (16@4,32@32,256@0)
"""
import struct, sys, zlib

seed = 12345
def noise():
    global seed
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    return seed >> 16
def argb(size, group):
    # A disc of gradients and checks, with sparse noise; transparent around it.
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            if (x - size / 2) ** 2 + (y - size / 2) ** 2 >= (size / 2 - 1) ** 2:
                row += bytes(4)
                continue
            row += bytes(((x + group) & 255, (2 * y + (noise() % 4 if (x * y) % 13 == 0 else 0)) & 255,
                          (group * 3 + ((x // 8) ^ (y // 8)) * 4) & 255, 255))
        rows.append(bytes(row))
    return rows
def dib(size, bits, group):
    mask_stride = (size + 31) // 32 * 4
    stride = (size * bits + 31) // 32 * 4
    colors = 1 << bits if bits <= 8 else 0
    table = b"".join(struct.pack("<BBBB", (i * 37) & 255, (i * 91) & 255, (i * 13) & 255, 0)
                     for i in range(colors))
    pixels = bytearray()
    mask = bytearray()
    picture = argb(size, group) if bits == 32 else None
    for y in range(size):
        if bits == 32:
            row = bytearray(picture[size - 1 - y])
        else:
            row = bytearray(stride)
            per = 8 // bits
            for x in range(size):
                v = ((x + y + group + noise() % 3) % colors)
                row[x // per] |= v << ((per - 1 - x % per) * bits)
        pixels += bytes(row[:stride]) + bytes(stride - len(row[:stride]))
        m = bytearray(mask_stride)
        for x in range(size):
            yy = size - 1 - y  # bitmaps are stored bottom-up
            if (x - size / 2) ** 2 + (yy - size / 2) ** 2 >= (size / 2 - 1) ** 2:
                m[x // 8] |= 0x80 >> (x % 8)
        mask += m
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, 0, 0, 0, colors, 0)
    return header + table + bytes(pixels) + bytes(mask)
def png(size, group):
    # Each row with the Sub filter, as encoders choose for gradients.
    def sub(row):
        return bytes([1]) + bytes((row[i] - (row[i - 4] if i >= 4 else 0)) & 255
                                  for i in range(len(row)))
    raw = b"".join(sub(row) for row in argb(size, group))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))

def icon_file(images):
    """The bytes of an icon file holding `images`, a list of (size, bits, bytes)."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, bits, image in images:
        entries += struct.pack("<BBBBHHII", size & 255, size & 255, 0, 0, 1, bits, len(image),
                               offset + len(data))
        data += image
    return head + entries + data

def image(size, bits, group=0):
    return png(size, group) if bits == 0 else dib(size, bits, group)

def write_rc(work):
    rc = []
    ident = 1
    kinds = [(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (24, 32), (32, 32), (48, 32),
             (256, 0)]
    for group in range(184):
        members = []
        for size, bits in kinds:
            image = png(size, group) if bits == 0 else dib(size, bits, group)
            open(f"{work}/i{ident}.bin", "wb").write(image)
            rc.append(f'{ident} 3 "{work}/i{ident}.bin"')
            members.append((size, bits or 32, len(image), ident))
            ident += 1
        grp = struct.pack("<HHH", 0, 1, len(members))
        for size, bits, length, i in members:
            grp += struct.pack("<BBBBHHIH", size & 255, size & 255, 0, 0, 1, bits, length, i)
        open(f"{work}/g{group}.bin", "wb").write(grp)
        rc.append(f'{1000 + group} 14 "{work}/g{group}.bin"')
    open(f"{work}/system.rc", "w").write("\n".join(rc) + "\n")

if __name__ == "__main__":
    if sys.argv[1] == "rc":
        write_rc(sys.argv[2])
    elif sys.argv[1] == "ico":
        images = []
        for item in sys.argv[3].split(","):
            size, bits = (int(v) for v in item.split("@"))
            images.append((size, bits or 32, image(size, bits, len(images))))
        open(sys.argv[2], "wb").write(icon_file(images))
