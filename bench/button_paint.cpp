// Paint cost of chameleonButton per style at the eraser window's size (465 x 25), one forced
// PaintButton per iteration, against a peer measured in the same run: Qt's own push button
// rendered at the same size.

#include "controls/chameleonButton.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using corvane::controls::chameleonButton;
using corvane::controls::PropertyBag;

constexpr int kW = 465, kH = 25;

corvane::platform::Picture SamplePicture() {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(qRgb(192, 192, 192));
    for (int y = 3; y < 13; ++y)
        for (int x = 3; x < 13; ++x)
            img.setPixel(x, y, qRgb(40, 90, 200));
    return corvane::platform::PictureFromImage(img);
}

void PaintStyle(benchmark::State& state, bool picture) {
    QWidget host;
    host.resize(kW, kH);
    chameleonButton button(&host);
    button.setGeometry(0, 0, kW, kH);
    PropertyBag bag;
    bag.WriteLong("BTYPE", static_cast<std::int32_t>(state.range(0)));
    bag.WriteString("TX", "Start Secure Scanning");
    corvane::platform::Font font;
    font.bold = true;
    bag.WriteFont("FONT", font);
    if (picture)
        bag.WritePicture("PICN", SamplePicture());
    button.ReadProperties(bag);
    host.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        button.PaintButton(0, true);
        benchmark::DoNotOptimize(button.Canvas().Image().constBits());
    }
}

void BM_PaintStyle(benchmark::State& state) {
    PaintStyle(state, false);
}

void BM_PaintStyleWithPicture(benchmark::State& state) {
    PaintStyle(state, true);
}

void BM_PeerQtPushButton(benchmark::State& state) {
    QPushButton button(QStringLiteral("Start Secure Scanning"));
    button.resize(kW, kH);
    QImage image(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        button.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_PeerQtPushButton);
BENCHMARK(BM_PaintStyle)->DenseRange(1, 14);
BENCHMARK(BM_PaintStyleWithPicture)->Arg(3)->Arg(9);

/// Prints each result's processor time as a ratio to the peer's after the usual table (the
/// machine is shared, so wall time says more about the neighbours than about the code).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            times_[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nCPU time ratio to the peer (Qt push button render at %dx%d):\n", kW, kH);
        for (const auto& [name, t] : times_) {
            // Each run is compared with the peer's run of the same kind (single, mean, median);
            // spreads are not times, and a ratio of them says nothing.
            std::string kind;
            for (const char* aggregate : {"_mean", "_median", "_stddev", "_cv"})
                if (name.ends_with(aggregate))
                    kind = aggregate;
            if (kind == "_stddev" || kind == "_cv")
                continue;
            const auto peer = times_.find("BM_PeerQtPushButton" + kind);
            if (peer != times_.end() && peer->second > 0)
                std::printf("  %-32s %6.2f\n", name.c_str(), t / peer->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
