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
#include "acquisition/CaptureFormat.h"
#include "app/ConfigFiles.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "jobs/QtPost.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"
#include "review/ReviewModel.h"
#include "session/WorkingFilesOwner.h"
#include "tests/support/TempFolder.h"
#include "tools/synth/SyntheticRecording.h"
#include "views/QualityStrip.h"
#include "views/ReviewBinding.h"
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

void WriteConfig(const fs::path& folder, const std::string& messages) {
    std::ofstream(folder / "Conf.ini") << messages;
    app::SetConfigFolderForTesting(app::FolderLocation{"", folder.string() + "/"});
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A record archive of capture-format audio and a trace, made in folder.
fs::path WriteRecord(const fs::path& folder, const std::vector<std::uint8_t>& audio,
                     const std::vector<std::int32_t>& trace) {
    auto wav = recordformat::WavHeader(acquisition::CaptureFormat(),
                                       static_cast<std::uint32_t>(audio.size()));
    std::vector<std::uint8_t> wavBytes(wav.begin(), wav.end());
    wavBytes.insert(wavBytes.end(), audio.begin(), audio.end());
    WriteBytes(folder / "Data.wav", wavBytes);
    std::vector<std::uint8_t> traceBytes;
    for (const std::int32_t value : trace) {
        for (int shift = 0; shift < 32; shift += 8) {
            traceBytes.push_back(
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
        }
    }
    WriteBytes(folder / "Data.hr", traceBytes);
    platform::ZipWriter zip;
    EXPECT_TRUE(zip.Create(folder / "record.zip"));
    EXPECT_TRUE(zip.AddFile("Data.wav", folder / "Data.wav"));
    EXPECT_TRUE(zip.AddFile("Data.hr", folder / "Data.hr"));
    EXPECT_TRUE(zip.Close());
    return folder / "record.zip";
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
    const fs::path record = WriteRecord(folder.Path(), audio, trace);

    ReviewView view(nullptr);
    session::WorkingFilesOwner files;
    review::ReviewModel model({}, files, jobs::PostTo(&view));
    ReviewBinding binding(model, view);
    view.resize(400, 250);
    view.show();
    QSignalSpy checked(&view, &ReviewView::QualityChecked);
    ASSERT_TRUE(binding.Load(record));
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
    // The confirmed rate is drawn, at the rate the check found.
    ASSERT_TRUE(view.Check());
    const std::int32_t confirmed = view.Check()->checked.rates[8];
    ASSERT_GT(confirmed, 0);
    EXPECT_NE(image.pixel(8, ValueY(image.height(), confirmed)), qRgb(255, 255, 255));

    const QPoint at(30, 100);
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), app::MessageText("ReviewStripLegend"));

    // The reports of this record take the check the chart shows.
    const auto reportChecks = model.ReportChecksFor(record);
    ASSERT_TRUE(reportChecks && *reportChecks);
    EXPECT_EQ((*reportChecks)->size(), trace.size());

    binding.Clear();
    EXPECT_TRUE(view.QualityMarks().empty());
    fs::current_path(previous);
}

// The sound of a record stops at 0:20 while its trace runs to 0:40 (a cut recording): the part
// with sound is still checked and gets its strip, nothing after it is drawn as the baby's rate,
// and the chart and its tooltip say where the sound ends.
TEST(QualityStripView, AudioShorterThanItsTraceIsCheckedAsFarAsItGoes) {
    testing::TempFolder folder("quality-short");
    const fs::path previous = fs::current_path();
    fs::create_directories(folder.Path() / "work");
    fs::current_path(folder.Path() / "work");
    WriteConfig(folder.Path() / "work",
                "[Message]\nReviewAudioShort=sound ends at %1\nReviewStripLegend=legend\n");

    const auto audio = synth::SynthesizeCaptureBytes({20, 140, 140, 5}, {});
    std::vector<std::int32_t> trace = acquisition::AnalyzeCaptureBytes(audio);
    trace.resize(40, 140);
    const fs::path record = WriteRecord(folder.Path(), audio, trace);

    ReviewView view(nullptr);
    session::WorkingFilesOwner files;
    review::ReviewModel model({}, files, jobs::PostTo(&view));
    ReviewBinding binding(model, view);
    view.resize(400, 250);
    view.show();
    QSignalSpy checked(&view, &ReviewView::QualityChecked);
    ASSERT_TRUE(binding.Load(record));
    ASSERT_TRUE(checked.wait(10000));
    ASSERT_TRUE(view.Check());
    EXPECT_TRUE(view.Check()->audioShort);
    EXPECT_EQ(view.Check()->checkedSeconds, 20u);
    EXPECT_EQ(view.QualityMarks()[10], Mark::Confirmed);
    EXPECT_EQ(view.AudioShortNote().toStdString(), "sound ends at 0:20");
    EXPECT_EQ(view.RateAt(10).look, RateLook::Plain);
    EXPECT_EQ(view.RateAt(30), (ShownRate{RateLook::SetApart, 140})) << "never checked";

    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    view.PaintChart(painter, std::nullopt);
    painter.end();
    const int bottom = image.height() - 1;
    EXPECT_EQ(image.pixel(10, bottom), qRgb(60, 165, 90));
    EXPECT_EQ(image.pixel(300, bottom), image.pixel(300, bottom - kQualityStripHeight))
        << "no strip where there is no sound";
    const QColor beyond = image.pixelColor(30, ValueY(image.height(), 140));
    EXPECT_NE(beyond, QColor(Qt::white)) << "the unchecked trace is drawn";
    EXPECT_LT(std::abs(beyond.red() - beyond.blue()), 30) << "pale grey, not the baby's colour";
    bool dark = false;
    for (int x = 5; x < 100; ++x) {
        const int y = bottom - kQualityStripHeight - 6;
        dark = dark || qGray(image.pixel(x, y)) < 100;
    }
    EXPECT_TRUE(dark) << "the note is written low in the chart";

    const QPoint at(30, 100);
    QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), "legend\nsound ends at 0:20");
    // A report checks only audio that reaches the end of its trace, as it always has.
    const auto reportChecks = model.ReportChecksFor(record);
    ASSERT_TRUE(reportChecks);
    EXPECT_FALSE(*reportChecks);
    binding.Clear();
    app::SetConfigFolderForTesting(std::nullopt);
    fs::current_path(previous);
}

}  // namespace
}  // namespace marulo::views
