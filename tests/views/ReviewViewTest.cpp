// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"
#include "jobs/QtPost.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"
#include "review/ReviewModel.h"
#include "session/WorkingFilesOwner.h"
#include "tests/support/PrivatePulseAudio.h"
#include "tests/support/TempFolder.h"
#include "views/ChartGeometry.h"
#include "views/ReviewBinding.h"
#include "views/ReviewView.h"

namespace marulo::views {
namespace {

namespace fs = std::filesystem;

const QRgb kLabelColour = qRgb(192, 116, 183);

void WriteTrace(const fs::path& path, const std::vector<std::int32_t>& values) {
    std::ofstream out(path, std::ios::binary);
    for (const std::int32_t value : values) {
        const auto bits = static_cast<std::uint32_t>(value);
        const char bytes[4] = {static_cast<char>(bits), static_cast<char>(bits >> 8),
                               static_cast<char>(bits >> 16), static_cast<char>(bits >> 24)};
        out.write(bytes, 4);
    }
}

// Silence in the capture format: 8-bit stereo at 8000 frames per second.
void WriteSilentWav(const fs::path& path, int seconds) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(seconds) * 16000;
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(), dataBytes);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    const std::vector<char> silence(dataBytes, static_cast<char>(128));
    out.write(silence.data(), static_cast<std::streamsize>(silence.size()));
}

std::vector<std::int32_t> Flat(std::size_t count, std::int32_t value = 140) {
    return std::vector<std::int32_t>(count, value);
}

QImage Render(ReviewView& view, std::optional<std::int64_t> playingSecond = std::nullopt) {
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    view.PaintChart(painter, playingSecond);
    return image;
}

bool ColumnsEqual(const QImage& a, const QImage& b, int x) {
    for (int y = 0; y < a.height(); ++y) {
        if (a.pixel(x, y) != b.pixel(x, y)) {
            return false;
        }
    }
    return true;
}

bool AreaEqual(const QImage& a, const QImage& b, const QRect& area) {
    return a.copy(area) == b.copy(area);
}

bool AllWhite(const QImage& image, const QRect& wanted) {
    const QRect area = wanted.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                return false;
            }
        }
    }
    return true;
}

bool HasColour(const QImage& image, const QRect& wanted, QRgb colour) {
    const QRect area = wanted.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

class RecordingListener : public PlaybackListener {
public:
    void OnPlaybackStarted() override { ++started; }
    void OnPlaybackStopped() override { ++stopped; }
    int started = 0;
    int stopped = 0;
};

class ReviewViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_view.resize(510, 250);
        m_view.show();
        QCoreApplication::processEvents();
    }

    void ShowTrace(const std::vector<std::int32_t>& values) {
        const fs::path trace = m_folder.Path() / "Data.hr";
        WriteTrace(trace, values);
        m_view.SetRecordFiles("", trace.string());
    }

    void SetOffset(int offset) { m_view.horizontalScrollBar()->setValue(offset); }
    int Height() const { return m_view.viewport()->height(); }
    int Band() const { return BandTop(Height()); }

    void SendToViewport(QEvent& event) { QApplication::sendEvent(m_view.viewport(), &event); }
    void MoveMouse(int x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 100),
                         m_view.viewport()->mapToGlobal(QPointF(x, 100)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        SendToViewport(move);
    }
    void Click(int x) {
        const QPointF at(x, 100);
        QMouseEvent press(QEvent::MouseButtonPress, at, m_view.viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        SendToViewport(press);
    }
    void Wheel(int delta) {
        QWheelEvent wheel(QPointF(10, 10), m_view.viewport()->mapToGlobal(QPointF(10, 10)),
                          QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        SendToViewport(wheel);
    }

    testing::TempFolder m_folder{"review"};
    ReviewView m_view{nullptr};
};

TEST_F(ReviewViewTest, EmptyChartShowsWhiteStripTiledGridAndEvenMinuteLabels) {
    ASSERT_GT(Band(), 8) << "the label strip needs room";
    QImage tile(60, kGridBandHeight, QImage::Format_RGB32);
    {
        QPainter painter(&tile);
        controls::CachedSkinBitmap(controls::skin::kChartMinuteTile).DrawAt(painter, QPoint(0, 0));
    }
    for (const int offset : {0, 100}) {
        SetOffset(offset);
        const QImage image = Render(m_view);
        for (int y = Band(); y < Height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                ASSERT_EQ(image.pixel(x, y), tile.pixel((x + offset) % 60, y - Band()))
                    << "grid at x " << x << " y " << y << " offset " << offset;
            }
        }
        // Minute 2 is labelled; the strip beside minute 1 and between 2 and 4 stays white.
        const int strip = Band() - 1;
        EXPECT_TRUE(HasColour(image, QRect(80 - offset, 0, 80, Band()), kLabelColour)) << offset;
        if (offset == 0) {
            EXPECT_TRUE(AllWhite(image, QRect(0, 0, 78, strip)));
        }
        EXPECT_TRUE(AllWhite(image, QRect(162 - offset, 0, 36, strip))) << offset;
    }
}

TEST_F(ReviewViewTest, AMissingValueCutsThreeColumnsOutOfTheScrolledTrace) {
    SetOffset(600);
    const QImage background = Render(m_view);
    std::vector<std::int32_t> values = Flat(1200);
    values[700] = 0;
    ShowTrace(values);
    const QImage image = Render(m_view);
    for (const int x : {99, 100, 101}) {
        EXPECT_TRUE(ColumnsEqual(image, background, x)) << "column " << x;
    }
    for (const int x : {0, 97, 103, 509}) {
        EXPECT_FALSE(ColumnsEqual(image, background, x)) << "column " << x;
    }
}

TEST_F(ReviewViewTest, ThePlayingCursorInvertsItsColumnInTheBand) {
    ShowTrace(Flat(1000));
    SetOffset(20);
    const QImage still = Render(m_view);
    const QImage playing = Render(m_view, 320);
    const int x = 300;
    const int traceY = ValueY(Height(), 140);
    for (int y = Band() + kCursorInset; y < Height() - kCursorInset; ++y) {
        if (std::abs(y - traceY) <= 2) {
            continue;
        }
        EXPECT_EQ(playing.pixel(x, y) & 0xffffff, ~still.pixel(x, y) & 0xffffff) << "y " << y;
    }
    EXPECT_EQ(playing.pixel(x, Band() + 1), still.pixel(x, Band() + 1));
    EXPECT_EQ(playing.pixel(x, Height() - 2), still.pixel(x, Height() - 2));
    EXPECT_TRUE(ColumnsEqual(playing, still, x - 1));
    EXPECT_TRUE(ColumnsEqual(playing, still, x + 1));
}

TEST_F(ReviewViewTest, TheReadoutShowsOnlyRatesAboveZero) {
    std::vector<std::int32_t> values = Flat(200, 150);
    values[0] = 0;
    ShowTrace(values);
    // Left of the cursor columns that the renders below draw outside it.
    const QRect readout(kReadoutInset, Band() + kReadoutInset, 150, 25);
    const QImage still = Render(m_view);
    EXPECT_FALSE(AreaEqual(Render(m_view, 1), still, readout));
    EXPECT_TRUE(AreaEqual(Render(m_view, 0), still, readout));
    EXPECT_TRUE(AreaEqual(Render(m_view, 200), still, readout));
    EXPECT_EQ(Render(m_view, -1), still);
}

TEST_F(ReviewViewTest, LiveValuesArriveThroughTheEventLoopAndKeepTheNewestInView) {
    ShowTrace(Flat(1000));
    SetOffset(368);
    std::thread capture([this] {
        m_view.OnCaptureOpen();
        m_view.OnAudioBlock({});
        m_view.OnHeartRate(120);
    });
    capture.join();
    EXPECT_EQ(m_view.Trace().size(), 1000u) << "the capture thread must not touch the trace";
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_view.IsLiveMode());
    EXPECT_EQ(m_view.Trace(), std::vector<std::int32_t>{120});
    EXPECT_EQ(m_view.OffsetX(), 0);

    const int width = m_view.viewport()->width();
    for (int i = 1; i <= width; ++i) {
        m_view.OnHeartRate(130);
    }
    m_view.OnCaptureClose();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_view.OffsetX(), width);
    EXPECT_FALSE(m_view.IsLiveMode());
    EXPECT_EQ(m_view.Trace().size(), static_cast<std::size_t>(width) + 1);
}

// What the detector makes of noise is not drawn as the baby's rate while the run goes on.
TEST_F(ReviewViewTest, TheLiveChartDrawsOnlyWhatTheLiveMarkLetsStand) {
    m_view.OnCaptureOpen();
    QCoreApplication::processEvents();
    const QImage empty = Render(m_view);
    for (int second = 0; second < 20; ++second) {
        m_view.OnHeartRate(second < 10 ? 140 : 214);
    }
    QCoreApplication::processEvents();
    const QRect noise(12, ValueY(Height(), 214) - 3, 7, 7);
    EXPECT_FALSE(AreaEqual(Render(m_view), empty, noise)) << "unmarked seconds are drawn";

    for (int second = 0; second < 20; ++second) {
        m_view.AppendLiveMark(livesignal::LiveSignalValue{
            second < 10 ? livesignal::SignalState::Good : livesignal::SignalState::None,
            livesignal::Hint::None});
    }
    const QImage drawn = Render(m_view);
    EXPECT_TRUE(AreaEqual(drawn, empty, noise));
    EXPECT_FALSE(AreaEqual(drawn, empty, QRect(2, ValueY(Height(), 140) - 1, 6, 3)));
    ASSERT_EQ(m_view.QualityMarks().size(), 20u);
    EXPECT_EQ(m_view.QualityMarks()[15], ratecheck::Mark::NoSignal);

    m_view.OnCaptureOpen();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_view.QualityMarks().empty()) << "a new run starts unmarked";
}

TEST_F(ReviewViewTest, ALongTraceWidensTheChartSoEveryValueCanBeShown) {
    const int width = m_view.viewport()->width();
    const ChartExtent initial = m_view.Extent();
    ASSERT_EQ(initial.width, 3680);
    // A live run past 61 minutes 20 seconds keeps its newest value on the page.
    m_view.OnCaptureOpen();
    for (int i = 0; i < 4000; ++i) {
        m_view.OnHeartRate(140);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(m_view.Extent().width, 4020);
    EXPECT_LE(m_view.OffsetX(), 3999);
    EXPECT_GT(m_view.OffsetX() + width, 3999);
    m_view.OnCaptureClose();
    QCoreApplication::processEvents();

    // A two-hour record scrolls to its last value, by the same steps as before.
    ShowTrace(Flat(7200));
    EXPECT_EQ(m_view.Extent(), (ChartExtent{7260, initial.height, 36, 368}));
    QScrollBar* bar = m_view.horizontalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(m_view.OffsetX(), 7260 - width);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(m_view.OffsetX(), 7260 - width - 368);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    const int last = 7199 - m_view.OffsetX();
    const QImage drawn = Render(m_view);
    const std::vector<std::int32_t> none;
    ShowTrace(none);
    EXPECT_EQ(m_view.Extent(), initial) << "an empty chart is back to its first size";
    EXPECT_EQ(m_view.OffsetX(), 3680 - width) << "the offset is pulled back into the extent";
    ShowTrace(Flat(7200));
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    std::vector<std::int32_t> shorter = Flat(7200);
    shorter.back() = 0;
    ShowTrace(shorter);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_FALSE(ColumnsEqual(drawn, Render(m_view), last)) << "value 7199 is drawn";
    // Minute labels run to the end: the last even minute before 121 stands at 120.
    EXPECT_TRUE(HasColour(drawn, QRect(7200 - 40 - m_view.OffsetX(), 0, 80, Band()), kLabelColour));
}

TEST_F(ReviewViewTest, ADenseSurfaceGetsTheGridAndTraceAtItsOwnResolution) {
    ShowTrace(Flat(600, 150));
    SetOffset(30);
    QImage image(m_view.viewport()->size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        m_view.PaintChart(painter, std::nullopt);
    }
    controls::SkinBitmap tileHolder;
    ASSERT_TRUE(tileHolder.Load(controls::skin::kChartMinuteTile, 2.0));
    const QImage tile =
        QImage(QStringLiteral(":/skin/162@2x.bmp")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(tile.size(), QSize(120, 426));
    // Below the trace the band is the double-size tile, from the offset's place in a minute.
    const int traceRow = 2 * ValueY(Height(), 150);
    for (int y = 2 * Band(); y < 2 * Height(); ++y) {
        if (std::abs(y - traceRow) <= 4) {
            continue;
        }
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(image.pixel(x, y), tile.pixel((x + 60) % 120, y - 2 * Band()))
                << "x " << x << " y " << y;
        }
    }
}

TEST_F(ReviewViewTest, ScrollingUsesTheChartsStepsAndStaysWithinTheExtent) {
    QScrollBar* bar = m_view.horizontalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(m_view.OffsetX(), 368);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m_view.OffsetX(), 404);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(m_view.OffsetX(), 36);

    Wheel(-120);
    EXPECT_EQ(m_view.OffsetX(), 36 + 36 * QApplication::wheelScrollLines());
    Wheel(120);
    EXPECT_EQ(m_view.OffsetX(), 36);

    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    m_view.resize(800, 250);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_view.OffsetX(), m_view.Extent().width - m_view.viewport()->width());
}

TEST_F(ReviewViewTest, ThePointingCursorShowsOverTheTraceOutsideLiveMode) {
    ShowTrace({140});
    MoveMouse(0);
    EXPECT_TRUE(m_view.viewport()->testAttribute(Qt::WA_SetCursor));
    MoveMouse(1);
    EXPECT_FALSE(m_view.viewport()->testAttribute(Qt::WA_SetCursor));

    m_view.OnCaptureOpen();
    m_view.OnHeartRate(140);
    m_view.OnHeartRate(140);
    QCoreApplication::processEvents();
    MoveMouse(0);
    EXPECT_FALSE(m_view.viewport()->testAttribute(Qt::WA_SetCursor));
}

// Collects what the review reports about loads and the view about refused plays.
struct LoadReports {
    LoadReports(ReviewBinding& binding, ReviewView& view) {
        binding.SetLoaded([this](archive::RecordProblem problem) { problems.push_back(problem); });
        QObject::connect(&view, &ReviewView::PlaybackRefused, [this] { ++refused; });
    }
    std::vector<archive::RecordProblem> problems;
    int refused = 0;
};

fs::path MakeRecord(const fs::path& archive,
                    const std::vector<std::pair<std::string, fs::path>>& items) {
    platform::ZipWriter zip;
    EXPECT_TRUE(zip.Create(archive));
    for (const auto& [name, source] : items) {
        EXPECT_TRUE(zip.AddFile(name, source));
    }
    EXPECT_TRUE(zip.Close());
    return archive;
}

class ReviewLoadTest : public ReviewViewTest {
protected:
    void SetUp() override {
        ReviewViewTest::SetUp();
        fs::create_directories(m_sources);
        fs::create_directories(m_work);
        m_previous = fs::current_path();
        fs::current_path(m_work);
        WriteSilentWav(m_sources / "Data.wav", 1);
        WriteTrace(m_sources / "Data.hr", {120, 0, 135});
        m_record = MakeRecord(m_folder.Path() / "record.zip", {{"Data.wav", m_sources / "Data.wav"},
                                                               {"Data.hr", m_sources / "Data.hr"}});
    }
    void TearDown() override { fs::current_path(m_previous); }

    bool Loaded() {
        return QTest::qWaitFor([this] { return !m_view.IsLoading(); }, 10000);
    }
    void Load(const fs::path& archive) { EXPECT_TRUE(m_binding.Load(archive)); }

    fs::path m_sources = m_folder.Path() / "sources";
    fs::path m_work = m_folder.Path() / "work";
    fs::path m_previous;
    fs::path m_record;
    session::WorkingFilesOwner m_files;
    review::ReviewModel m_model{m_work, m_files, jobs::PostTo(&m_view)};
    ReviewBinding m_binding{m_model, m_view};
    LoadReports m_reports{m_binding, m_view};
};

TEST_F(ReviewLoadTest, LoadRecordReplacesTheWorkingFilesAndClearRecordForgetsThem) {
    Load(m_record);
    ASSERT_TRUE(Loaded());
    const std::vector<std::int32_t> loaded = m_view.Trace();
    Load(m_folder.Path() / "missing.zip");
    ASSERT_TRUE(Loaded());

    EXPECT_EQ(loaded, (std::vector<std::int32_t>{120, 0, 135}));
    EXPECT_TRUE(m_view.Trace().empty());
    EXPECT_FALSE(fs::exists(m_work / "Data.hr"));
    EXPECT_EQ(m_reports.problems,
              (std::vector{archive::RecordProblem::None, archive::RecordProblem::Unreadable}));

    ShowTrace({140});
    m_view.ClearRecord();
    EXPECT_TRUE(m_view.Trace().empty());
    EXPECT_FALSE(m_view.IsLiveMode());
}

// Loading never blocks the window; a newer selection wins over one still being unpacked, and
// after a clear the working files are let go once the load has left them, and stay alone.
TEST_F(ReviewLoadTest, NewerLoadSupersedesAndClearStopsTheLoad) {
    WriteTrace(m_sources / "other.hr", {90});
    const fs::path other =
        MakeRecord(m_folder.Path() / "other.zip", {{"Data.hr", m_sources / "other.hr"}});

    Load(m_record);
    EXPECT_TRUE(m_view.IsLoading());
    EXPECT_EQ(m_files.Holder(), session::WorkingFilesHolder::Review);
    Load(other);
    ASSERT_TRUE(Loaded());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_view.Trace(), std::vector<std::int32_t>{90});
    EXPECT_EQ(m_reports.problems, std::vector{archive::RecordProblem::NoAudio});
    EXPECT_FALSE(fs::exists(m_work / "Data.wav"));

    Load(m_record);
    m_binding.Clear();
    const auto leftAfterClear = [this] {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(m_work)) {
            names.push_back(entry.path().filename());
        }
        return names;
    };
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_files.IsFree(); }, 10000));
    const auto left = leftAfterClear();
    QCoreApplication::processEvents();
    EXPECT_EQ(leftAfterClear(), left);
    EXPECT_FALSE(m_view.IsLoading());
    EXPECT_TRUE(m_view.Trace().empty());
    EXPECT_EQ(m_reports.problems.size(), 1U);
}

// A play asked for while loading waits for the record; audio that is no playable WAV file is
// refused with a report instead of silence.
TEST_F(ReviewLoadTest, PlayIsRefusedForAudioThatCannotPlay) {
    std::string header(44, '\0');
    header.replace(0, 4, "RIFF");
    header.replace(8, 8, "WAVEfmt ");
    header[16] = 16;  // a format chunk of 16 bytes that says 0 channels
    header[20] = 1;
    header.replace(36, 4, "data");
    std::ofstream(m_sources / "zero.wav", std::ios::binary) << header;
    std::ofstream(m_sources / "garbage.wav", std::ios::binary) << "not a sound at all";
    for (const char* source : {"zero.wav", "garbage.wav"}) {
        SCOPED_TRACE(source);
        const fs::path archive =
            MakeRecord(m_folder.Path() / (std::string(source) + ".zip"),
                       {{"Data.wav", m_sources / source}, {"Data.hr", m_sources / "Data.hr"}});
        m_reports.refused = 0;
        Load(archive);
        m_view.StartPlayback(0);
        EXPECT_EQ(m_reports.refused, 0);
        ASSERT_TRUE(Loaded());
        EXPECT_EQ(m_reports.refused, 1);
        EXPECT_FALSE(m_view.IsPlaying());
        m_view.StartPlayback(1);
        EXPECT_EQ(m_reports.refused, 2);
    }
}

// Real playback through a private sound server.
class ReviewPlaybackTest : public ReviewViewTest {
protected:
    static void SetUpTestSuite() { s_pulse = marulo::testing::PrivatePulseAudio::Start(s_whyNot); }
    static void TearDownTestSuite() { s_pulse.reset(); }

    void SetUp() override {
        if (!s_pulse) {
            GTEST_SKIP() << s_whyNot;
        }
        ReviewViewTest::SetUp();
        const fs::path audio = m_folder.Path() / "Data.wav";
        const fs::path trace = m_folder.Path() / "Data.hr";
        WriteSilentWav(audio, 4);
        WriteTrace(trace, Flat(4));
        m_view.SetRecordFiles(audio.string(), trace.string());
        m_view.SetPlaybackListener(&m_listener);
    }

    static inline std::unique_ptr<marulo::testing::PrivatePulseAudio> s_pulse;
    static inline std::string s_whyNot;
    RecordingListener m_listener;
};

TEST_F(ReviewPlaybackTest, AClickPlaysAndAReplacedPlayDoesNotEndPlayback) {
    Click(2);
    ASSERT_TRUE(m_view.IsPlaying());
    EXPECT_EQ(m_view.PlayingSecond(), 2);
    Click(0);
    EXPECT_TRUE(m_view.IsPlaying());
    EXPECT_EQ(m_view.PlayingSecond(), 0) << "a click at second 0 plays from the beginning";
    // The replaced play's end notice has long come once the new one is a second in.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return m_view.PlayingSecond() >= 1 || m_listener.stopped > 0; }, 10000));
    EXPECT_EQ(m_listener.started, 2);
    EXPECT_EQ(m_listener.stopped, 0);
    EXPECT_TRUE(m_view.IsPlaying());

    ASSERT_TRUE(QTest::qWaitFor([this] { return m_listener.stopped > 0; }, 15000));
    EXPECT_EQ(m_listener.stopped, 1);
    EXPECT_FALSE(m_view.IsPlaying());
    EXPECT_EQ(m_listener.started, 2);
}

TEST_F(ReviewPlaybackTest, ClicksDoNothingWhileLive) {
    m_view.OnCaptureOpen();
    m_view.OnHeartRate(140);
    QCoreApplication::processEvents();
    Click(0);
    EXPECT_FALSE(m_view.IsPlaying());
    EXPECT_EQ(m_listener.started, 0);
    m_view.OnCaptureClose();
    QCoreApplication::processEvents();
    Click(0);
    EXPECT_TRUE(m_view.IsPlaying());
}

TEST_F(ReviewPlaybackTest, AReplayThatCannotStartTellsTheListenerPlaybackStopped) {
    Click(1);
    ASSERT_TRUE(m_view.IsPlaying());
    fs::remove(m_folder.Path() / "Data.wav");
    Click(0);
    EXPECT_FALSE(m_view.IsPlaying());
    EXPECT_EQ(m_listener.started, 1);
    EXPECT_EQ(m_listener.stopped, 1);
}

TEST_F(ReviewPlaybackTest, StopPlaybackTellsTheListenerOnce) {
    m_view.StartPlayback(0);
    ASSERT_TRUE(m_view.IsPlaying());
    m_view.StopPlayback();
    m_view.StopPlayback();
    // A late notice of the stopped play would be a second stop.
    EXPECT_FALSE(QTest::qWaitFor([this] { return m_listener.stopped > 1; }, 300));
    EXPECT_FALSE(m_view.IsPlaying());
    EXPECT_EQ(m_listener.started, 1);
    EXPECT_EQ(m_listener.stopped, 1);
}

TEST_F(ReviewPlaybackTest, ClearingTheRecordEndsItsPlaybackOnce) {
    for (const int second : {0, 2}) {
        SCOPED_TRACE(second);
        m_listener = {};
        m_view.SetRecordFiles((m_folder.Path() / "Data.wav").string(),
                              (m_folder.Path() / "Data.hr").string());
        m_view.StartPlayback(second);
        ASSERT_TRUE(m_view.IsPlaying());
        m_view.ClearRecord();
        EXPECT_FALSE(m_view.IsPlaying());
        EXPECT_EQ(m_listener.stopped, 1);
        EXPECT_FALSE(QTest::qWaitFor([this] { return m_listener.stopped > 1; }, 300));
        m_view.StopPlayback();
        EXPECT_EQ(m_listener.started, 1);
        EXPECT_EQ(m_listener.stopped, 1);
    }
}

}  // namespace
}  // namespace marulo::views
