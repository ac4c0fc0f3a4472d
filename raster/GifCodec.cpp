#include "raster/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

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

}  // namespace tarvo
