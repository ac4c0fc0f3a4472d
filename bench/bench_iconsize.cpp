// The size of an icon of every common size made from one 256 x 256 picture: ours beside
// ImageMagick's and Pillow's, each a whole program run. The file size is the "bytes" counter.
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QTemporaryDir& work() {
    static QTemporaryDir dir;
    return dir;
}

// An application icon as people draw them: a shaded disc with a glyph, soft edges, and a
// transparent background.
QString picture() {
    const QString path = work().filePath(QStringLiteral("app.png"));
    if (QFileInfo::exists(path)) return path;
    QImage image(256, 256, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(100, 90), 150);
    shade.setColorAt(0, QColor(120, 190, 255));
    shade.setColorAt(1, QColor(10, 40, 140));
    p.setBrush(shade);
    p.setPen(QPen(QColor(0, 20, 80, 200), 6));
    p.drawEllipse(QRectF(12, 12, 232, 232));
    p.setBrush(QColor(255, 255, 255, 230));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(70, 60, 116, 136), 18, 18);
    p.setPen(QPen(QColor(40, 90, 200), 10, Qt::SolidLine, Qt::RoundCap));
    for (int y = 90; y <= 160; y += 23) p.drawLine(92, y, 164, y);
    p.end();
    image.save(path, "PNG");
    return path;
}

const QString kSizes = QStringLiteral("16,24,32,48,64,128,256");

void run(benchmark::State& state, const QString& program, const QStringList& args,
         const QString& out) {
    for (auto _ : state) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            state.SkipWithError(qPrintable(program + QStringLiteral(" failed")));
            return;
        }
    }
    state.counters["bytes"] = double(QFileInfo(out).size());
}

void BM_IconSizeOurs(benchmark::State& state) {
    const QString out = work().filePath(QStringLiteral("ours.ico"));
    run(state, QString::fromLocal8Bit(qgetenv("TARVO_ICONTOOL")),
        {QStringLiteral("create"), out, picture(), QStringLiteral("--sizes"), kSizes}, out);
}

void BM_IconSizeOursEveryPng(benchmark::State& state) {
    const QString out = work().filePath(QStringLiteral("ours-png.ico"));
    run(state, QString::fromLocal8Bit(qgetenv("TARVO_ICONTOOL")),
        {QStringLiteral("create"), out, picture(), QStringLiteral("--sizes"), kSizes,
         QStringLiteral("--png"), QStringLiteral("all")},
        out);
}

void BM_IconSizeImageMagick(benchmark::State& state) {
    const QString out = work().filePath(QStringLiteral("magick.ico"));
    run(state, QStringLiteral("/usr/bin/convert"),
        {picture(), QStringLiteral("-define"), QStringLiteral("icon:auto-resize=") + kSizes, out},
        out);
}

void BM_IconSizePillow(benchmark::State& state) {
    const QString out = work().filePath(QStringLiteral("pillow.ico"));
    const QString script = QStringLiteral(
        "import sys\nfrom PIL import Image\n"
        "sizes = [(int(s), int(s)) for s in sys.argv[3].split(',')]\n"
        "Image.open(sys.argv[1]).save(sys.argv[2], sizes=sizes)\n");
    run(state, QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"), script, picture(), out, kSizes}, out);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (qgetenv("TARVO_ICONTOOL").isEmpty()) {
        std::fprintf(stderr, "TARVO_ICONTOOL must name tarvo-icontool\n");
        return 1;
    }
    using Run = void (*)(benchmark::State&);
    const std::pair<const char*, Run> runs[] = {
        {"BM_IconSizeOurs", BM_IconSizeOurs},
        {"BM_IconSizeOursEveryPng", BM_IconSizeOursEveryPng},
        {"BM_IconSizeImageMagick", BM_IconSizeImageMagick},
        {"BM_IconSizePillow", BM_IconSizePillow}};
    for (const auto& [name, fn] : runs)
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
