#include "acquire/SaneScanner.h"

#include <sane/sane.h>

#include <QDir>
#include <QImageWriter>
#include <QTemporaryFile>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "core/Icon.h"
#include "raster/Errors.h"

namespace tarvo {

namespace {

// Larger than any scanner page at a sensible resolution, small enough that a backend reporting
// nonsense cannot make us allocate gigabytes.
constexpr int kMaxSide = 30000;
constexpr qsizetype kMaxBytes = qsizetype{512} << 20;

QString statusText(SANE_Status status) {
    return QString::fromUtf8(sane_strstatus(status));
}

[[noreturn]] void fail(const QString& message) {
    throw TError(message.toStdString());
}

struct Session {
    Session() {
        SANE_Int version = 0;
        const SANE_Status status = sane_init(&version, nullptr);
        if (status != SANE_STATUS_GOOD)
            fail(QStringLiteral("Cannot start SANE: %1").arg(statusText(status)));
    }
    ~Session() { sane_exit(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
};

std::optional<Session>& session() {
    static std::optional<Session> instance;
    return instance;
}

void ensureSane() {
    if (!session()) session().emplace();
}

struct DeviceCloser {
    void operator()(void* handle) const { sane_close(handle); }
};
using Device = std::unique_ptr<void, DeviceCloser>;

// Ends the acquisition however the read loop is left; harmless after the last frame.
struct ActiveScan {
    SANE_Handle handle;
    ~ActiveScan() { sane_cancel(handle); }
};

struct Frame {
    SANE_Parameters params{};
    int lines = 0;
    int channels = 1;
};

Frame checkedFrame(const SANE_Parameters& p) {
    Frame frame{p, p.lines, p.format == SANE_FRAME_RGB ? 3 : 1};
    if (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB)
        fail(QStringLiteral("The scanner sends colours as separate frames; use a one-pass mode"));
    const bool depthOk = p.depth == 8 || p.depth == 16 || (p.depth == 1 && frame.channels == 1);
    if (!depthOk)
        fail(QStringLiteral("The scanner sends %1 bits per sample, which cannot be read")
                 .arg(p.depth));
    if (p.pixels_per_line <= 0 || p.pixels_per_line > kMaxSide || p.lines == 0 || p.lines < -1 ||
        p.lines > kMaxSide)
        fail(QStringLiteral("The scanner announces an image of %1 x %2 pixels, which cannot be "
                            "taken")
                 .arg(p.pixels_per_line)
                 .arg(p.lines));
    const qsizetype needed = (qsizetype{p.pixels_per_line} * frame.channels * p.depth + 7) / 8;
    if (p.bytes_per_line < needed || p.bytes_per_line > needed + 65536)
        fail(QStringLiteral("The scanner announces %1 bytes per line for %2 pixels")
                 .arg(p.bytes_per_line)
                 .arg(p.pixels_per_line));
    return frame;
}

// Samples are 1-bit (set = black), 8-bit, or 16-bit in the machine's byte order.
QImage toImage(const QByteArray& data, const Frame& frame) {
    const SANE_Parameters& p = frame.params;
    QImage image(p.pixels_per_line, frame.lines, QImage::Format_RGB32);
    if (image.isNull()) throw EOutOfResources();
    for (int y = 0; y < frame.lines; ++y) {
        const auto* row =
            reinterpret_cast<const uint8_t*>(data.constData()) + qsizetype{y} * p.bytes_per_line;
        auto sample = [&](int i) -> int {
            if (p.depth == 1) return (row[i >> 3] >> (7 - (i & 7))) & 1 ? 0 : 255;
            if (p.depth == 8) return row[i];
            uint16_t v;
            std::memcpy(&v, row + 2 * i, 2);
            return v >> 8;
        };
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < p.pixels_per_line; ++x) {
            if (frame.channels == 1) {
                const int g = sample(x);
                out[x] = qRgb(g, g, g);
            } else {
                out[x] = qRgb(sample(3 * x), sample(3 * x + 1), sample(3 * x + 2));
            }
        }
    }
    return image;
}

}  // namespace

QString ScannerInfo::displayName() const {
    const QString label = QStringList{vendor, model}.join(u' ').trimmed();
    return label.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(label, name);
}

std::vector<ScannerInfo> listScanners() {
    ensureSane();
    const SANE_Device** devices = nullptr;
    const SANE_Status status = sane_get_devices(&devices, SANE_TRUE);
    if (status != SANE_STATUS_GOOD)
        fail(QStringLiteral("Cannot list the scanners: %1").arg(statusText(status)));
    std::vector<ScannerInfo> result;
    for (const SANE_Device** d = devices; d && *d; ++d)
        result.push_back({QString::fromUtf8((*d)->name), QString::fromUtf8((*d)->vendor),
                          QString::fromUtf8((*d)->model)});
    return result;
}

QImage scan(const QString& device, const ScanProgress& progress) {
    ensureSane();
    // Without a choice the first scanner is used; without any, say so plainly.
    if (device.isEmpty() && listScanners().empty()) fail(QStringLiteral("No scanner was found."));
    SANE_Handle raw = nullptr;
    SANE_Status status = sane_open(device.toUtf8().constData(), &raw);
    if (status != SANE_STATUS_GOOD || !raw)
        fail(QStringLiteral("Cannot open the scanner \"%1\": %2").arg(device, statusText(status)));
    const Device handle(raw);

    status = sane_start(raw);
    if (status != SANE_STATUS_GOOD)
        fail(QStringLiteral("The scanner \"%1\" cannot start: %2").arg(device, statusText(status)));
    const ActiveScan active{raw};
    if (progress && !progress(0)) return {};

    // Only valid once the scan has started: before, the geometry may be an estimate.
    SANE_Parameters params{};
    status = sane_get_parameters(raw, &params);
    if (status != SANE_STATUS_GOOD)
        fail(QStringLiteral("The scanner \"%1\" gives no image format: %2")
                 .arg(device, statusText(status)));
    Frame frame = checkedFrame(params);
    const qsizetype bpl = params.bytes_per_line;
    // A hand scanner knows its height only at the end.
    const qsizetype expected = frame.lines > 0 ? bpl * frame.lines : -1;
    const qsizetype limit = expected > 0 ? expected : std::min(bpl * kMaxSide, kMaxBytes);
    if (limit > kMaxBytes)
        fail(QStringLiteral("The scanned image would be too large (%1 MB)").arg(limit >> 20));

    QByteArray data;
    if (expected > 0) data.reserve(expected);
    std::array<SANE_Byte, 32768> buffer;
    for (;;) {
        SANE_Int length = 0;
        status = sane_read(raw, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length);
        if (status == SANE_STATUS_EOF) break;
        if (status == SANE_STATUS_CANCELLED) return {};
        if (status != SANE_STATUS_GOOD)
            fail(QStringLiteral("Scanning failed: %1").arg(statusText(status)));
        if (length < 0 || length > static_cast<SANE_Int>(buffer.size()) ||
            data.size() + length > limit)
            fail(QStringLiteral("The scanner sent more data than it announced"));
        data.append(reinterpret_cast<const char*>(buffer.data()), length);
        const int percent = expected > 0 ? static_cast<int>(data.size() * 100 / expected) : 0;
        if (progress && !progress(percent)) return {};
    }
    if (expected > 0 && data.size() != expected)
        fail(QStringLiteral("The scanner sent %1 of %2 lines")
                 .arg(data.size() / bpl)
                 .arg(frame.lines));
    frame.lines = static_cast<int>(data.size() / bpl);
    if (frame.lines == 0) fail(QStringLiteral("The scanner sent no image"));
    return toImage(data, frame);
}

void loadImageIntoIcon(TIcon& icon, const QImage& image) {
    // The suffix selects the picture reader; the file is removed when `file` goes.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/tarvo-scan-XXXXXX.bmp"));
    if (!file.open())
        throw EWriteError(QStringLiteral("Cannot create a temporary file: %1")
                              .arg(file.errorString())
                              .toStdString());
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image) || !file.flush())
        throw EWriteError(QStringLiteral("Cannot write %1: %2")
                              .arg(file.fileName(), writer.errorString())
                              .toStdString());
    icon.LoadFromFile(file.fileName());
}

bool scanIntoIcon(TIcon& icon, const QString& device, const ScanProgress& progress) {
    const QImage image = scan(device, progress);
    if (image.isNull()) return false;
    loadImageIntoIcon(icon, image);
    return true;
}

void releaseSane() {
    session().reset();
}

}  // namespace tarvo
