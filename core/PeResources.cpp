#include "core/PeResources.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/AniFormat.h"
#include "core/Bytes.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

constexpr uint32_t kResourceTypeCursor = 1;
constexpr uint32_t kResourceTypeIcon = 3;
constexpr uint32_t kResourceTypeAnimatedCursor = 21;
constexpr uint64_t kHotSpotSize = 4;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint16_t kLanguageNeutral = 0;
constexpr uint16_t kLanguageUsEnglish = 0x409;

struct NotAModule {};

struct Section {
    uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

class Module {
  public:
    explicit Module(std::span<const uint8_t> file) : file_(file) { parseHeaders(); }

    // The file bytes of `length` bytes at `rva`, which must lie in one section's file data.
    std::span<const uint8_t> at(uint32_t rva, uint64_t length) const {
        for (const Section& s : sections_) {
            const uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
            const uint64_t inSection = rva - s.virtualAddress;
            if (!fits(inSection, length, s.rawSize) ||
                !fits(uint64_t{s.rawOffset} + inSection, length, file_.size()))
                throw NotAModule{};
            return file_.subspan(s.rawOffset + inSection, length);
        }
        throw NotAModule{};
    }
    // All of the section's file data from `rva` on.
    std::span<const uint8_t> from(uint32_t rva) const {
        for (const Section& s : sections_) {
            const uint64_t span = std::max(s.virtualSize, s.rawSize);
            if (rva < s.virtualAddress || rva - s.virtualAddress >= span) continue;
            const uint64_t inSection = rva - s.virtualAddress;
            if (inSection >= s.rawSize) throw NotAModule{};
            const uint64_t start = uint64_t{s.rawOffset} + inSection;
            if (start >= file_.size()) throw NotAModule{};
            return file_.subspan(start,
                                 std::min<uint64_t>(s.rawSize - inSection, file_.size() - start));
        }
        throw NotAModule{};
    }
    uint32_t resourceRva() const { return resourceRva_; }

  private:
    void need(uint64_t offset, uint64_t length) const {
        if (!fits(offset, length, file_.size())) throw NotAModule{};
    }
    void parseHeaders() {
        need(0, 0x40);
        if (file_[0] != 'M' || file_[1] != 'Z') throw NotAModule{};
        const uint32_t pe = getU32(file_.data() + 0x3C);
        need(pe, 24);
        if (std::memcmp(file_.data() + pe, "PE\0\0", 4) != 0) throw NotAModule{};
        const uint16_t sectionCount = getU16(file_.data() + pe + 6);
        const uint16_t optionalSize = getU16(file_.data() + pe + 20);
        const uint64_t optional = uint64_t{pe} + 24;
        need(optional, optionalSize);
        if (optionalSize < 2) throw NotAModule{};
        const uint16_t magic = getU16(file_.data() + optional);
        uint64_t countAt = 0, directories = 0;
        if (magic == 0x10B) {
            countAt = 92, directories = 96;  // PE32
        } else if (magic == 0x20B) {
            countAt = 108, directories = 112;  // PE32+
        } else {
            throw NotAModule{};
        }
        if (countAt + 4 > optionalSize) throw NotAModule{};
        const uint32_t directoryCount = getU32(file_.data() + optional + countAt);
        // The resource table is data directory 2.
        if (directoryCount <= 2 || directories + 3 * 8 > optionalSize) throw NotAModule{};
        resourceRva_ = getU32(file_.data() + optional + directories + 2 * 8);
        if (resourceRva_ == 0) throw NotAModule{};
        const uint64_t table = optional + optionalSize;
        need(table, uint64_t{sectionCount} * 40);
        for (uint16_t i = 0; i < sectionCount; ++i) {
            const uint8_t* s = file_.data() + table + 40 * i;
            sections_.push_back({getU32(s + 12), getU32(s + 8), getU32(s + 16), getU32(s + 20)});
        }
    }

    std::span<const uint8_t> file_;
    std::vector<Section> sections_;
    uint32_t resourceRva_ = 0;
};

struct DirectoryEntry {
    uint32_t name;    // an id, or with the high bit the offset of a name
    uint32_t offset;  // with the high bit: a subdirectory
};

// The entries of the resource directory at `offset` within the resource data.
std::vector<DirectoryEntry> directory(std::span<const uint8_t> resources, uint64_t offset) {
    if (!fits(offset, 16, resources.size())) throw NotAModule{};
    const uint32_t count =
        uint32_t{getU16(resources.data() + offset + 12)} + getU16(resources.data() + offset + 14);
    if (!fits(offset + 16, uint64_t{count} * 8, resources.size())) throw NotAModule{};
    std::vector<DirectoryEntry> entries(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = resources.data() + offset + 16 + 8 * i;
        entries[i] = {getU32(e), getU32(e + 4)};
    }
    return entries;
}

// The data entry for one resource: the preferred language's.
std::optional<DirectoryEntry> chooseLanguage(const std::vector<DirectoryEntry>& languages) {
    for (const DirectoryEntry& l : languages)
        if (!(l.offset & kHighBit) && !(l.name & kHighBit) &&
            (l.name == kLanguageNeutral || l.name == kLanguageUsEnglish))
            return l;
    for (const DirectoryEntry& l : languages)
        if (!(l.offset & kHighBit)) return l;
    return std::nullopt;
}

struct Resource {
    uint32_t rva, size;
};

// Every resource of `type` in directory order, up to the first of size 0.
std::vector<Resource> resourcesOf(std::span<const uint8_t> resources, uint32_t type) {
    std::vector<Resource> found;
    // Subdirectories may be shared, so a small file can name the same large directory again and
    // again; real modules read far fewer entries than this.
    uint64_t budget = uint64_t{1} << 20;
    auto read = [&](uint64_t offset) {
        std::vector<DirectoryEntry> entries = directory(resources, offset);
        if (entries.size() > budget) throw NotAModule{};
        budget -= entries.size();
        return entries;
    };
    for (const DirectoryEntry& t : read(0)) {
        if (t.name != type || !(t.offset & kHighBit)) continue;
        for (const DirectoryEntry& name : read(t.offset & ~kHighBit)) {
            std::optional<DirectoryEntry> data = name;
            if (name.offset & kHighBit) data = chooseLanguage(read(name.offset & ~kHighBit));
            if (!data) continue;
            const uint64_t at = data->offset;
            if (!fits(at, 16, resources.size())) throw NotAModule{};
            found.push_back({getU32(resources.data() + at), getU32(resources.data() + at + 4)});
            if (found.size() > 0xFFFF) throw NotAModule{};
        }
        break;
    }
    for (size_t i = 0; i < found.size(); ++i)
        if (found[i].size == 0) found.resize(i);
    return found;
}

// The images of the block being built, each with its directory entry, and their total size.
class Images {
  public:
    void add(const IconEntry& entry, std::span<const uint8_t> bytes) {
        if (images_.size() >= 0xFFFF) throw NotAModule{};
        total_ += kEntrySize + uint64_t{bytes.size()};
        if (total_ > kMaxBlockSize) throw EInvalidGraphic("The file is too large to open.");
        images_.push_back({entry, bytes});
    }
    // An image as stored in a resource: its entry as a new image gets it, from its own header.
    void addRaw(std::span<const uint8_t> bytes) {
        int width = 0, height = 0, bits = 0;
        if (bytes.size() >= 24 && std::memcmp(bytes.data(), "\x89PNG", 4) == 0) {
            width = int(bytes[16] << 24 | bytes[17] << 16 | bytes[18] << 8 | bytes[19]);
            height = int(bytes[20] << 24 | bytes[21] << 16 | bytes[22] << 8 | bytes[23]);
            bits = 32;
        } else if (bytes.size() >= 16) {
            width = getI32(bytes.data() + 4);
            height = getI32(bytes.data() + 8) >> 1;
            bits = getU16(bytes.data() + 14);
        }
        add(newEntry(width, height, bits, 0, 0), bytes);
    }
    bool empty() const { return images_.empty(); }
    IconEntry& last() { return images_.back().entry; }

    std::vector<uint8_t> block(uint16_t type) const {
        std::vector<uint8_t> block(total_, 0);
        putU16(block.data() + 2, type);
        putU16(block.data() + 4, uint16_t(images_.size()));
        uint32_t offset = kFileHeaderSize + kEntrySize * uint32_t(images_.size());
        for (size_t i = 0; i < images_.size(); ++i) {
            IconEntry e = images_[i].entry;
            e.bytesInRes = uint32_t(images_[i].bytes.size());
            e.imageOffset = offset;
            writeEntry(block.data(), int(i), e);
            std::copy(images_[i].bytes.begin(), images_[i].bytes.end(), block.begin() + offset);
            offset += e.bytesInRes;
        }
        return block;
    }

  private:
    struct Image {
        IconEntry entry;
        std::span<const uint8_t> bytes;
    };
    std::vector<Image> images_;
    uint64_t total_ = kFileHeaderSize;
};

}  // namespace

std::vector<uint8_t> readModuleImages(std::span<const uint8_t> file, ModuleImages which) {
    try {
        const Module module(file);
        const auto resources = module.from(module.resourceRva());
        Images images;
        if (which == ModuleImages::IconsFirst) {
            for (const Resource& r : resourcesOf(resources, kResourceTypeIcon))
                images.addRaw(module.at(r.rva, r.size));
            if (!images.empty()) return images.block(kTypeIcon);
        }
        // A cursor image starts with its hot spot, x then y.
        for (const Resource& r : resourcesOf(resources, kResourceTypeCursor)) {
            const auto bytes = module.at(r.rva, r.size);
            if (bytes.size() <= kHotSpotSize) throw NotAModule{};
            images.addRaw(bytes.subspan(kHotSpotSize));
            images.last().planes = getU16(bytes.data());
            images.last().bitCount = getU16(bytes.data() + 2);
        }
        // An animated cursor is a whole .ani file; its frames carry their hot spots. The blocks
        // stay alive here until the module's block is built from them.
        std::vector<std::vector<uint8_t>> animations;
        for (const Resource& r : resourcesOf(resources, kResourceTypeAnimatedCursor)) {
            std::vector<uint8_t> frames;
            try {
                frames = readAnimatedCursor(module.at(r.rva, r.size));
                validateIconBlock(frames);
            } catch (const EInvalidGraphic&) {
                throw NotAModule{};
            }
            for (int i = 0; i < blockCount(frames.data()); ++i) {
                const IconEntry e = readEntry(frames.data(), i);
                images.add(e, std::span(frames).subspan(e.imageOffset, e.bytesInRes));
            }
            animations.push_back(std::move(frames));
        }
        if (images.empty())
            throw EInvalidGraphic(which == ModuleImages::Cursors
                                      ? "The module holds no cursors."
                                      : "The module holds no icons or cursors.");
        return images.block(kTypeCursor);
    } catch (const NotAModule&) {
        throw EInvalidGraphic("The file is not a readable executable or library.");
    }
}

}  // namespace tarvo
