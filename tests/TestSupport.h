#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Icon.h"

namespace tarvo::test {

using Bytes = std::vector<uint8_t>;

Bytes toBytes(const QByteArray& data);
Bytes readFile(const QString& path);
QString readText(const QString& path);
void writeFile(const QString& path, const Bytes& bytes);
void writeText(const QString& path, const QByteArray& text);
// The document's block as a vector; the stored bytes of image `index`; of the current image.
Bytes blockOf(const TIcon& icon);
Bytes imageBytes(const TIcon& icon, int index);
Bytes currentBytes(const TIcon& icon);

void put16(Bytes& b, size_t at, uint16_t v);
void put32(Bytes& b, size_t at, uint32_t v);
uint16_t get16(const Bytes& b, size_t at);
uint32_t get32(const Bytes& b, size_t at);

// Builds icon files byte by byte, so that tests can write both strict and broken ones.
struct RawImage {
    uint8_t width = 0, height = 0, colorCount = 0, reserved = 0;
    uint16_t planes = 0, bitCount = 0;
    Bytes data;               // the image's bytes (bitmap header on, or a PNG)
    int64_t bytesInRes = -1;  // -1: data.size()
    int64_t offset = -1;      // -1: right after the previous image
};
Bytes buildIconFile(const std::vector<RawImage>& images, uint16_t type = 1);

// A bitmap header with the given fields (height is written as given: pass 2 x H for icons).
Bytes bitmapHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0,
                   uint32_t colorsUsed = 0, uint32_t headerSize = 40);

// A deterministic picture with every alpha value and a spread of colours.
QImage testPicture(int w, int h, uint32_t seed = 1);
QByteArray encodePng(const QImage& image);

// Adds a w x h image of `bits` showing paint(x, y): as given at 32 bits; below, the colour on the
// colour plane with the mask bit set where alpha is 0. Returns the ARGB picture it shows.
QImage addPainted(TIcon& icon, int w, int h, int bits, const std::function<QRgb(int, int)>& paint);

// Runs a program; returns its exit code (-1 when it could not start or did not end within
// `timeoutMs`, when it is killed) and its output.
struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
RunResult runProgram(const QString& program, const QStringList& args, int timeoutMs = 120000);

}  // namespace tarvo::test
