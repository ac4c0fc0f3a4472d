#include "core/AniFormat.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/Bytes.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

constexpr uint32_t kAnihSize = 36;
constexpr uint32_t kFlagIconFrames = 1;  // frames are icon/cursor files, not raw bitmaps
constexpr uint32_t kFlagSequence = 2;    // a "seq " chunk orders the frames

[[noreturn]] void refuse() {
    throw EInvalidGraphic("Unknown picture file extension (.ani)");
}

bool is(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// Identifiers are four printable characters; anything else is not a chunk header.
bool printable(const uint8_t* id) {
    return std::all_of(id, id + 4, [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

struct Chunk {
    const uint8_t* id;
    std::span<const uint8_t> data;
    std::vector<Chunk> items;  // a top-level list's chunks after its type
};

// The chunks in `bytes`, each followed by a pad byte when its size is odd; at the top level,
// with the chunks of each list. A list whose chunks end short of its size may have declared
// too much: when the header after it is not valid, or is unknown where one we know stands at
// the end of the list's last chunk, reading goes on from there. Otherwise an invalid header
// ends the walk, except that a top-level list running past the end holds what is there.
// `end` receives the end of the last chunk read.
std::vector<Chunk> chunks(std::span<const uint8_t> bytes, bool top, uint64_t& end) {
    std::vector<Chunk> out;
    uint64_t at = 0;
    end = 0;
    uint64_t resume = 0;  // where the last list's chunks ended short of its end; 0: nowhere
    auto valid = [&](uint64_t p) {
        return p + 8 <= bytes.size() && printable(bytes.data() + p) &&
               fits(p + 8, getU32(bytes.data() + p + 4), bytes.size());
    };
    auto known = [&](uint64_t p) {
        const uint8_t* id = bytes.data() + p;
        return valid(p) && (is(id, "anih") || is(id, "rate") || is(id, "seq ") || is(id, "LIST"));
    };
    while (at + 8 <= bytes.size()) {
        const uint8_t* id = bytes.data() + at;
        if (resume != 0 && (!valid(at) || (!known(at) && known(resume)))) {
            at = std::exchange(resume, 0);
            continue;
        }
        resume = 0;
        uint64_t size = getU32(id + 4);
        if (!valid(at)) {
            if (!top || !printable(id) || !is(id, "LIST")) break;
            size = bytes.size() - at - 8;
        }
        Chunk c{id, bytes.subspan(at + 8, size), {}};
        if (top && is(id, "LIST") && size >= 4) {
            uint64_t itemsEnd = 0;
            c.items = chunks(c.data.subspan(4), false, itemsEnd);
            if (4 + itemsEnd < size) resume = at + 8 + 4 + itemsEnd;
        }
        out.push_back(std::move(c));
        at += 8 + size + (size & 1);
        end = std::min<uint64_t>(at, bytes.size());
    }
    return out;
}

// An INFO string: up to its first NUL, UTF-8 when it is valid UTF-8, otherwise Latin-1.
QString infoText(std::span<const uint8_t> data) {
    const auto* text = reinterpret_cast<const char*>(data.data());
    const auto n = static_cast<qsizetype>(std::find(data.begin(), data.end(), 0) - data.begin());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString s = utf8.decode(QByteArrayView(text, n));
    return utf8.hasError() ? QString::fromLatin1(text, n) : s;
}

// Latin-1, which older readers expect, where it holds the text and reads back as it; UTF-8
// otherwise.
QByteArray infoBytes(const QString& text) {
    const QByteArray latin1 = text.toLatin1();
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(latin1.constData()),
                                 static_cast<size_t>(latin1.size()));
    return QString::fromLatin1(latin1) == text && infoText(bytes) == text ? latin1 : text.toUtf8();
}

uint32_t newStepRate(const TAnimation& a) {
    return a.defaultRate != 0 ? a.defaultRate : kAniDefaultRate;
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
// Starts a chunk whose data the caller appends; endChunk, given what this returns, fills in
// its size and pads it.
size_t beginChunk(std::vector<uint8_t>& out, const char* id) {
    append(out, id);
    append32(out, 0);
    return out.size() - 4;
}
void endChunk(std::vector<uint8_t>& out, size_t sizeAt) {
    const size_t size = out.size() - sizeAt - 4;
    if (size > UINT32_MAX) throw EWriteError("The animated cursor is too large to be written.");
    putU32(out.data() + sizeAt, uint32_t(size));
    if (size & 1) out.push_back(0);
}

}  // namespace

std::vector<uint8_t> readAnimatedCursor(std::span<const uint8_t> bytes, TAnimation* animation) {
    if (bytes.size() < 12 || !is(bytes.data(), "RIFF") || !is(bytes.data() + 8, "ACON")) refuse();
    // The RIFF size is not believed: some files give less than they hold, and the chunks end
    // the file themselves.
    uint64_t end = 0;
    const std::vector<Chunk> all = chunks(bytes.subspan(12), true, end);

    std::optional<std::span<const uint8_t>> header, seq, rates;
    std::optional<QString> title, author;
    std::vector<std::span<const uint8_t>> frames;
    for (const Chunk& c : all) {
        if (is(c.id, "anih") && !header) header = c.data;
        if (is(c.id, "seq ") && !seq) seq = c.data;
        if (is(c.id, "rate") && !rates) rates = c.data;
        if (!is(c.id, "LIST") || c.data.size() < 4) continue;
        const bool fram = is(c.data.data(), "fram"), info = is(c.data.data(), "INFO");
        for (const Chunk& item : c.items) {
            if (fram && is(item.id, "icon")) frames.push_back(item.data);
            if (info && is(item.id, "INAM") && !title) title = infoText(item.data);
            if (info && is(item.id, "IART") && !author) author = infoText(item.data);
        }
    }
    if (!header || header->size() < kAnihSize) refuse();
    const uint32_t count = getU32(header->data() + 4);
    const uint32_t stepCount = getU32(header->data() + 8);
    const uint32_t flags = getU32(header->data() + 32);
    if (count == 0 || count > 0xFFFF || !(flags & kFlagIconFrames) || frames.size() < count)
        refuse();

    // Every step shows a frame there is, and a "rate" times every step.
    TAnimation a;
    a.defaultRate = getU32(header->data() + 28);
    a.flags = flags;
    a.title = title.value_or(QString());
    a.author = author.value_or(QString());
    if (seq) {
        if (stepCount == 0 || seq->size() / 4 < stepCount) refuse();
        a.steps.reserve(stepCount);
        for (uint32_t i = 0; i < stepCount; ++i) {
            const uint32_t frame = getU32(seq->data() + 4 * uint64_t{i});
            if (frame >= count) refuse();
            a.steps.push_back({int(frame), a.defaultRate});
        }
    } else {
        for (uint32_t i = 0; i < count; ++i) a.steps.push_back({int(i), a.defaultRate});
    }
    if (rates) {
        if (rates->size() / 4 < a.steps.size()) refuse();
        for (size_t i = 0; i < a.steps.size(); ++i) a.steps[i].rate = getU32(rates->data() + 4 * i);
    }

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
    if (animation) *animation = std::move(a);
    return block;
}

std::vector<uint8_t> writeAnimatedCursor(std::span<const uint8_t> block,
                                         const std::optional<TAnimation>& animation) {
    const uint16_t n = blockCount(block.data());
    TAnimation a = animation.value_or(TAnimation());
    if (a.steps.empty())
        for (int i = 0; i < n; ++i) a.steps.push_back({i, a.defaultRate});
    bool inOrder = a.steps.size() == n, timed = false;
    for (size_t i = 0; i < a.steps.size(); ++i) {
        const TAnimationStep& s = a.steps[i];
        if (s.frame < 0 || s.frame >= n)
            throw std::invalid_argument("an animation step shows a frame the cursor lacks");
        inOrder = inOrder && s.frame == int(i);
        timed = timed || s.rate != a.defaultRate;
    }
    if (a.steps.size() > UINT32_MAX / 4)
        throw EWriteError("The animated cursor is too large to be written.");
    const auto steps = uint32_t(a.steps.size());

    std::vector<uint8_t> out;
    const size_t riff = beginChunk(out, "RIFF");
    append(out, "ACON");
    if (!a.title.isEmpty() || !a.author.isEmpty()) {
        const size_t info = beginChunk(out, "LIST");
        append(out, "INFO");
        for (const auto& [id, text] : {std::pair{"INAM", &a.title}, std::pair{"IART", &a.author}}) {
            if (text->isEmpty()) continue;
            const size_t at = beginChunk(out, id);
            const QByteArray bytes = infoBytes(*text);
            appendBytes(out, bytes.constData(), size_t(bytes.size()));
            out.push_back(0);
            endChunk(out, at);
        }
        endChunk(out, info);
    }
    const uint32_t flags =
        (a.flags & ~kFlagSequence) | kFlagIconFrames | (inOrder ? 0 : kFlagSequence);
    const size_t anih = beginChunk(out, "anih");
    for (uint32_t v : {kAnihSize, uint32_t{n}, steps, 0u, 0u, 0u, 0u, a.defaultRate, flags})
        append32(out, v);
    endChunk(out, anih);
    if (timed) {
        const size_t rate = beginChunk(out, "rate");
        for (const TAnimationStep& s : a.steps) append32(out, s.rate);
        endChunk(out, rate);
    }
    if (!inOrder) {
        const size_t seq = beginChunk(out, "seq ");
        for (const TAnimationStep& s : a.steps) append32(out, uint32_t(s.frame));
        endChunk(out, seq);
    }

    const size_t list = beginChunk(out, "LIST");
    append(out, "fram");
    for (int i = 0; i < n; ++i) {
        IconEntry e = readEntry(block.data(), i);
        const uint8_t* image = block.data() + e.imageOffset;
        const size_t icon = beginChunk(out, "icon");
        const uint8_t header[6] = {0, 0, kTypeCursor, 0, 1, 0};
        appendBytes(out, header, sizeof header);
        e.imageOffset = kFileHeaderSize + kEntrySize;
        uint8_t entry[kFileHeaderSize + kEntrySize] = {};
        writeEntry(entry, 0, e);
        appendBytes(out, entry + kFileHeaderSize, kEntrySize);
        appendBytes(out, image, e.bytesInRes);
        endChunk(out, icon);
    }
    endChunk(out, list);
    endChunk(out, riff);
    return out;
}

void insertAnimationFrame(TAnimation& animation, int index) {
    auto& steps = animation.steps;
    for (TAnimationStep& s : steps)
        if (s.frame >= index) ++s.frame;
    const auto later =
        std::find_if(steps.begin(), steps.end(), [&](const auto& s) { return s.frame > index; });
    steps.insert(later, {index, newStepRate(animation)});
}

void removeAnimationFrame(TAnimation& animation, int index, int frames) {
    auto& steps = animation.steps;
    std::erase_if(steps, [&](const TAnimationStep& s) { return s.frame == index; });
    for (TAnimationStep& s : steps)
        if (s.frame > index) --s.frame;
    if (steps.empty())
        for (int i = 0; i < frames; ++i) steps.push_back({i, newStepRate(animation)});
}

void moveAnimationFrame(TAnimation& animation, int from, int to, int frames) {
    auto& steps = animation.steps;
    bool inOrder = static_cast<int>(steps.size()) == frames;
    for (int i = 0; inOrder && i < frames; ++i) inOrder = steps[static_cast<size_t>(i)].frame == i;
    for (TAnimationStep& s : steps) {
        if (s.frame == from)
            s.frame = to;
        else if (from < to && s.frame > from && s.frame <= to)
            --s.frame;
        else if (to < from && s.frame >= to && s.frame < from)
            ++s.frame;
    }
    if (inOrder)
        std::stable_sort(steps.begin(), steps.end(),
                         [](const auto& a, const auto& b) { return a.frame < b.frame; });
}

}  // namespace tarvo
