// The open dialog's JPEG preview of a 12-megapixel photo: decoded at the smallest DCT scale that
// fills a 200-pixel pane, beside the same decoder at full size. Reading the file is included.
// Cameras write 4:2:0 chroma; a 4:4:4 file carries twice the data and decodes slower.
#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>

#include "dialogs/JpegPreview.h"

namespace {

void decode(benchmark::State& state, const QString& photo, QSize fit) {
    QSize full;
    for (auto _ : state) {
        const QImage image = tarvo::decodeJpegPreview(photo, fit, &full);
        if (image.isNull()) {
            state.SkipWithError("the photo did not decode");
            return;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

// A 4000 x 3000 photo-like JPEG at quality 90 with the given chroma sampling.
bool makePhoto(const QString& path, const QString& sampling) {
    QProcess convert;
    convert.start(QStringLiteral("/usr/bin/convert"),
                  {QStringLiteral("-seed"), QStringLiteral("7"), QStringLiteral("-size"),
                   QStringLiteral("4000x3000"), QStringLiteral("plasma:fractal"),
                   QStringLiteral("-sampling-factor"), sampling, QStringLiteral("-quality"),
                   QStringLiteral("90"), path});
    return convert.waitForFinished(300000) && convert.exitStatus() == QProcess::NormalExit &&
           convert.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // for QProcess
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Made here rather than kept in the repository: megabytes of noise-like pixels.
    QTemporaryDir dir;
    const QString camera = dir.filePath(QStringLiteral("camera.jpg"));
    const QString fullChroma = dir.filePath(QStringLiteral("full-chroma.jpg"));
    if (!dir.isValid() || !makePhoto(camera, QStringLiteral("4:2:0")) ||
        !makePhoto(fullChroma, QStringLiteral("4:4:4"))) {
        std::fprintf(stderr, "ImageMagick (/usr/bin/convert) could not make the test photos\n");
        return 1;
    }
    const QSize pane(200, 0), whole(4000, 3000);
    benchmark::RegisterBenchmark("BM_JpegPreview/DctScaled/420", decode, camera, pane)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_JpegPreview/FullSize/420", decode, camera, whole)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_JpegPreview/DctScaled/444", decode, fullChroma, pane)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_JpegPreview/FullSize/444", decode, fullChroma, whole)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
