#include "core/AniFormat.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/Bytes.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

constexpr uint32_t kAnihSize = 36;
constexpr uint32_t kFlagIconFrames = 1;  // frames are icon/cursor files, not raw bitmaps
constexpr uint32_t kDefaultRate = 10;    // jiffies (1/60 s)
constexpr uint32_t kFrameRate = 6;

[[noreturn]] void refuse() {
    throw EInvalidGraphic("Unknown picture file extension (.ani)");
}

bool is(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

struct Chunk {
    const uint8_t* id;
    std::span<const uint8_t> data;
};

// The chunks in `bytes`, each followed by a pad byte when its size is odd. A chunk that runs past
// the end is damage.
std::vector<Chunk> chunks(std::span<const uint8_t> bytes) {
    std::vector<Chunk> out;
    uint64_t at = 0;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = getU32(bytes.data() + at + 4);
        if (!fits(at + 8, size, bytes.size())) refuse();
        out.push_back({bytes.data() + at, bytes.subspan(at + 8, size)});
        at += 8 + uint64_t{size} + (size & 1);
    }
    return out;
}

void appendBytes(std::vector<uint8_t>& out, const void* bytes, size_t n) {
    const size_t at = out.size();
    out.resize(at + n);
    std::memcpy(out.data() + at, bytes, n);
}
void append(std::vector<uint8_t>& out, const char* id) {
    appendBytes(out, id, 4);
}
void append32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    putU32(b, v);
    appendBytes(out, b, 4);
}

}  // namespace

std::vector<uint8_t> readAnimatedCursor(std::span<const uint8_t> bytes) {
    if (bytes.size() < 12 || !is(bytes.data(), "RIFF") || !is(bytes.data() + 8, "ACON")) refuse();
    // A RIFF size past the end of the file is believed only as far as the file goes, and one
    // below its own header holds nothing.
    const uint64_t riffEnd =
        std::clamp<uint64_t>(8 + uint64_t{getU32(bytes.data() + 4)}, 12, bytes.size());
    const auto body = bytes.subspan(12, riffEnd - 12);

    std::span<const uint8_t> header;
    std::vector<std::span<const uint8_t>> frames;
    bool haveHeader = false;
    for (const Chunk& c : chunks(body)) {
        if (is(c.id, "anih") && !haveHeader) {
            header = c.data;
            haveHeader = true;
        } else if (is(c.id, "LIST") && c.data.size() >= 4 && is(c.data.data(), "fram")) {
            for (const Chunk& f : chunks(c.data.subspan(4)))
                if (is(f.id, "icon")) frames.push_back(f.data);
        }
    }
    if (!haveHeader || header.size() < kAnihSize) refuse();
    const uint32_t count = getU32(header.data() + 4);
    const uint32_t flags = getU32(header.data() + 32);
    if (count == 0 || count > 0xFFFF || !(flags & kFlagIconFrames) || frames.size() < count)
        refuse();

    // Each frame on its own, made strict; its first image is the frame.
    std::vector<std::vector<uint8_t>> images(count);
    std::vector<IconEntry> entries(count);
    uint64_t total = kFileHeaderSize + uint64_t{kEntrySize} * count;
    for (uint32_t i = 0; i < count; ++i) {
        std::vector<uint8_t> frame;
        try {
            frame = normaliseIconBlock(frames[i]);
        } catch (const EInvalidGraphic&) {
            refuse();
        }
        entries[i] = readEntry(frame.data(), 0);
        const auto* image = frame.data() + entries[i].imageOffset;
        images[i].assign(image, image + entries[i].bytesInRes);
        total += images[i].size();
        if (total > kMaxBlockSize) refuse();
    }

    std::vector<uint8_t> block(total, 0);
    putU16(block.data() + 2, kTypeCursor);
    putU16(block.data() + 4, static_cast<uint16_t>(count));
    uint32_t offset = kFileHeaderSize + kEntrySize * count;
    for (uint32_t i = 0; i < count; ++i) {
        entries[i].imageOffset = offset;
        writeEntry(block.data(), int(i), entries[i]);
        std::copy(images[i].begin(), images[i].end(), block.begin() + offset);
        offset += uint32_t(images[i].size());
    }
    return block;
}

std::vector<uint8_t> writeAnimatedCursor(std::span<const uint8_t> block) {
    const uint16_t n = blockCount(block.data());
    std::vector<uint8_t> out;
    append(out, "RIFF");
    append32(out, 0);  // the size, once known
    append(out, "ACON");
    append(out, "anih");
    append32(out, kAnihSize);
    for (uint32_t v :
         {kAnihSize, uint32_t{n}, uint32_t{n}, 0u, 0u, 0u, 0u, kDefaultRate, kFlagIconFrames})
        append32(out, v);
    append(out, "rate");
    append32(out, 4u * n);
    for (int i = 0; i < n; ++i) append32(out, kFrameRate);

    uint32_t list = 4;
    for (int i = 0; i < n; ++i) list += readEntry(block.data(), i).bytesInRes + 30;
    append(out, "LIST");
    append32(out, list);
    append(out, "fram");
    for (int i = 0; i < n; ++i) {
        IconEntry e = readEntry(block.data(), i);
        const uint8_t* image = block.data() + e.imageOffset;
        append(out, "icon");
        append32(out, e.bytesInRes + kFileHeaderSize + kEntrySize);
        const uint8_t header[6] = {0, 0, kTypeCursor, 0, 1, 0};
        appendBytes(out, header, sizeof header);
        e.imageOffset = kFileHeaderSize + kEntrySize;
        uint8_t entry[kFileHeaderSize + kEntrySize] = {};
        writeEntry(entry, 0, e);
        appendBytes(out, entry + kFileHeaderSize, kEntrySize);
        appendBytes(out, image, e.bytesInRes);
    }
    putU32(out.data() + 4, uint32_t(out.size() - 8));
    return out;
}

}  // namespace tarvo
