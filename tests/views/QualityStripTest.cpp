// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureController.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/WavFileWriter.h"
#include "app/Config.h"
#include "platform/Zip.h"
#include "tests/support/TempFolder.h"
#include "tools/synth/SyntheticRecording.h"
#include "views/QualityStrip.h"
#include "views/ReviewView.h"

namespace marulo::views {
namespace {

namespace fs = std::filesystem;
using ratecheck::Mark;

TEST(QualityStrip, RunsOfEqualMarksWithinTheVisibleColumns) {
    const std::vector<Mark> marks = {Mark::Confirmed, Mark::Confirmed, Mark::Doubtful,
                                     Mark::NoSignal,  Mark::NoSignal,  Mark::Confirmed};
    const struct {
        ColumnSpan visible;
        std::vector<StripRun> runs;
    } cases[] = {
        {{0, 6},
         {{{0, 2}, Mark::Confirmed},
          {{2, 3}, Mark::Doubtful},
          {{3, 5}, Mark::NoSignal},
          {{5, 6}, Mark::Confirmed}}},
        {{1, 4}, {{{1, 2}, Mark::Confirmed}, {{2, 3}, Mark::Doubtful}, {{3, 4}, Mark::NoSignal}}},
        {{4, 500}, {{{4, 5}, Mark::NoSignal}, {{5, 6}, Mark::Confirmed}}},  // past the record
        {{6, 20}, {}},
        {{-3, 1}, {{{0, 1}, Mark::Confirmed}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QualityStripRuns(marks, c.visible), c.runs) << c.visible.left;
    }
    EXPECT_EQ(QualityStripRect({{10, 15}, Mark::Doubtful}, 8, 250),
              (Rect{2, 250 - kQualityStripHeight, 7, 250}));
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Twenty seconds: the baby heard for twelve, then the probe lifted into silence. Once the record
// is loaded the strip appears under the grid, green under the baby and grey under the silence,
// the trace is drawn as before, and the tooltip gives the legend.
TEST(QualityStripView, ALoadedRecordGetsItsStripOffTheWindowThread) {
    testing::TempFolder folder("quality-strip");
    const fs::path previous = fs::current_path();
    fs::create_directories(folder.Path() / "work");
    fs::current_path(folder.Path() / "work");

    synth::ListeningOptions listening;
    listening.lifts.push_back({{12, 8}, synth::LiftedSound::Silence});
    const auto audio = synth::SynthesizeCaptureBytes({20, 140, 140, 5}, listening);
    const auto trace = acquisition::AnalyzeCaptureBytes(audio);
    auto wav = acquisition::WavHeader(acquisition::CaptureFormat(),
                                      static_cast<std::uint32_t>(audio.size()));
    std::vector<std::uint8_t> wavBytes(wav.begin(), wav.end());
    wavBytes.insert(wavBytes.end(), audio.begin(), audio.end());
    WriteBytes(folder.Path() / "Data.wav", wavBytes);
    std::vector<std::uint8_t> traceBytes;
    for (const std::int32_t value : trace) {
        for (int shift = 0; shift < 32; shift += 8) {
            traceBytes.push_back(
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
        }
    }
    WriteBytes(folder.Path() / "Data.hr", traceBytes);
    platform::ZipWriter zip;
    ASSERT_TRUE(zip.Create(folder.Path() / "record.zip"));
    ASSERT_TRUE(zip.AddFile("Data.wav", folder.Path() / "Data.wav"));
    ASSERT_TRUE(zip.AddFile("Data.hr", folder.Path() / "Data.hr"));
    ASSERT_TRUE(zip.Close());

    acquisition::CaptureController controller{[] { return nullptr; }, [] { return false; }};
    ReviewView view(nullptr, controller, {});
    view.resize(400, 250);
    view.show();
    QSignalSpy checked(&view, &ReviewView::QualityChecked);
    view.LoadRecord((folder.Path() / "record.zip").string());
    ASSERT_TRUE(checked.wait(10000));
    ASSERT_EQ(view.QualityMarks().size(), trace.size());
    EXPECT_EQ(view.QualityMarks()[8], Mark::Confirmed);
    EXPECT_EQ(view.QualityMarks()[18], Mark::NoSignal);

    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    view.PaintChart(painter, std::nullopt);
    painter.end();
    const int bottom = image.height() - 1;
    EXPECT_EQ(image.pixel(8, bottom), qRgb(60, 165, 90));
    EXPECT_EQ(image.pixel(18, bottom), qRgb(195, 195, 195));
    EXPECT_EQ(image.pixel(100, bottom), image.pixel(100, bottom - kQualityStripHeight))
        << "no strip beyond the record";
    const int traceY = ValueY(image.height(), trace[8]);
    EXPECT_NE(image.pixel(8, traceY), qRgb(255, 255, 255)) << "the trace is still drawn";

    const QPoint at(30, 100);
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), app::MessageText("ReviewStripLegend"));

    view.ClearRecord();
    EXPECT_TRUE(view.QualityMarks().empty());
    fs::current_path(previous);
}

}  // namespace
}  // namespace marulo::views
