#include "raster/GifCodec.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/Errors.h"

namespace tarvo {

namespace {

// Pictures beyond this many pixels are refused before anything is allocated for them.
constexpr int64_t kMaxGifPixels = int64_t{1} << 26;

struct Reader {
    std::span<const uint8_t> bytes;
    size_t at = 0;
};

int readBytes(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<Reader*>(gif->UserData);
    const size_t count = std::min<size_t>(size_t(std::max(n, 0)), r->bytes.size() - r->at);
    std::memcpy(out, r->bytes.data() + r->at, count);
    r->at += count;
    return int(count);
}

struct CloseGif {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

}  // namespace

std::optional<QImage> decodeGif(std::span<const uint8_t> bytes) {
    Reader reader{bytes};
    int error = 0;
    std::unique_ptr<GifFileType, CloseGif> gif(DGifOpen(&reader, readBytes, &error));
    if (!gif) return std::nullopt;
    const int width = gif->SWidth, height = gif->SHeight;
    if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxGifPixels) return std::nullopt;

    int transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return std::nullopt;
        if (type == TERMINATE_RECORD_TYPE) return std::nullopt;  // no picture at all
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return std::nullopt;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return std::nullopt;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return std::nullopt;
        const GifImageDesc& frame = gif->Image;
        const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
        if (!map || map->ColorCount <= 0 || frame.Width <= 0 || frame.Height <= 0 ||
            int64_t{frame.Width} * frame.Height > kMaxGifPixels)
            return std::nullopt;

        QImage image(width, height, QImage::Format_Indexed8);
        if (image.isNull()) return std::nullopt;
        QList<QRgb> table;
        for (int i = 0; i < map->ColorCount; ++i) {
            const GifColorType& c = map->Colors[i];
            table.append(qRgba(c.Red, c.Green, c.Blue, i == transparent ? 0 : 255));
        }
        const int fill = transparent >= 0 && transparent < map->ColorCount
                             ? transparent
                             : std::min(gif->SBackGroundColor, map->ColorCount - 1);
        image.setColorTable(table);
        image.fill(uint(fill));

        // Interlaced frames store rows in four passes.
        std::vector<int> rows;
        if (frame.Interlace) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < frame.Height; y += step) rows.push_back(y);
        } else {
            for (int y = 0; y < frame.Height; ++y) rows.push_back(y);
        }
        std::vector<GifPixelType> line(size_t(frame.Width));
        for (int row : rows) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return std::nullopt;
            const int y = frame.Top + row;
            if (y < 0 || y >= height) continue;
            uchar* out = image.scanLine(y);
            for (int x = 0; x < frame.Width; ++x) {
                const int px = frame.Left + x;
                if (px < 0 || px >= width) continue;
                // Indices past the table are shown as the first colour.
                out[px] = line[size_t(x)] < map->ColorCount ? line[size_t(x)] : 0;
            }
        }
        return image;
    }
}

namespace {

template <auto Destroy>
struct Release {
    template <class T>
    void operator()(T* p) const {
        Destroy(p);
    }
};

struct Indexed {
    std::vector<uint8_t> pixels;  // one index per pixel, rows top-down
    std::vector<QRgb> colors;
};

// Up to 256 colours chosen for the picture, transparency reduced to one index.
Indexed quantise(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width(), h = argb.height();
    std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4);
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgba[(size_t(y) * w + x) * 4];
            const bool clear = qAlpha(row[x]) < 128;
            p[0] = clear ? 0 : uint8_t(qRed(row[x]));
            p[1] = clear ? 0 : uint8_t(qGreen(row[x]));
            p[2] = clear ? 0 : uint8_t(qBlue(row[x]));
            p[3] = clear ? 0 : 255;
        }
    }
    std::unique_ptr<liq_attr, Release<liq_attr_destroy>> attr(liq_attr_create());
    if (!attr) throw EOutOfResources();
    liq_set_max_colors(attr.get(), 256);
    std::unique_ptr<liq_image, Release<liq_image_destroy>> input(
        liq_image_create_rgba(attr.get(), rgba.data(), w, h, 0));
    liq_result* raw = nullptr;
    if (!input || liq_image_quantize(input.get(), attr.get(), &raw) != LIQ_OK)
        throw EWriteError("The picture could not be reduced to 256 colours.");
    std::unique_ptr<liq_result, Release<liq_result_destroy>> result(raw);
    Indexed out;
    out.pixels.resize(size_t(w) * size_t(h));
    if (liq_write_remapped_image(result.get(), input.get(), out.pixels.data(), out.pixels.size()) !=
        LIQ_OK)
        throw EWriteError("The picture could not be reduced to 256 colours.");
    const liq_palette* palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color c = palette->entries[i];
        out.colors.push_back(qRgba(c.r, c.g, c.b, c.a));
    }
    return out;
}

Indexed fromIndexed(const QImage& image) {
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    Indexed out;
    const QList<QRgb> table = indexed.colorTable();
    out.colors.assign(table.begin(), table.end());
    out.pixels.resize(size_t(indexed.width()) * size_t(indexed.height()));
    for (int y = 0; y < indexed.height(); ++y)
        std::copy_n(indexed.constScanLine(y), indexed.width(),
                    out.pixels.begin() + std::ptrdiff_t(y) * indexed.width());
    return out;
}

int appendBytes(GifFileType* gif, const GifByteType* bytes, int n) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), n);
    return n;
}

}  // namespace

QByteArray encodeGif(const QImage& image) {
    if (image.isNull()) throw EWriteError("There is no picture to write.");
    const bool indexed = image.format() == QImage::Format_Indexed8 ||
                         image.format() == QImage::Format_Mono ||
                         image.format() == QImage::Format_MonoLSB;
    Indexed data = indexed ? fromIndexed(image) : quantise(image);
    if (data.colors.empty()) data.colors.push_back(qRgb(0, 0, 0));
    int transparent = -1;
    for (size_t i = 0; i < data.colors.size(); ++i)
        if (qAlpha(data.colors[i]) == 0) {
            transparent = int(i);
            break;
        }
    // GIF tables hold a power of two colours, at least two.
    int size = 2;
    while (size < int(data.colors.size())) size *= 2;
    std::vector<GifColorType> colors(size_t(size), GifColorType{0, 0, 0});
    for (size_t i = 0; i < data.colors.size(); ++i)
        colors[i] = {uint8_t(qRed(data.colors[i])), uint8_t(qGreen(data.colors[i])),
                     uint8_t(qBlue(data.colors[i]))};

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendBytes, &error);
    if (!gif) throw EWriteError("The GIF writer could not start.");
    std::unique_ptr<ColorMapObject, Release<GifFreeMapObject>> map(
        GifMakeMapObject(size, colors.data()));
    const int w = image.width(), h = image.height();
    bool ok = map != nullptr;
    EGifSetGifVersion(gif, true);
    ok = ok && EGifPutScreenDesc(gif, w, h, 8, 0, map.get()) == GIF_OK;
    if (ok && transparent >= 0) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.DelayTime = 0;
        gcb.TransparentColor = transparent;
        GifByteType extension[4];
        const size_t n = EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, data.pixels.data() + size_t(y) * w, w) == GIF_OK;
    const bool closed = EGifCloseFile(gif, &error) == GIF_OK;
    if (!ok || !closed) throw EWriteError("The GIF writer failed.");
    return out;
}

}  // namespace tarvo
