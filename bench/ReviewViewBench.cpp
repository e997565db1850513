// SPDX-License-Identifier: GPL-3.0-or-later
// Repaint cost of the review chart at the size the main window gives it. With
// --screenshot=FILE it saves a picture of the chart with a trace, a gap and the playing cursor
// instead.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "views/ReviewView.h"

namespace {

namespace fs = std::filesystem;

constexpr int kViewWidth = 510;
constexpr int kViewHeight = 250;
constexpr std::size_t kFullTrace = 3680;

// A plausible fetal heart-rate trace, with missing seconds where the detector found nothing.
std::vector<std::int32_t> DemoTrace(std::size_t count) {
    std::vector<std::int32_t> trace(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i);
        trace[i] = static_cast<std::int32_t>(
            std::lround(140.0 + 12.0 * std::sin(t / 23.0) + 5.0 * std::sin(t / 4.7)));
    }
    for (std::size_t i = 180; i < 192 && i < count; ++i) {
        trace[i] = 0;
    }
    if (count > 400) {
        trace[400] = 0;
    }
    return trace;
}

// A view on a trace file of its own, removed with it.
class ChartOnTrace {
public:
    explicit ChartOnTrace(std::size_t count) {
        m_traceFile = fs::temp_directory_path() /
                      ("marulo-bench-" + std::to_string(::getpid()) + "-trace.hr");
        std::ofstream out(m_traceFile, std::ios::binary);
        for (const std::int32_t value : DemoTrace(count)) {
            const auto bits = static_cast<std::uint32_t>(value);
            const char bytes[4] = {static_cast<char>(bits), static_cast<char>(bits >> 8),
                                   static_cast<char>(bits >> 16), static_cast<char>(bits >> 24)};
            out.write(bytes, 4);
        }
        out.close();
        m_view = std::make_unique<marulo::views::ReviewView>(nullptr);
        m_view->resize(kViewWidth, kViewHeight);
        m_view->show();
        QApplication::processEvents();
        m_view->SetRecordFiles("", m_traceFile.string());
    }
    ~ChartOnTrace() {
        m_view.reset();
        std::error_code ignored;
        fs::remove(m_traceFile, ignored);
    }
    ChartOnTrace(const ChartOnTrace&) = delete;
    ChartOnTrace& operator=(const ChartOnTrace&) = delete;

    marulo::views::ReviewView& View() { return *m_view; }

private:
    fs::path m_traceFile;
    std::unique_ptr<marulo::views::ReviewView> m_view;
};

void BM_RepaintScrolledToTheMiddle(benchmark::State& state) {
    ChartOnTrace chart(kFullTrace);
    auto& view = chart.View();
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum() / 2);
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    view.viewport()->render(&image);  // the grid and labels are drawn once per language
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RepaintScrolledToTheMiddle)->Unit(benchmark::kMicrosecond);

void BM_RepaintWithCursorAndReadout(benchmark::State& state) {
    ChartOnTrace chart(kFullTrace);
    auto& view = chart.View();
    const int offset = view.horizontalScrollBar()->maximum() / 2;
    view.horizontalScrollBar()->setValue(offset);
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        view.PaintChart(painter, offset + 200);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RepaintWithCursorAndReadout)->Unit(benchmark::kMicrosecond);

bool SaveScreenshot(const std::string& path) {
    ChartOnTrace chart(600);
    auto& view = chart.View();
    QPixmap picture = view.grab();
    QPainter painter(&picture);
    painter.translate(view.viewport()->pos());
    painter.setClipRect(view.viewport()->rect());
    view.PaintChart(painter, 300);
    painter.end();
    return picture.save(QString::fromStdString(path), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr std::string_view kScreenshotFlag = "--screenshot=";
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(kScreenshotFlag)) {
            return SaveScreenshot(std::string(argument.substr(kScreenshotFlag.size())))
                       ? EXIT_SUCCESS
                       : EXIT_FAILURE;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return EXIT_FAILURE;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return EXIT_SUCCESS;
}
