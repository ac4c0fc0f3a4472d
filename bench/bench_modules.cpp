// Reading every icon image of a large library, beside icoutils' wrestool doing the same.
#include <benchmark/benchmark.h>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

#include "core/Icon.h"

namespace {

QString largeDll() {
    return QString::fromLocal8Bit(qgetenv("TARVO_LARGE_DLL"));
}

void BM_LoadEveryIconOfLargeDll(benchmark::State& state) {
    for (auto _ : state) {
        tarvo::TIcon icon;
        icon.LoadFromFile(largeDll());
        benchmark::DoNotOptimize(icon.ImageCount());
    }
}

void runProcess(benchmark::State& state, const QString& program, const QStringList& args) {
    QTemporaryDir out;
    for (auto _ : state) {
        QProcess p;
        p.start(program, QStringList(args).replaceInStrings(QStringLiteral("OUT"), out.path()));
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError(qPrintable(program + QStringLiteral(" failed")));
            return;
        }
    }
}

// Whole programs, process start included, each writing every icon image out.
void BM_IcontoolConvertLargeDll(benchmark::State& state) {
    runProcess(state, QString::fromLocal8Bit(qgetenv("TARVO_ICONTOOL")),
               {QStringLiteral("convert"), largeDll(), QStringLiteral("OUT/all.ico")});
}

void BM_WrestoolExtractLargeDll(benchmark::State& state) {
    runProcess(state, QStringLiteral("wrestool"),
               {QStringLiteral("-x"), QStringLiteral("--raw"), QStringLiteral("-t"),
                QStringLiteral("3"), QStringLiteral("-o"), QStringLiteral("OUT"), largeDll()});
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (largeDll().isEmpty()) {
        std::fprintf(stderr, "TARVO_LARGE_DLL must name the library to read\n");
        return 1;
    }
    benchmark::RegisterBenchmark("BM_LoadEveryIconOfLargeDll", BM_LoadEveryIconOfLargeDll)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_IcontoolConvertLargeDll", BM_IcontoolConvertLargeDll)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_WrestoolExtractLargeDll", BM_WrestoolExtractLargeDll)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
