// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/ConfigFiles.h"
#include "app/Fonts.h"
#include "app/WorkFolder.h"
#include "archive/RecordItemTexts.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "tests/support/TempFolder.h"

namespace marulo::controls {
namespace {

namespace fs = std::filesystem;

const QColor kBackdrop(1, 2, 3);
const QColor kWhite(255, 255, 255);
constexpr int kItemWidth = 180;
// Recorded ten days before the EDC: an age line is shown.
const std::string kWithAge = "Anna_20100512_20100502093000000.zip";
// Recorded a day after the EDC: no age line.
const std::string kAfterEdc = "Anna_20100512_20100513093000000.zip";

QImage Bitmap(int number) {
    SkinBitmap resourcesReady;
    resourcesReady.Load(number);
    return QImage(QStringLiteral(":/skin/%1.bmp").arg(number))
        .convertToFormat(QImage::Format_RGB32);
}

// The rows of a region holding at least one pixel that passes the test.
struct RowSpan {
    std::optional<int> first;
    std::optional<int> last;
};

template <typename Test>
RowSpan RowsWhere(const QImage& image, const QRect& region, Test test) {
    RowSpan span;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            if (test(QColor(image.pixel(x, y)))) {
                if (!span.first) {
                    span.first = y;
                }
                span.last = y;
                break;
            }
        }
    }
    return span;
}

bool Dark(const QColor& c) {
    return c.red() < 100 && c.green() < 100 && c.blue() < 100;
}
bool Bluish(const QColor& c) {
    return c.blue() > c.red() + 40 && c.blue() < 250;
}

class RecordListDrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(m_folder / "Conf.ini")
            << "[Message]\nWeekTitle=w\nDayTitle=d\nAm=AM\nPm=PM\n[Font]\nName=DejaVu Sans\n"
               "Size=9\n";
        app::SetConfigFolderForTesting(app::FolderLocation{"", m_folder.Path().string() + "/"});
        app::ResetUiFonts();
    }
    void TearDown() override {
        app::ResetUiFonts();
        app::SetConfigFolderForTesting(std::nullopt);
    }

    static QImage DrawItem(const QRect& itemRect, QSize canvas, int index, bool selected,
                           const std::string& text,
                           const std::optional<archive::RecordSummary>& summary = std::nullopt) {
        QImage image(canvas, QImage::Format_RGB32);
        image.fill(kBackdrop);
        QPainter painter(&image);
        DrawRecordItem(painter, itemRect, index, selected,
                       RecordItemViewOf(archive::ReadRecordIdentity(text), summary, UiLocale()));
        return image;
    }

    testing::TempFolder m_folder{"items"};
};

TEST_F(RecordListDrawingTest, FrameOnlyWhenSelectedAndHeartCentredInTheLeftSquare) {
    const QImage frame = Bitmap(150);
    const QImage heart = Bitmap(151);
    ASSERT_EQ(frame.size(), QSize(147, 56));
    ASSERT_EQ(heart.size(), QSize(39, 32));
    // The second item of a list, so that every place must follow the item's own rectangle.
    const QRect item(0, 56, kItemWidth, 56);
    const QPoint heartAt(9, 56 + 12);
    const QRect heartBox(heartAt, heart.size());
    for (const bool selected : {false, true}) {
        SCOPED_TRACE(selected);
        const QImage image = DrawItem(item, {kItemWidth, 112}, 1, selected, kWithAge);
        for (int y = 0; y < 56; ++y) {
            ASSERT_EQ(QColor(image.pixel(0, y)), kBackdrop) << "outside the item, row " << y;
        }
        // The strip left of the text holds the frame (or white) and the heart.
        for (int y = item.top(); y <= item.bottom(); ++y) {
            for (int x = 0; x < 52; ++x) {
                const QPoint p(x, y);
                const QRgb expected = heartBox.contains(p) ? heart.pixel(p - heartAt)
                                      : selected           ? frame.pixel(x, y - item.top())
                                                           : kWhite.rgb();
                ASSERT_EQ(image.pixel(p), expected) << x << "," << y;
            }
        }
    }
}

bool Greenish(const QColor& c) {
    return c.green() > c.red() + 60 && c.green() > c.blue() + 40;
}

// Three lines: when it began (dark), age and duration (blue), and the confirmed share as a green
// bar; a record without a heartbeat is grey, its heart faded, and has no bar.
TEST_F(RecordListDrawingTest, WhenAboveAgeAndDurationAboveTheShare) {
    const QRect item(0, 0, kItemWidth, 56);
    const QRect when(52, 0, kItemWidth - 52, 20);
    const QRect detail(52, 20, kItemWidth - 52, 17);
    const QRect mark(52, 37, kItemWidth - 52, 19);
    const archive::RecordSummary heard{600, true, archive::SoundCheck::Checked, 540};
    const archive::RecordSummary silent{600, false, archive::SoundCheck::Checked, 0};
    const struct {
        const char* what;
        std::string file;
        std::optional<archive::RecordSummary> summary;
        bool detail;
        bool bar;
        bool grey;
    } cases[] = {
        {"heard", kWithAge, heard, true, true, false},
        {"no heartbeat", kWithAge, silent, false, false, true},
        {"after the EDC, not yet known", kAfterEdc, std::nullopt, false, false, false},
    };
    const QImage heart = Bitmap(151);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage image = DrawItem(item, {kItemWidth, 56}, 0, false, c.file, c.summary);
        EXPECT_EQ(RowsWhere(image, when, Dark).first.has_value(), !c.grey);
        EXPECT_EQ(RowsWhere(image, detail, Bluish).first.has_value(), c.detail);
        EXPECT_EQ(RowsWhere(image, mark, Greenish).first.has_value(), c.bar);
        EXPECT_EQ(image.copy(QRect(QPoint(9, 12), heart.size())) == heart, !c.grey);
    }
}

TEST_F(RecordListDrawingTest, NoItemDrawsNothing) {
    const QImage image = DrawItem({0, 0, kItemWidth, 56}, {kItemWidth, 56}, -1, true, kWithAge);
    QImage untouched(image.size(), QImage::Format_RGB32);
    untouched.fill(kBackdrop);
    EXPECT_EQ(image, untouched);
}

TEST_F(RecordListDrawingTest, DelegateDrawsEachItemsRecordInFiftySixPixelItems) {
    RecordListDelegate delegate;
    QListWidget list;
    list.setItemDelegate(&delegate);
    list.setFrameShape(QFrame::NoFrame);
    list.resize(kItemWidth, 200);
    for (const std::string& file : {kWithAge, kAfterEdc}) {
        // The shown text is not what is painted: the record the item carries is.
        auto* item = new QListWidgetItem(QStringLiteral("?"), &list);
        item->setData(kRecordIdentityRole, QVariant::fromValue(archive::ReadRecordIdentity(file)));
    }
    list.show();
    EXPECT_EQ(list.visualItemRect(list.item(1)).top(), 56);
    EXPECT_EQ(list.visualItemRect(list.item(1)).height(), 56);
    const QImage shown = list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.copy(0, 0, kItemWidth, 56),
              DrawItem({0, 0, kItemWidth, 56}, {kItemWidth, 56}, 0, false, kWithAge));
}

// Bounding box of the caption's pixels.
QRect CaptionBox(const QImage& image, const QColor& background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) != background) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

TEST_F(RecordListDrawingTest, TextPanelCaptionMovesOnePixelWhileHeld) {
    const QColor pink(255, 204, 255);
    QImage shown[2];
    for (const bool pressed : {false, true}) {
        QImage& image = shown[pressed ? 1 : 0];
        image = QImage(120, 18, QImage::Format_RGB32);
        image.fill(kBackdrop);
        QPainter painter(&image);
        DrawTextPanel(painter, image.rect(), pressed, QStringLiteral("User guide"));
    }
    const QRect released = CaptionBox(shown[0], pink);
    const QRect held = CaptionBox(shown[1], pink);
    ASSERT_FALSE(released.isEmpty());
    EXPECT_EQ(held, released.translated(1, 1));
    // Outside the caption the whole panel is pink.
    EXPECT_EQ(QColor(shown[0].pixel(0, 0)), pink);
    EXPECT_EQ(QColor(shown[1].pixel(119, 17)), pink);
}

}  // namespace
}  // namespace marulo::controls
