// The editing view's paint and the undo history's memory.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "BenchSupport.h"
#include "editor/UndoHistory.h"
#include "editor/ViewPainter.h"

namespace tarvo::bench {
namespace {

// A 256 x 256 32-bit image of a real illustration with a transparent background, as icons have:
// ImageMagick's built-in wizard picture. Falls back to the synthetic photo without ImageMagick.
void loadRealIcon(TIcon& icon) {
    icon.AddImage(256, 256, 32);
    QTemporaryDir dir;
    const QString png = dir.filePath("wizard.png");
    QProcess::execute("/usr/bin/convert",
                      {"wizard:", "-resize", "256x256!", "-alpha", "set", "-fuzz", "8%", "-fill",
                       "none", "-draw", "color 0,0 floodfill", png});
    const QImage picture = QImage(png).convertToFormat(QImage::Format_ARGB32);
    if (picture.size() != QSize(256, 256)) {
        fillPhoto(icon);
        return;
    }
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) icon.WorkBitmap().setPixel(x, y, picture.pixel(x, y));
}

void paintAt(benchmark::State& state, int zoom, QPoint scroll) {
    TIcon icon;
    loadRealIcon(icon);
    QImage client(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    EditingViewState view;
    view.image = &icon;
    view.zoom = zoom;
    view.scroll = scroll;
    view.background = QColor(0xEF, 0xEF, 0xEF);
    for (auto _ : state) {
        QPainter p(&client);
        p.setClipRect(client.rect());
        paintEditingView(p, client.size(), view);
        benchmark::DoNotOptimize(client.constBits());
    }
}

// Zoom 16: the image is 4128 pixels wide, so the view shows a scrolled part of it.
void BM_PaintEditingViewZoom16(benchmark::State& state) {
    paintAt(state, 16, {1100, 1500});
}
BENCHMARK(BM_PaintEditingViewZoom16)->Unit(benchmark::kMillisecond);

// Zoom 4: the whole image and its border fit.
void BM_PaintEditingViewZoom4(benchmark::State& state) {
    paintAt(state, 4, {});
}
BENCHMARK(BM_PaintEditingViewZoom4)->Unit(benchmark::kMillisecond);

// 20,000 pencil strokes, each recorded first as the pencil does; reports what the history holds.
void BM_UndoHistoryMemory(benchmark::State& state) {
    const int steps = static_cast<int>(state.range(0));
    size_t bytes = 0;
    for (auto _ : state) {
        TIcon icon;
        loadRealIcon(icon);
        TUndoStack stack;
        std::mt19937 random(1);
        for (int i = 0; i < steps; ++i) {
            auto entry = std::make_unique<TUndo>();
            entry->SetData(icon.CurrentImageData());
            stack.push(std::move(entry));
            const int x = int(random() % 256), y = int(random() % 256);
            icon.BeginStroke();
            icon.MoveTo(x, y);
            icon.LineTo(x + int(random() % 41) - 20, y + int(random() % 41) - 20,
                        0xFF000000u | random());
            icon.EndStroke();
        }
        bytes = stack.memoryBytes();
    }
    state.counters["history_MB"] = double(bytes) / 1e6;
    state.counters["bytes_per_step"] = double(bytes) / steps;
}
BENCHMARK(BM_UndoHistoryMemory)->Arg(20000)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tarvo::bench

int main(int argc, char** argv) {
    return tarvo::bench::run(argc, argv);
}
