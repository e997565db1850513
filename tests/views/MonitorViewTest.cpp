// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/MonitorView.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/RecordSaveListener.h"
#include "app/ConfigFiles.h"
#include "app/Fonts.h"
#include "app/WorkFolder.h"
#include "tests/support/TempFolder.h"

namespace marulo::views {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFontSection = "[Font]\nName=DejaVu Sans\nSize=9\nHrSize=26\n";

std::vector<std::uint8_t> SilentBlock() {
    return std::vector<std::uint8_t>(1600, 128);
}

std::vector<std::uint8_t> SawtoothBlock() {
    std::vector<std::uint8_t> block(1600);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>((i / 2) * 5 % 256);
    }
    return block;
}

QImage Render(const MonitorView& view, bool capturing) {
    QImage image(MonitorView::kClientSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    view.Paint(painter, capturing);
    return image;
}

// The bounding box of the pixels in which two images of one size differ.
QRect Difference(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Each test runs in a folder of its own that is also the configuration folder.
class MonitorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        app::SetConfigFolderForTesting(app::FolderLocation{"", m_dir.Path().string() + "/"});
        WriteConfig("[Message]\nHeartMark=HR\nBpm=bpm\n");
    }
    void TearDown() override {
        app::SetConfigFolderForTesting(std::nullopt);
        app::ResetUiFonts();
    }

    void WriteConfig(const std::string& messages) {
        std::ofstream(m_dir / "Conf.ini") << messages << kFontSection;
        app::ResetUiFonts();
    }

    testing::TempFolder m_dir{"monitor", testing::TempFolder::Current::Enter};
};

TEST_F(MonitorViewTest, WithoutCaptureOnlyTheBackgroundIsDrawn) {
    const MonitorView fresh(nullptr);
    MonitorView fed(nullptr);
    fed.ShowBlock(SawtoothBlock());
    fed.ShowRate(135);

    const QImage background = Render(fresh, false);
    EXPECT_EQ(Render(fed, false), background);
    EXPECT_NE(Render(fed, true), background);
    // The view itself draws no line until it is told a run captures.
    EXPECT_EQ(fed.grab().toImage().convertToFormat(QImage::Format_ARGB32), background);
    fed.SetCapturing(true);
    EXPECT_EQ(fed.grab().toImage().convertToFormat(QImage::Format_ARGB32), Render(fed, true));
}

TEST_F(MonitorViewTest, SilentInputDrawsAFlatLineAlongTheMiddleRow) {
    MonitorView view(nullptr);
    view.ShowBlock(SilentBlock());
    view.ShowRate(0);
    const QImage background = Render(view, false);
    const QImage line = Render(view, true);

    const QRect changed = Difference(background, line);
    EXPECT_GE(changed.top(), 90);
    EXPECT_LE(changed.bottom(), 91);
    EXPECT_LE(changed.left(), 1);
    EXPECT_GE(changed.right(), 329);
    const QColor middle = line.pixelColor(165, 91);
    EXPECT_GT(middle.red(), middle.green());
    EXPECT_GT(middle.red(), middle.blue());
}

TEST_F(MonitorViewTest, RateIsDrawnOnlyAboveZeroWithItsMarkAndUnit) {
    MonitorView view(nullptr);
    view.ShowBlock(SilentBlock());
    view.SetLiveSignal(livesignal::LiveSignalValue{livesignal::SignalState::Good, {}});
    const auto renderRate = [&](std::int32_t rate) {
        view.ShowRate(rate);
        return Render(view, true);
    };
    const QImage noRate = renderRate(0);
    EXPECT_EQ(renderRate(-1), noRate);

    const QFontMetrics metrics(app::HeartRateFont());
    const int numberEnd = 5 + metrics.horizontalAdvance("135");
    const int markTop = 5;
    const int unitTop = 5 + metrics.height() / 2;
    const int unitBottom = 5 + metrics.height();

    const QImage withTexts = renderRate(135);
    const QRect all = Difference(noRate, withTexts);
    EXPECT_GE(all.left(), 5);
    EXPECT_LE(all.left(), 12);
    EXPECT_GE(all.top(), markTop);
    EXPECT_LT(all.bottom(), unitBottom);

    // Present but empty: a missing key would fall back to the built-in English text.
    WriteConfig("[Message]\nHeartMark=\nBpm=\n");
    const QImage numberAlone = renderRate(135);
    const QRect number = Difference(noRate, numberAlone);
    EXPECT_FALSE(number.isEmpty());
    EXPECT_LE(number.right(), numberEnd);

    // The mark fills the upper half beside the number, the unit the lower half.
    const QRect texts = Difference(numberAlone, withTexts);
    EXPECT_GT(texts.left(), numberEnd);
    const QRect markBand(0, markTop, withTexts.width(), unitTop - markTop);
    const QRect unitBand(0, unitTop, withTexts.width(), unitBottom - unitTop);
    EXPECT_FALSE(Difference(numberAlone.copy(markBand), withTexts.copy(markBand)).isEmpty());
    EXPECT_FALSE(Difference(numberAlone.copy(unitBand), withTexts.copy(unitBand)).isEmpty());
}

// The live mark sits at the right end of the number's upper half and its hint under the number,
// only while capturing; no value draws neither.
TEST_F(MonitorViewTest, LiveMarkBesideTheNumberAndItsHintUnderItOnlyWhileCapturing) {
    using livesignal::Hint;
    using livesignal::SignalState;
    WriteConfig("[Message]\nHeartMark=HR\nBpm=bpm\nLiveMarkWeak=weak\nLiveHintMaternal=move\n");
    MonitorView view(nullptr);
    view.ShowBlock(SilentBlock());
    view.ShowRate(135);
    const QImage plain = Render(view, true);
    const QImage idle = Render(view, false);

    view.SetLiveSignal(livesignal::LiveSignalValue{SignalState::Weak, Hint::None});
    const QImage withMark = Render(view, true);
    EXPECT_EQ(Render(view, false), idle);
    const int numberHeight = QFontMetrics(app::HeartRateFont()).height();
    const QRect mark = Difference(plain, withMark);
    EXPECT_GT(mark.left(), MonitorView::kClientSize.width() / 2);
    EXPECT_GE(mark.right(), MonitorView::kClientSize.width() - 8);
    EXPECT_GE(mark.top(), 5);
    EXPECT_LE(mark.bottom(), 5 + numberHeight / 2);

    view.SetLiveSignal(livesignal::LiveSignalValue{SignalState::Weak, Hint::MaternalPulse});
    const QRect hint = Difference(withMark, Render(view, true));
    EXPECT_LE(hint.left(), 5);
    EXPECT_GE(hint.top(), 5 + numberHeight);
    EXPECT_LT(hint.bottom(), MonitorView::kClientSize.height() / 2 + numberHeight);

    view.SetLiveSignal(std::nullopt);
    EXPECT_EQ(Render(view, true), plain);
}

// The number is the baby's only while the mark says so: none without a signal, grey and smaller
// while weak or not yet judged; a screen reader hears the same.
TEST_F(MonitorViewTest, TheNumberFollowsTheLiveMark) {
    using livesignal::SignalState;
    WriteConfig(
        "[Message]\nHeartMark=HR\nBpm=bpm\nLiveMarkGood=good\nLiveMarkWeak=weak\n"
        "LiveMarkNone=none\nSpokenBpm=%1 bpm\nSpokenDoubtfulBpm=doubtful %1 bpm\n"
        "SpokenNoHeartbeat=no heartbeat heard\nSpokenNoRate=no rate\n");
    const QRect numberRow(0, 0, 120, QFontMetrics(app::HeartRateFont()).height() + 5);
    const auto numberPixels = [&](const QImage& image, const QImage& without) {
        struct {
            int changed = 0;
            int dark = 0;
            int right = 0;
        } found;
        for (int y = numberRow.top(); y <= numberRow.bottom(); ++y) {
            for (int x = numberRow.left(); x <= numberRow.right(); ++x) {
                if (image.pixel(x, y) == without.pixel(x, y)) {
                    continue;
                }
                ++found.changed;
                found.right = std::max(found.right, x);
                found.dark += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
            }
        }
        return found;
    };
    const struct {
        const char* name;
        std::optional<SignalState> state;
        std::int32_t rate;
        RateLook look;
        const char* spoken;
    } cases[] = {
        {"good", SignalState::Good, 214, RateLook::Plain, "214 bpm, good"},
        {"weak", SignalState::Weak, 214, RateLook::SetApart, "doubtful 214 bpm, weak"},
        {"not yet judged", std::nullopt, 214, RateLook::SetApart, "doubtful 214 bpm"},
        {"no signal", SignalState::None, 214, RateLook::Hidden, "no heartbeat heard, none"},
        {"no rate", SignalState::Good, 0, RateLook::Hidden, "no rate, good"},
    };
    int plainRight = 0;
    for (const auto& c : cases) {
        MonitorView view(nullptr);
        view.ShowBlock(SilentBlock());
        if (c.state) {
            view.SetLiveSignal(livesignal::LiveSignalValue{*c.state, {}});
        }
        view.ShowRate(0);
        const QImage without = Render(view, true);
        view.ShowRate(c.rate);
        const auto found = numberPixels(Render(view, true), without);

        EXPECT_EQ(view.Shown().look, c.look) << c.name;
        EXPECT_EQ(view.Shown().rate, c.look == RateLook::Hidden ? 0 : c.rate) << c.name;
        EXPECT_EQ(view.SpokenValue().toStdString(), c.spoken) << c.name;
        switch (c.look) {
            case RateLook::Hidden:
                EXPECT_EQ(found.changed, 0) << c.name;
                break;
            case RateLook::Plain:
                EXPECT_GT(found.dark, 20) << c.name;
                plainRight = found.right;
                break;
            case RateLook::SetApart:
                EXPECT_GT(found.changed, 20) << c.name;
                EXPECT_EQ(found.dark, 0) << c.name << ": grey, not black";
                EXPECT_LT(found.right, plainRight) << c.name << ": smaller";
                break;
        }
    }
}

}  // namespace
}  // namespace marulo::views
