#include "cli/Quick.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <thread>

#include "plain/PlainIcons.h"

namespace tarvo::quick {

namespace {

// Names printed as they are: plain ASCII without control characters or JSON specials, so the
// output is byte for byte the full tool's.
bool printable(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
    });
}

std::string lowerExtension(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

std::optional<std::vector<uint8_t>> readIconFile(const std::string& name) {
    const std::string ext = lowerExtension(name);
    if (ext != ".ico" && ext != ".cur") return std::nullopt;
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

std::string padded(long value, int width) {
    std::string s = std::to_string(value);
    return std::string(size_t(std::max(0, width - int(s.size()))), ' ') + s;
}

std::optional<int> info(const std::string& file, bool json, std::string& out) {
    const std::optional<std::vector<uint8_t>> bytes = readIconFile(file);
    if (!bytes) return std::nullopt;
    const std::optional<plain::Directory> dir = plain::readDirectory(*bytes);
    if (!dir) return std::nullopt;
    const bool cursor = dir->type == 2;
    const size_t count = dir->entries.size();
    std::vector<plain::ImageInfo> images;
    for (const plain::Entry& e : dir->entries) {
        const std::span<const uint8_t> image = std::span(*bytes).subspan(e.offset, e.size);
        // A PNG whose chunks are not whole is the full tool's to describe.
        if (plain::isPng(image) && !plain::isWholePng(image)) return std::nullopt;
        images.push_back(plain::imageInfo(image));
    }
    const std::string type = cursor ? "cursor" : "icon";
    if (json) {
        // Keys in the order the full tool's JSON writer sorts them.
        out += "{\"file\":\"" + file + "\",\"images\":[";
        for (size_t i = 0; i < count; ++i) {
            const plain::ImageInfo& m = images[i];
            out += i ? ",{" : "{";
            out += "\"bits\":" + std::to_string(m.bits) + ",\"height\":" + std::to_string(m.height);
            if (cursor)
                out += ",\"hotspot\":[" + std::to_string(dir->entries[i].hotSpotX) + "," +
                       std::to_string(dir->entries[i].hotSpotY) + "]";
            out +=
                ",\"index\":" + std::to_string(i) + ",\"width\":" + std::to_string(m.width) + "}";
        }
        out += "],\"type\":\"" + type + "\"}\n";
        return 0;
    }
    out +=
        file + ": " + type + ", " + std::to_string(count) + (count == 1 ? " image\n" : " images\n");
    out += cursor ? "index  width  height  bits  hotspot\n" : "index  width  height  bits\n";
    for (size_t i = 0; i < count; ++i) {
        const plain::ImageInfo& m = images[i];
        out += padded(long(i), 5) + "  " + padded(m.width, 5) + "  " + padded(m.height, 6) + "  " +
               padded(m.bits, 4);
        if (cursor)
            out += "  " + std::to_string(dir->entries[i].hotSpotX) + "," +
                   std::to_string(dir->entries[i].hotSpotY);
        out += '\n';
    }
    return 0;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

std::optional<int> extract(const std::string& file, std::string dir, std::string& out) {
    const std::optional<std::vector<uint8_t>> bytes = readIconFile(file);
    if (!bytes) return std::nullopt;
    const std::optional<plain::Directory> directory = plain::readDirectory(*bytes);
    if (!directory) return std::nullopt;
    const std::vector<plain::Entry>& entries = directory->entries;
    for (const plain::Entry& e : entries) {
        const std::span<const uint8_t> image = std::span(*bytes).subspan(e.offset, e.size);
        if (plain::isPng(image) && !plain::isWholePng(image)) return std::nullopt;
    }
    // The folder's name as the full tool joins it to the files'.
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !std::filesystem::is_directory(dir)) return std::nullopt;

    auto pathOf = [&](size_t i) { return dir + "/" + std::to_string(i) + ".png"; };
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto worker = [&] {
        for (size_t i = next++; i < entries.size() && !failed; i = next++) {
            const std::span<const uint8_t> image =
                std::span(*bytes).subspan(entries[i].offset, entries[i].size);
            std::vector<uint8_t> png;
            if (plain::isPng(image)) {
                png.assign(image.begin(), image.end());
            } else {
                int w = 0, h = 0;
                const std::vector<uint32_t> argb = plain::decodeBitmap(image, &w, &h);
                png = plain::encodePng(argb.data(), w, h, size_t(w));
            }
            if (!writeFile(pathOf(i), png)) failed = true;
        }
    };
    // Small files are done before a thread would start.
    const size_t threads =
        entries.size() < 16 ? 1 : std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    if (failed) return std::nullopt;
    for (size_t i = 0; i < entries.size(); ++i) out += pathOf(i) + '\n';
    return 0;
}

// `convert IN OUT.png` of a file of one 32-bit bitmap: the picture the full tool writes. The
// file is made under a temporary name and renamed once whole; an existing OUT is the full
// tool's to replace, keeping what it must of the old file.
std::optional<int> convertToPng(const std::string& in, const std::string& outFile) {
    if (lowerExtension(outFile) != ".png") return std::nullopt;
    std::error_code error;
    if (std::filesystem::symlink_status(outFile, error).type() !=
        std::filesystem::file_type::not_found)
        return std::nullopt;
    const std::optional<std::vector<uint8_t>> bytes = readIconFile(in);
    if (!bytes) return std::nullopt;
    const std::optional<plain::Directory> dir = plain::readDirectory(*bytes);
    if (!dir || dir->entries.size() != 1) return std::nullopt;
    const std::span<const uint8_t> image =
        std::span(*bytes).subspan(dir->entries[0].offset, dir->entries[0].size);
    if (plain::isPng(image) || plain::imageInfo(image).bits != 32) return std::nullopt;
    int w = 0, h = 0;
    const std::vector<uint32_t> argb = plain::decodeBitmap(image, &w, &h);
    const std::vector<uint8_t> png = plain::encodePng(argb.data(), w, h, size_t(w));
    const std::string temporary = outFile + ".tarvo-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return std::nullopt;
    const bool written = ::write(fd, png.data(), png.size()) == ssize_t(png.size());
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), outFile.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return std::nullopt;
    }
    return 0;
}

}  // namespace

std::optional<int> run(const std::vector<std::string>& args, std::string& out) {
    if (args.empty()) return std::nullopt;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "info") {
        const bool json = std::erase(rest, "--json") > 0;
        if (rest.size() != 1 || rest[0].starts_with("--") || !printable(rest[0]))
            return std::nullopt;
        return info(rest[0], json, out);
    }
    if (args[0] == "extract") {
        const auto o = std::find(rest.begin(), rest.end(), "-o");
        if (o == rest.end() || o + 1 == rest.end()) return std::nullopt;
        const std::string dir = *(o + 1);
        rest.erase(o, o + 2);
        if (rest.size() != 1 || rest[0].starts_with("--") || rest[0] == "-o" ||
            !printable(rest[0]) || !printable(dir))
            return std::nullopt;
        return extract(rest[0], dir, out);
    }
    if (args[0] == "convert") {
        if (rest.size() != 2 || !printable(rest[0]) || !printable(rest[1]) ||
            rest[0].starts_with("-") || rest[1].starts_with("-"))
            return std::nullopt;
        return convertToPng(rest[0], rest[1]);
    }
    return std::nullopt;
}

}  // namespace tarvo::quick
