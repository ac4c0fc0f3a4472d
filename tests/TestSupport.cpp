#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <stdexcept>

#include "raster/Planes.h"

namespace tarvo::test {

Bytes toBytes(const QByteArray& data) {
    return Bytes(data.begin(), data.end());
}

Bytes readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
    return toBytes(f.readAll());
}

QString readText(const QString& path) {
    const Bytes bytes = readFile(path);
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void writeFile(const QString& path, const Bytes& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(bytes.data()),
                                                 qint64(bytes.size())) != qint64(bytes.size()))
        throw std::runtime_error("cannot write " + path.toStdString());
}

void writeText(const QString& path, const QByteArray& text) {
    writeFile(path, toBytes(text));
}

Bytes blockOf(const TIcon& icon) {
    return Bytes(icon.ImageBlock(), icon.ImageBlock() + icon.BlockSize());
}

Bytes imageBytes(const TIcon& icon, int index) {
    const IconEntry e = icon.entry(index);
    return Bytes(icon.ImageBlock() + e.imageOffset,
                 icon.ImageBlock() + e.imageOffset + e.bytesInRes);
}

Bytes currentBytes(const TIcon& icon) {
    return Bytes(icon.CurrentImageData().begin(), icon.CurrentImageData().end());
}

void put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
uint16_t get16(const Bytes& b, size_t at) {
    return uint16_t(b[at] | (b[at + 1] << 8));
}
uint32_t get32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

Bytes buildIconFile(const std::vector<RawImage>& images, uint16_t type) {
    Bytes file(6 + 16 * images.size(), 0);
    put16(file, 2, type);
    put16(file, 4, uint16_t(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const RawImage& im = images[i];
        const size_t e = 6 + 16 * i;
        file[e] = im.width;
        file[e + 1] = im.height;
        file[e + 2] = im.colorCount;
        file[e + 3] = im.reserved;
        put16(file, e + 4, im.planes);
        put16(file, e + 6, im.bitCount);
        const size_t offset = im.offset >= 0 ? size_t(im.offset) : file.size();
        if (file.size() < offset + im.data.size()) file.resize(offset + im.data.size(), 0);
        std::copy(im.data.begin(), im.data.end(), file.begin() + offset);
        put32(file, e + 8, uint32_t(im.bytesInRes >= 0 ? im.bytesInRes : int64_t(im.data.size())));
        put32(file, e + 12, uint32_t(offset));
    }
    return file;
}

Bytes bitmapHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                   uint32_t colorsUsed, uint32_t headerSize) {
    Bytes h(headerSize, 0);
    put32(h, 0, headerSize);
    put32(h, 4, uint32_t(width));
    put32(h, 8, uint32_t(height));
    put16(h, 12, 1);
    put16(h, 14, bits);
    put32(h, 16, compression);
    put32(h, 32, colorsUsed);
    return h;
}

QImage testPicture(int w, int h, uint32_t seed) {
    QImage image(w, h, QImage::Format_ARGB32);
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const int a = (x + y * w) % 5 == 0 ? 0 : int(state >> 24);
            image.setPixel(
                x, y,
                qRgba(int(state >> 8) & 255, int(state >> 16) & 255, (x * 37 + y * 11) & 255, a));
        }
    }
    return image;
}

QImage addPainted(TIcon& icon, int w, int h, int bits, const std::function<QRgb(int, int)>& paint) {
    icon.AddImage(w, h, bits);
    QImage picture(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = paint(x, y);
            picture.setPixel(x, y, c);
            if (bits == 32) icon.WorkBitmap().setPixel(x, y, c);
            if (bits != 32) icon.ColorBitmap().setPixel(x, y, c | 0xFF000000u);
            if (bits != 32) icon.MaskBitmap().scanLine(y)[x] = qAlpha(c) ? kMaskClear : kMaskSet;
        }
    if (bits != 32) icon.StoreImage(), icon.SelectImage(icon.CurrentIndex());
    return picture;
}

QByteArray encodePng(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw std::runtime_error("PNG encoding failed");
    return data;
}

RunResult runProgram(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    RunResult r;
    if (!p.waitForStarted(10000)) return r;
    // Killed when `p` goes; the caller sees -1.
    if (!p.waitForFinished(timeoutMs)) return r;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

}  // namespace tarvo::test
