#include "core/Icon.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <tuple>

#include "core/AniFormat.h"
#include "core/Bytes.h"
#include "core/IcnsFormat.h"
#include "core/PeResources.h"
#include "core/PixelFormats.h"
#include "core/XcursorFormat.h"
#include "raster/Codecs.h"
#include "raster/ColorMatch.h"
#include "raster/Errors.h"
#include "raster/FileWriter.h"
#include "raster/Planes.h"

namespace tarvo {

namespace {

// Copies entry `from` of `old` and its bytes into entry `to` of `block`, the bytes now at
// `offset`. Returns the offset just past them.
uint32_t moveImage(const uint8_t* old, int from, std::vector<uint8_t>& block, int to,
                   uint32_t offset) {
    IconEntry e = readEntry(old, from);
    const uint8_t* src = old + e.imageOffset;
    e.imageOffset = offset;
    writeEntry(block.data(), to, e);
    std::copy(src, src + e.bytesInRes, block.begin() + offset);
    return offset + e.bytesInRes;
}

QFont defaultTextFont() {
    return QFont(QStringLiteral("Arial"));
}

}  // namespace

TIcon::TIcon()
    : TextFont(defaultTextFont()),
      iconImage_(std::make_unique<TIconImage>()),
      clipboardFormat_(QString::fromLatin1(kClipboardMimeType)) {}

TIcon::~TIcon() = default;

void TIcon::ChooseTextFont(const QFont& font) {
    TextFont = font;
    textFontChosen_ = true;
}

void TIcon::FitTextFont() {
    if (textFontChosen_) return;
    TextFont = defaultTextFont();
    const QSize size = GetSize();
    if (size.width() <= 32 && size.height() <= 32) TextFont.setPointSize(8);
}

// ---- persistence -------------------------------------------------------------------------

void TIcon::LoadFromFile(const QString& fileName, ModuleImages module) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EReadError(
            QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString()).toStdString());
    // X cursor files go by their content: in themes they have no extension at all.
    if (file.peek(4) == QByteArrayLiteral("Xcur")) {
        const QByteArray all = file.readAll();
        std::optional<TAnimation> animation;
        std::vector<uint8_t> block = readXcursor(
            std::span(reinterpret_cast<const uint8_t*>(all.constData()), size_t(all.size())),
            &animation);
        install(std::move(block), std::move(animation));
        SelectImage(0);
        if (OnChange) OnChange();
        return;
    }
    // ICNS files go by their content too: they are often found under other names.
    const bool icns = ext == QLatin1String("icns") || file.peek(4) == QByteArrayLiteral("icns");
    if (!icns && (ext == QLatin1String("ico") || ext == QLatin1String("cur"))) {
        LoadFromStream(file);
        return;
    }
    // Mapped rather than copied: modules can be large, and only parts of them are read.
    QByteArray data;
    std::span<const uint8_t> bytes;
    if (uchar* mapped = file.size() > 0 ? file.map(0, file.size()) : nullptr) {
        bytes = std::span<const uint8_t>(mapped, static_cast<size_t>(file.size()));
    } else {
        data = file.readAll();
        if (file.error() != QFile::NoError)
            throw EReadError(QStringLiteral("Cannot read %1: %2")
                                 .arg(fileName, file.errorString())
                                 .toStdString());
        bytes = std::span(reinterpret_cast<const uint8_t*>(data.constData()),
                          static_cast<size_t>(data.size()));
    }
    const EInvalidGraphic unknown(
        QStringLiteral("Unknown picture file extension (.%1)").arg(ext).toStdString());

    if (icns) {
        TPngOriginals originals;
        std::vector<uint8_t> block = readIcns(bytes, &originals);
        validateIconBlock(block);
        install(std::move(block));
        PngOriginals = std::move(originals);
        SelectBestImage();
    } else if (ext == QLatin1String("exe") || ext == QLatin1String("dll")) {
        std::vector<uint8_t> block;
        try {
            block = readModuleImages(bytes, module);
        } catch (const EInvalidGraphic&) {
            // Asked for cursors, the reader's own message says why there are none.
            if (module == ModuleImages::Cursors) throw;
            throw unknown;
        }
        // Damage inside an image is reported as such.
        TPngOriginals originals;
        install(strictIconBlock(block, &originals));
        PngOriginals = std::move(originals);
        SelectBestImage();
    } else if (ext == QLatin1String("ani")) {
        TAnimation animation;
        std::vector<uint8_t> block = readAnimatedCursor(bytes, &animation);
        validateIconBlock(block);
        install(std::move(block), std::move(animation));
        SelectImage(0);
    } else {
        const std::optional<DecodedImage> decoded = decodeRasterImage(bytes);
        if (!decoded) throw unknown;
        loadRaster(*decoded);
    }
    if (OnChange) OnChange();
}

void TIcon::loadRaster(const DecodedImage& decoded) {
    // Built on a copy, so that nothing changes here unless all of it succeeds: the current
    // image (the placeholder of a new document) is replaced by the picture.
    TIcon copy;
    copy.install(std::vector<uint8_t>(ImageBlock(), ImageBlock() + BlockSize()), animation_);
    if (currentIndex_ >= 0) {
        copy.SelectImage(currentIndex_);
        copy.DeleteImage();
    }
    const QImage& image = decoded.image;
    const int bits = decoded.bits;
    copy.AddImage(image.width(), image.height(), bits);
    if (bits == 32) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(argb.constScanLine(y)), argb.width(),
                        copy.WorkBitmap().scanLine(y));
    } else {
        if (bits <= 8 && decoded.palette.size() >= 2) {
            // The file's own palette, alpha bytes included, as the new image's table; a clear
            // entry turns black, the colour transparent pixels have under their mask.
            uint8_t* table = copy.ColorTable();
            const qsizetype n = std::min<qsizetype>(decoded.palette.size(), qsizetype{1} << bits);
            for (qsizetype i = 0; i < n; ++i)
                putU32(table + 4 * i, qAlpha(decoded.palette[i]) == 0 ? 0u : decoded.palette[i]);
            copy.SelectImage(copy.CurrentIndex());
        }
        // Every pixel is opaque or clear here. Premultiplied pixels read as opaque are the
        // picture with its clear pixels black, which then become transparent.
        const QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage composed(premultiplied.constBits(), premultiplied.width(),
                              premultiplied.height(), premultiplied.bytesPerLine(),
                              QImage::Format_RGB32);
        copy.PasteBitmap(composed, 0, 0);
        if (image.hasAlphaChannel()) {
            QImage clear = createMaskPlane(image.width(), image.height());
            for (int y = 0; y < clear.height(); ++y) {
                const QRgb* p = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
                uchar* m = clear.scanLine(y);
                for (int x = 0; x < clear.width(); ++x)
                    if (qAlpha(p[x]) == 0) m[x] = kMaskSet;
            }
            copy.EraseMasked(clear);
        }
    }
    const int index = copy.CurrentIndex();
    install(std::vector<uint8_t>(copy.ImageBlock(), copy.ImageBlock() + copy.BlockSize()),
            copy.animation_);
    SelectImage(index);
}

void TIcon::LoadFromStream(QIODevice& stream) {
    if (!stream.isReadable()) throw EReadError();
    const QByteArray bytes = stream.readAll();
    if (auto* file = qobject_cast<QFileDevice*>(&stream); file && file->error() != QFile::NoError)
        throw EReadError();
    LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                            static_cast<size_t>(bytes.size())));
}

void TIcon::LoadFromBytes(std::span<const uint8_t> bytes) {
    TPngOriginals originals;
    install(strictIconBlock(bytes, &originals));
    PngOriginals = std::move(originals);
    SelectBestImage();
    if (OnChange) OnChange();
}

void TIcon::SaveToStream(QIODevice& stream) const {
    const qint64 n = BlockSize();
    if (stream.write(reinterpret_cast<const char*>(ImageBlock()), n) != n)
        throw EWriteError(stream.errorString().toStdString());
}

void TIcon::SaveToFile(const QString& fileName) const {
    writeWholeFile(fileName, [this](QIODevice& file) {
        const qint64 n = BlockSize();
        return file.write(reinterpret_cast<const char*>(ImageBlock()), n) == n;
    });
}

void TIcon::LoadFromIconHandle(const TIconHandle& icon) {
    if (icon.isNull() || icon.mask.size() != icon.color.size())
        throw std::invalid_argument("LoadFromIconHandle needs a colour and a mask plane");
    const int w = icon.color.width(), h = icon.color.height();
    const uint64_t s = tarvo::imageSize(w, h, 24);
    if (kFileHeaderSize + kEntrySize + s > kMaxBlockSize) throw EOutOfResources();

    std::vector<uint8_t> block(kFileHeaderSize + kEntrySize + s, 0);
    putU16(block.data() + 2, kTypeIcon);
    putU16(block.data() + 4, 1);
    IconEntry e;
    e.width = static_cast<uint8_t>(w & 255);
    e.height = static_cast<uint8_t>(h & 255);
    e.bytesInRes = static_cast<uint32_t>(s);
    e.imageOffset = kFileHeaderSize + kEntrySize;
    writeEntry(block.data(), 0, e);
    BitmapHeader header;
    header.width = w;
    header.height = 2 * h;
    header.bitCount = 24;
    uint8_t* image = block.data() + e.imageOffset;
    writeBitmapHeader(image, header);
    encodeImage(image, icon.color.convertToFormat(QImage::Format_RGB32),
                icon.mask.convertToFormat(QImage::Format_Grayscale8), nullptr);
    install(std::move(block));
    SelectImage(0);
}

// ---- image list --------------------------------------------------------------------------

void TIcon::AddImage(int width, int height, int bits) {
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension)
        throw TError(QStringLiteral("An image must be 1 to %1 pixels wide and high.")
                         .arg(kMaxDimension)
                         .toStdString());
    if (!isValidBitCount(bits)) throw TError("That colour depth is not supported.");
    const int n = ImageCount();
    if (n >= 0xFFFF) throw TError("A file holds at most 65535 images.");
    const uint64_t s = tarvo::imageSize(width, height, bits);
    const uint64_t size = uint64_t{BlockSize()} + kEntrySize + s;
    if (size > kMaxBlockSize) throw EOutOfResources();

    const uint8_t* old = ImageBlock();
    std::vector<uint8_t> block(size, 0);
    std::copy(old, old + kFileHeaderSize, block.begin());
    uint32_t next = kFileHeaderSize + kEntrySize * (n + 1);
    for (int i = 0; i < n; ++i)
        next = moveImage(old, i, block, i, readEntry(old, i).imageOffset + kEntrySize);
    writeEntry(block.data(), n, newEntry(width, height, bits, static_cast<uint32_t>(s), next));

    uint8_t* image = block.data() + next;
    BitmapHeader header;
    header.width = width;
    header.height = 2 * height;
    header.bitCount = static_cast<uint16_t>(bits);
    writeBitmapHeader(image, header);
    writeDefaultColorTable(image + kBitmapHeaderSize, bits);
    // Colour rows stay black; every mask bit is set, so the new image is fully transparent.
    const uint64_t maskBytes = rowSize(width, 1) * height;
    std::fill(block.end() - static_cast<std::ptrdiff_t>(maskBytes), block.end(), 0xFF);
    putU16(block.data() + 4, static_cast<uint16_t>(n + 1));

    std::optional<TAnimation> animation = animation_;
    if (animation) insertAnimationFrame(*animation, n);
    install(std::move(block), std::move(animation));
    SelectImage(n);
}

void TIcon::DeleteImage() {
    const int n = ImageCount();
    if (n == 0 || currentIndex_ < 0) return;
    const int c = currentIndex_;
    const uint8_t* old = ImageBlock();
    const uint32_t removed = kEntrySize + readEntry(old, c).bytesInRes;

    std::vector<uint8_t> block(BlockSize() - removed, 0);
    std::copy(old, old + kFileHeaderSize, block.begin());
    for (int i = 0, j = 0; i < n; ++i) {
        if (i == c) continue;
        const uint32_t offset = readEntry(old, i).imageOffset;
        moveImage(old, i, block, j++, offset - (i < c ? kEntrySize : removed));
    }
    putU16(block.data() + 4, static_cast<uint16_t>(n - 1));

    std::optional<TAnimation> animation = animation_;
    if (animation) removeAnimationFrame(*animation, c, n - 1);
    install(std::move(block), std::move(animation));
    if (n - 1 > 0) SelectImage(c == n - 1 ? c - 1 : c);
}

void TIcon::InsertImage(int index, const IconEntry& entry, std::span<const uint8_t> bytes) {
    const int n = ImageCount();
    if (index < 0 || index > n) throw TError("No place for the image.");
    if (n >= 0xFFFF) throw TError("A file holds at most 65535 images.");
    if (bytes.size() < kBitmapHeaderSize) throw TError("The image data is incomplete.");
    const BitmapHeader h = readBitmapHeader(bytes.data());
    if (h.width <= 0 || h.height <= 0 || h.height % 2 != 0 || h.width > kMaxDimension ||
        h.height / 2 > kMaxDimension || !isValidBitCount(h.bitCount) ||
        tarvo::imageSize(h.width, h.height / 2, h.bitCount) != bytes.size())
        throw TError("The image data is incomplete.");
    const uint64_t size = uint64_t{BlockSize()} + kEntrySize + bytes.size();
    if (size > kMaxBlockSize) throw EOutOfResources();

    const uint8_t* old = ImageBlock();
    std::vector<uint8_t> block(size, 0);
    std::copy(old, old + kFileHeaderSize, block.begin());
    uint32_t next = kFileHeaderSize + kEntrySize * (n + 1);
    for (int j = 0; j <= n; ++j) {
        if (j == index) {
            IconEntry e = entry;
            e.bytesInRes = static_cast<uint32_t>(bytes.size());
            e.imageOffset = next;
            writeEntry(block.data(), j, e);
            std::copy(bytes.begin(), bytes.end(), block.begin() + next);
            next += e.bytesInRes;
        } else {
            next = moveImage(old, j < index ? j : j - 1, block, j, next);
        }
    }
    putU16(block.data() + 4, static_cast<uint16_t>(n + 1));

    std::optional<TAnimation> animation = animation_;
    if (animation) insertAnimationFrame(*animation, index);
    install(std::move(block), std::move(animation));
    SelectImage(index);
}

void TIcon::MoveImage(int from, int to) {
    checkIndex(from);
    checkIndex(to);
    if (from == to) {
        SelectImage(to);
        return;
    }
    const int n = ImageCount();
    const uint8_t* old = ImageBlock();
    uint64_t size = kFileHeaderSize + uint64_t{kEntrySize} * n;
    for (int i = 0; i < n; ++i) size += readEntry(old, i).bytesInRes;
    std::vector<uint8_t> block(size, 0);
    std::copy(old, old + kFileHeaderSize, block.begin());
    uint32_t next = kFileHeaderSize + kEntrySize * n;
    for (int j = 0; j < n; ++j) {
        // Slot j takes the image that lands there once `from` is lifted out and put at `to`.
        int source = j;
        if (j == to)
            source = from;
        else if (from < to && j >= from && j < to)
            source = j + 1;
        else if (to < from && j > to && j <= from)
            source = j - 1;
        next = moveImage(old, source, block, j, next);
    }
    std::optional<TAnimation> animation = animation_;
    if (animation) moveAnimationFrame(*animation, from, to, n);
    install(std::move(block), std::move(animation));
    SelectImage(to);
}

int TIcon::SelectImage(int index) {
    checkIndex(index);
    releaseWorkingObjects();
    // No current image until the new one is unpacked: a failure leaves none rather than a
    // half-built one.
    currentIndex_ = -1;
    currentBits_ = 0;
    TIconImage& holder = *iconImage_;
    uint8_t* image = imageBytes(index);
    const BitmapHeader h = readBitmapHeader(image);
    holder.ImageWidth = h.width;
    holder.ImageHeight = h.height >> 1;
    if (h.bitCount == 32) {
        workBitmap_ = ArgbView(image + kBitmapHeaderSize, holder.ImageWidth, holder.ImageHeight);
    } else {
        decodeImage(image, holder.ColorBitmap, holder.MaskBitmap);
        holder.IconHandle = {holder.ColorBitmap, holder.MaskBitmap};
    }
    currentIndex_ = index;
    currentBits_ = h.bitCount;
    return index;
}

void TIcon::StoreImage() {
    const int bits = BitCount();
    if (bits == 0 || bits == 32) return;
    uint8_t* image = imageBytes(currentIndex_);
    encodeImage(image, ColorBitmap(), MaskBitmap(), nearestFor(image, bits));
}

std::span<const uint8_t> TIcon::CurrentImageData() const {
    if (currentIndex_ < 0) return {};
    return {imageBytes(currentIndex_), readEntry(ImageBlock(), currentIndex_).bytesInRes};
}

void TIcon::SetCurrentImageData(std::span<const uint8_t> data) {
    const std::span<const uint8_t> current = CurrentImageData();
    auto format = [](std::span<const uint8_t> image) {
        const BitmapHeader h = readBitmapHeader(image.data());
        return std::tuple(h.width, h.height, h.bitCount);
    };
    if (current.empty() || data.size() != current.size() || data.size() < kBitmapHeaderSize ||
        format(data) != format(current))
        throw TError("The saved image does not match the current image.");
    std::copy(data.begin(), data.end(), imageBytes(currentIndex_));
    SelectImage(currentIndex_);
}

void TIcon::ChangeFormat(int width, int height, int bits) {
    if (currentIndex_ < 0) return;
    if (bits == 0) bits = BitCount();
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
        !isValidBitCount(bits))
        throw TError("The new image size or colour depth is not supported.");
    const int c = currentIndex_;
    const int n = ImageCount();
    const uint8_t* old = ImageBlock();
    const IconEntry current = readEntry(old, c);
    const uint64_t s = tarvo::imageSize(width, height, bits);
    const uint64_t size = uint64_t{BlockSize()} - current.bytesInRes + s;
    if (size > kMaxBlockSize) throw EOutOfResources();
    const int64_t delta = static_cast<int64_t>(s) - current.bytesInRes;

    std::vector<uint8_t> block(size, 0);
    std::copy(old, old + kFileHeaderSize, block.begin());
    for (int i = 0; i < n; ++i) {
        const IconEntry e = readEntry(old, i);
        if (i < c) {
            moveImage(old, i, block, i, e.imageOffset);
        } else if (i > c) {
            moveImage(old, i, block, i, static_cast<uint32_t>(e.imageOffset + delta));
        } else {
            writeEntry(block.data(), i,
                       newEntry(width, height, bits, static_cast<uint32_t>(s), e.imageOffset));
            const uint8_t* src = old + e.imageOffset;
            std::copy(src, src + std::min<uint64_t>(s, e.bytesInRes),
                      block.begin() + e.imageOffset);
            uint8_t* header = block.data() + e.imageOffset;
            BitmapHeader h = readBitmapHeader(header);
            h.bitCount = static_cast<uint16_t>(bits);
            h.width = width;
            h.height = 2 * height;
            writeBitmapHeader(header, h);
        }
    }
    install(std::move(block), animation_);
    SelectImage(c);
}

void TIcon::SelectBestImage(QSize target, int64_t displayColors) {
    const int n = ImageCount();
    if (n == 0) return;
    const uint8_t* block = ImageBlock();
    auto colors = [&](int i) -> int64_t {
        const IconEntry e = readEntry(block, i);
        const int v = e.colorCount | (e.reserved << 8);
        return v == 0 ? INT32_MAX : v;
    };
    int best = 0;
    int64_t bestColors = colors(0);
    for (int i = 1; i < n; ++i) {
        const int64_t c = colors(i);
        if (c > displayColors || c < bestColors) continue;
        const IconEntry e = readEntry(block, i);
        const IconEntry b = readEntry(block, best);
        const int dx = e.width - target.width(), dy = e.height - target.height();
        const int odx = b.width - target.width(), ody = b.height - target.height();
        if (std::abs(dx) <= std::abs(odx) && (dx <= 0 || dx <= odx) &&
            std::abs(dy) <= std::abs(ody) && (dy <= 0 || dy <= ody)) {
            best = i;
            bestColors = c;
        }
    }
    SelectImage(best);
}

void TIcon::ClearTransparentPixels() {
    const int bits = BitCount();
    if (bits == 0 || bits == 32) return;
    QImage& color = ColorBitmap();
    const QImage& mask = MaskBitmap();
    for (int y = 0; y < color.height(); ++y) {
        QRgb* c = reinterpret_cast<QRgb*>(color.scanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < color.width(); ++x)
            if (maskBit(m[x])) c[x] = qRgb(0, 0, 0);
    }
    StoreImage();
    SelectImage(currentIndex_);
}

// ---- accessors and helpers ---------------------------------------------------------------

int TIcon::BitCount() const {
    return currentBits_;
}

int TIcon::ImageCount() const {
    return blockCount(ImageBlock());
}

uint8_t* TIcon::ColorTable() {
    const int bits = BitCount();
    if (bits == 0 || bits > 8) return nullptr;
    return imageBytes(currentIndex_) + kBitmapHeaderSize;
}

QSize TIcon::GetSize() const {
    return {iconImage_->ImageWidth, iconImage_->ImageHeight};
}

uint16_t TIcon::fileType() const {
    return blockType(ImageBlock());
}

IconEntry TIcon::entry(int index) const {
    checkIndex(index);
    return readEntry(ImageBlock(), index);
}

int TIcon::imageBitCount(int index) const {
    return readBitmapHeader(imageBytes(index)).bitCount;
}

QSize TIcon::imageSize(int index) const {
    const BitmapHeader h = readBitmapHeader(imageBytes(index));
    return {h.width, h.height >> 1};
}

void TIcon::markAsCursor(QPoint hotSpot) {
    uint8_t* block = ImageBlock();
    putU16(block + 2, kTypeCursor);
    for (int i = 0; i < ImageCount(); ++i) {
        IconEntry e = readEntry(block, i);
        e.planes = static_cast<uint16_t>(hotSpot.x());
        e.bitCount = static_cast<uint16_t>(hotSpot.y());
        writeEntry(block, i, e);
    }
}

void TIcon::markAsIcon() {
    uint8_t* block = ImageBlock();
    if (blockType(block) == kTypeCursor) {
        // Icon readers take these fields as planes and colour depth, not as a hot spot.
        for (int i = 0; i < ImageCount(); ++i) {
            IconEntry e = readEntry(block, i);
            e.planes = 1;
            e.bitCount = static_cast<uint16_t>(imageBitCount(i));
            writeEntry(block, i, e);
        }
    }
    putU16(block + 2, kTypeIcon);
}

std::optional<QPoint> TIcon::hotSpot(int index) const {
    if (fileType() != kTypeCursor) return std::nullopt;
    const IconEntry e = entry(index);
    return QPoint(e.planes, e.bitCount);
}

void TIcon::setHotSpot(int index, QPoint hotSpot) {
    checkIndex(index);
    uint8_t* block = ImageBlock();
    if (blockType(block) != kTypeCursor) {
        const QSize from = imageSize(index);
        for (int i = 0; i < ImageCount(); ++i) {
            const QSize to = imageSize(i);
            IconEntry e = readEntry(block, i);
            e.planes = static_cast<uint16_t>(hotSpot.x() * to.width() / std::max(1, from.width()));
            e.bitCount =
                static_cast<uint16_t>(hotSpot.y() * to.height() / std::max(1, from.height()));
            writeEntry(block, i, e);
        }
        putU16(block + 2, kTypeCursor);
    }
    IconEntry e = readEntry(block, index);
    e.planes = static_cast<uint16_t>(hotSpot.x());
    e.bitCount = static_cast<uint16_t>(hotSpot.y());
    writeEntry(block, index, e);
}

TIcon::CursorMark TIcon::cursorMark() const {
    CursorMark mark;
    mark.type = fileType();
    for (int i = 0; i < ImageCount(); ++i) {
        const IconEntry e = entry(i);
        mark.fields.emplace_back(e.planes, e.bitCount);
    }
    return mark;
}

void TIcon::setCursorMark(const CursorMark& mark) {
    uint8_t* block = ImageBlock();
    const int n = std::min(ImageCount(), static_cast<int>(mark.fields.size()));
    for (int i = 0; i < n; ++i) {
        IconEntry e = readEntry(block, i);
        std::tie(e.planes, e.bitCount) = mark.fields[size_t(i)];
        writeEntry(block, i, e);
    }
    putU16(block + 2, mark.type);
}

void TIcon::CheckAnimation(const std::optional<TAnimation>& animation) const {
    if (animation)
        for (const TAnimationStep& step : animation->steps)
            if (step.frame < 0 || step.frame >= ImageCount())
                throw TError("A step of the animation shows a frame the document does not have.");
}

void TIcon::SetAnimation(std::optional<TAnimation> animation) {
    CheckAnimation(animation);
    animation_ = std::move(animation);
}

QImage TIcon::imageToArgb(int index) const {
    return strictImageToArgb(imageBytes(index));
}

QImage strictImageToArgb(const uint8_t* image) {
    const BitmapHeader h = readBitmapHeader(image);
    if (h.bitCount == 32) {
        // Copied row by row: the rows need not be aligned for this.
        const int w = h.width, height = h.height >> 1;
        QImage argb = createArgbRaster(w, height);
        const uint8_t* rows = image + kBitmapHeaderSize;
        for (int y = 0; y < height; ++y)
            std::memcpy(argb.scanLine(y), rows + uint64_t(height - 1 - y) * uint64_t(w) * 4,
                        size_t(w) * 4);
        return argb;
    }
    QImage color, mask;
    decodeImage(image, color, mask);
    QImage argb = color.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        QRgb* c = reinterpret_cast<QRgb*>(argb.scanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < argb.width(); ++x)
            if (maskBit(m[x])) c[x] &= 0x00FFFFFFu;
    }
    return argb;
}

void TIcon::install(std::vector<uint8_t> block, std::optional<TAnimation> animation) {
    releaseWorkingObjects();
    iconImage_ = std::make_unique<TIconImage>(block);
    animation_ = std::move(animation);
    currentIndex_ = -1;
    currentBits_ = 0;
}

void TIcon::releaseWorkingObjects() {
    workBitmap_ = ArgbView();
    strokeLayer_ = QImage();
    iconImage_->ColorBitmap = QImage();
    iconImage_->MaskBitmap = QImage();
    iconImage_->IconHandle = TIconHandle();
    iconImage_->ImageWidth = 0;
    iconImage_->ImageHeight = 0;
}

void TIcon::checkIndex(int index) const {
    if (index < 0 || index >= ImageCount()) throw std::out_of_range("no image at that index");
}

const uint8_t* TIcon::imageBytes(int index) const {
    checkIndex(index);
    return ImageBlock() + readEntry(ImageBlock(), index).imageOffset;
}

uint8_t* TIcon::imageBytes(int index) {
    checkIndex(index);
    return ImageBlock() + readEntry(ImageBlock(), index).imageOffset;
}

NearestColorTable* TIcon::nearestFor(const uint8_t* image, int bits) {
    if (bits != 4 && bits != 8) return nullptr;
    const uint8_t* table = image + kBitmapHeaderSize;
    const size_t size = tableSize(bits);
    if (!nearest_ || nearestTable_.size() != size ||
        !std::equal(table, table + size, nearestTable_.begin())) {
        const std::array<QRgb, 256> colors = readColorTable(table, bits);
        nearest_ = std::make_unique<NearestColorTable>(std::span(colors.data(), size_t{1} << bits));
        nearestTable_.assign(table, table + size);
    }
    return nearest_.get();
}

}  // namespace tarvo
