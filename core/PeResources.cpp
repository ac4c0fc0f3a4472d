#include "core/PeResources.h"

#include <cstring>
#include <optional>

#include "core/Bytes.h"
#include "core/IconFormat.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

constexpr uint32_t kResourceTypeIcon = 3;
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

}  // namespace

std::vector<uint8_t> readModuleIcons(std::span<const uint8_t> file) {
    struct Resource {
        uint32_t rva, size;
    };
    std::vector<Resource> icons;
    try {
        const Module module(file);
        const auto resources = module.from(module.resourceRva());
        for (const DirectoryEntry& type : directory(resources, 0)) {
            if (type.name != kResourceTypeIcon || !(type.offset & kHighBit)) continue;
            for (const DirectoryEntry& name : directory(resources, type.offset & ~kHighBit)) {
                std::optional<DirectoryEntry> data = name;
                if (name.offset & kHighBit)
                    data = chooseLanguage(directory(resources, name.offset & ~kHighBit));
                if (!data) continue;
                const uint64_t at = data->offset;
                if (!fits(at, 16, resources.size())) throw NotAModule{};
                icons.push_back({getU32(resources.data() + at), getU32(resources.data() + at + 4)});
                if (icons.size() > 0xFFFF) throw NotAModule{};
            }
            break;
        }
        // A resource of size 0 ends the list.
        for (size_t i = 0; i < icons.size(); ++i)
            if (icons[i].size == 0) icons.resize(i);
        if (icons.empty()) throw NotAModule{};

        // Every resource's bytes must lie in the file before anything is allocated for them.
        std::vector<std::span<const uint8_t>> data;
        uint64_t total = kFileHeaderSize + uint64_t{kEntrySize} * icons.size();
        for (const Resource& r : icons) {
            data.push_back(module.at(r.rva, r.size));
            total += r.size;
            if (total > kMaxBlockSize) throw EInvalidGraphic("The file is too large to open.");
        }
        std::vector<uint8_t> block(total, 0);
        putU16(block.data() + 2, kTypeIcon);
        putU16(block.data() + 4, uint16_t(icons.size()));
        uint32_t offset = kFileHeaderSize + kEntrySize * uint32_t(icons.size());
        for (size_t i = 0; i < icons.size(); ++i) {
            const auto bytes = data[i];
            // The directory entry as a new image gets it, from the image's own header.
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
            writeEntry(block.data(), int(i), newEntry(width, height, bits, icons[i].size, offset));
            std::copy(bytes.begin(), bytes.end(), block.begin() + offset);
            offset += icons[i].size;
        }
        return block;
    } catch (const NotAModule&) {
        throw EInvalidGraphic("The file is not a module with icon images.");
    }
}

}  // namespace tarvo
