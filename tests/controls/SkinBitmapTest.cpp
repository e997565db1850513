// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/SkinBitmap.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "controls/WindowLayout.h"

namespace marulo::controls {
namespace {

QImage SourceBitmap(int number) {
    return QImage(QStringLiteral(MARULO_SKIN_DIR "/%1.bmp").arg(number))
        .convertToFormat(QImage::Format_RGB32);
}

std::uint32_t LittleEndian(const QByteArray& bytes, int offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    }
    return value;
}

struct SkinEntry {
    int number;
    int width;
    int height;
    int dibBytes;
    // Where the bitmap lies on the face, when it is copied over it (its ground must match).
    std::optional<QPoint> onFace;
    // Otherwise the colour of the surface it is painted over; grids are that surface themselves.
    std::optional<QRgb> ground;
};

constexpr QRgb kWhite = 0xFFFFFFFF;

const SkinEntry kSkin[] = {
    {skin::kCloseButton, 20, 21, 1300, ControlRect(kCloseButtonId).topLeft(), std::nullopt},
    {skin::kMonitorStartButton, 100, 100, 30040, ControlRect(kMonitorButtonId).topLeft(),
     std::nullopt},
    {skin::kMonitorGrid, 411, 181, 223756, std::nullopt, std::nullopt},
    {skin::kMonitorSaveButton, 100, 100, 30040, ControlRect(kMonitorButtonId).topLeft(),
     std::nullopt},
    {skin::kProfilePanel, 341, 133, 136232, ControlRect(kMotherListButtonId).topLeft(),
     std::nullopt},
    {skin::kRecordSelectionFrame, 147, 56, 24904, std::nullopt, kWhite},
    {skin::kRecordHeart, 39, 32, 3880, std::nullopt, kWhite},
    {skin::kStopButton, 47, 48, 6952, ControlRect(kPlayButtonId).topLeft(), std::nullopt},
    {skin::kPlayButton, 47, 48, 6952, ControlRect(kPlayButtonId).topLeft(), std::nullopt},
    {skin::kVolumeThumb, 11, 21, 796, std::nullopt, kWhite},
    {skin::kVolumeChannel, 107, 21, 6844, std::nullopt, kWhite},
    {skin::kSelectedMotherIcon, 27, 33, 2812, std::nullopt, qRgb(119, 190, 249)},
    {skin::kMotherIcon, 27, 33, 2812, std::nullopt, kWhite},
    {skin::kChartMinuteTile, 60, 213, 38380, std::nullopt, std::nullopt},
    {skin::kMutedSpeaker, 29, 29, 2592, ControlRect(kMuteButtonId).topLeft(), std::nullopt},
    {skin::kSoundingSpeaker, 29, 29, 2592, ControlRect(kMuteButtonId).topLeft(), std::nullopt},
    {skin::kMinimizeButton, 20, 21, 1300, ControlRect(kMinimizeButtonId).topLeft(), std::nullopt},
    {skin::kWindowFace, 898, 627, 1690432, std::nullopt, std::nullopt},
    {skin::kCalendarButton, 27, 28, 2392, std::nullopt, qRgb(246, 239, 255)},
};

TEST(SkinBitmap, EveryBitmapLoadsAtItsSize) {
    for (const SkinEntry& entry : kSkin) {
        SCOPED_TRACE(entry.number);
        SkinBitmap bitmap;
        EXPECT_TRUE(bitmap.Load(entry.number));
        EXPECT_TRUE(bitmap.IsLoaded());
        EXPECT_EQ(bitmap.Size(), QSize(entry.width, entry.height));
    }
}

TEST(SkinBitmap, DenseScreensGetTheDoubleSizeDrawingAtTheSameLogicalSize) {
    for (const SkinEntry& entry : kSkin) {
        SCOPED_TRACE(entry.number);
        const QImage doubled(QStringLiteral(MARULO_SKIN_DIR "/%1@2x.bmp").arg(entry.number));
        EXPECT_EQ(doubled.size(), QSize(2 * entry.width, 2 * entry.height));
        for (const qreal ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
            SkinBitmap bitmap;
            ASSERT_TRUE(bitmap.Load(entry.number, ratio));
            EXPECT_EQ(bitmap.Size(), QSize(entry.width, entry.height)) << ratio;
            EXPECT_EQ(bitmap.DevicePixelRatio(), ratio >= 1.5 ? 2.0 : 1.0) << ratio;
        }
    }
    // On a 2x surface the double-size drawing lands pixel for pixel, at the logical point.
    SkinBitmap sheet;
    ASSERT_TRUE(sheet.Load(skin::kCalendarButton, 2.0));
    QImage surface(80, 80, QImage::Format_RGB32);
    surface.setDevicePixelRatio(2.0);
    surface.fill(Qt::black);
    QPainter painter(&surface);
    sheet.DrawAt(painter, QPoint(3, 4));
    painter.end();
    const QImage doubled =
        QImage(QStringLiteral(MARULO_SKIN_DIR "/202@2x.bmp")).convertToFormat(QImage::Format_RGB32);
    QImage landed = surface.copy(6, 8, 54, 56);
    landed.setDevicePixelRatio(1.0);
    EXPECT_EQ(landed, doubled);
    EXPECT_EQ(surface.pixel(5, 8), qRgb(0, 0, 0));
}

TEST(SkinBitmap, CommittedFilesAreUncompressedBottomUp24BitDibs) {
    for (const SkinEntry& entry : kSkin) {
        SCOPED_TRACE(entry.number);
        QFile file(QStringLiteral(MARULO_SKIN_DIR "/%1.bmp").arg(entry.number));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        ASSERT_GE(bytes.size(), 54);
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        EXPECT_EQ(LittleEndian(bytes, 2, 4), static_cast<std::uint32_t>(bytes.size()));
        EXPECT_EQ(LittleEndian(bytes, 10, 4), 54u);
        EXPECT_EQ(bytes.size() - 14, entry.dibBytes);
        EXPECT_EQ(LittleEndian(bytes, 14, 4), 40u);
        EXPECT_EQ(LittleEndian(bytes, 18, 4), static_cast<std::uint32_t>(entry.width));
        EXPECT_EQ(LittleEndian(bytes, 22, 4), static_cast<std::uint32_t>(entry.height));
        EXPECT_EQ(LittleEndian(bytes, 26, 2), 1u);
        EXPECT_EQ(LittleEndian(bytes, 28, 2), 24u);
        EXPECT_EQ(LittleEndian(bytes, 30, 4), 0u);
        EXPECT_EQ(LittleEndian(bytes, 34, 4), static_cast<std::uint32_t>(entry.dibBytes - 40));
    }
}

// Copies are plain, so every corner must already show what lies under the bitmap.
TEST(SkinBitmap, CornersMatchTheSurfaceUnderneath) {
    const QImage face = SourceBitmap(skin::kWindowFace);
    for (const SkinEntry& entry : kSkin) {
        if (!entry.onFace && !entry.ground) {
            continue;
        }
        SCOPED_TRACE(entry.number);
        const QImage image = SourceBitmap(entry.number);
        for (const QPoint corner :
             {QPoint(0, 0), QPoint(entry.width - 1, 0), QPoint(0, entry.height - 1),
              QPoint(entry.width - 1, entry.height - 1)}) {
            const QRgb expected = entry.onFace ? face.pixel(*entry.onFace + corner) : *entry.ground;
            EXPECT_EQ(image.pixel(corner), expected) << corner.x() << "," << corner.y();
        }
    }
    // The portrait button repeats the face where it lies, so pressing it changes nothing.
    EXPECT_EQ(SourceBitmap(skin::kProfilePanel),
              face.copy(QRect(ControlRect(kMotherListButtonId).topLeft(), QSize(341, 133))));
}

TEST(SkinBitmap, UnknownNumberLeavesTheHolderEmptyAndDrawsNothing) {
    QImage canvas(40, 40, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    for (const int number : {0, -1, 129, 144, 203, 100000}) {
        SCOPED_TRACE(number);
        SkinBitmap bitmap;
        ASSERT_TRUE(bitmap.Load(skin::kRecordHeart));
        EXPECT_FALSE(bitmap.Load(number));
        EXPECT_FALSE(bitmap.IsLoaded());
        EXPECT_TRUE(bitmap.Size().isEmpty());
        QPainter painter(&canvas);
        bitmap.DrawAt(painter, QPoint(0, 0));
        bitmap.DrawCentred(painter, QRect(0, 0, 40, 40));
    }
    QImage black(40, 40, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(canvas, black);
}

TEST(SkinBitmap, ReleaseEmptiesAndIsHarmlessTwice) {
    SkinBitmap empty;
    empty.Release();
    EXPECT_FALSE(empty.IsLoaded());

    SkinBitmap bitmap;
    ASSERT_TRUE(bitmap.Load(skin::kVolumeThumb));
    bitmap.Release();
    bitmap.Release();
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_TRUE(bitmap.Size().isEmpty());
}

TEST(SkinBitmap, DrawAtCopiesTheWholeBitmapClippedOnlyByTheDevice) {
    SkinBitmap portrait;
    ASSERT_TRUE(portrait.Load(skin::kProfilePanel));
    QImage control(130, 130, QImage::Format_RGB32);
    control.fill(Qt::black);
    QPainter painter(&control);
    portrait.DrawAt(painter, QPoint(0, 0));
    painter.end();
    EXPECT_EQ(control, SourceBitmap(skin::kProfilePanel).copy(0, 0, 130, 130));
}

TEST(SkinBitmap, DrawAtIgnoresThePainterBlendMode) {
    SkinBitmap heart;
    ASSERT_TRUE(heart.Load(skin::kRecordHeart));
    QImage canvas(39, 32, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    heart.DrawAt(painter, QPoint(0, 0));
    EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_Plus);
    painter.end();
    EXPECT_EQ(canvas, SourceBitmap(skin::kRecordHeart));
}

// The halvings truncate toward zero, also for negative sums and odd sizes.
TEST(SkinBitmap, DrawCentredPlacesTheTopLeftCorner) {
    struct Case {
        int number;
        QRect rect;
        QPoint topLeft;
    };
    const Case cases[] = {
        {skin::kVolumeThumb, QRect(0, 0, 20, 20), QPoint(5, 0)},
        {skin::kVolumeThumb, QRect(0, 0, 21, 21), QPoint(5, 0)},
        {skin::kVolumeThumb, QRect(-10, -9, 3, 2), QPoint(-13, -18)},
        {skin::kProfilePanel, QRect(0, 0, 130, 130), QPoint(-105, -1)},
        {skin::kCalendarButton, QRect(316, 142, 27, 26), QPoint(316, 141)},
        {skin::kVolumeChannel, QRect(99, 45, 5, 5), QPoint(48, 37)},
    };
    const QPoint origin(450, 350);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        SkinBitmap bitmap;
        ASSERT_TRUE(bitmap.Load(c.number));
        QImage canvas(1000, 800, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        painter.translate(origin);
        bitmap.DrawCentred(painter, c.rect);
        painter.end();
        const QImage expected = SourceBitmap(c.number);
        const QPoint at = origin + c.topLeft;
        EXPECT_EQ(canvas.copy(QRect(at, expected.size())), expected);
        EXPECT_EQ(canvas.pixel(at - QPoint(1, 1)), qRgb(0, 0, 0));
        EXPECT_EQ(canvas.pixel(at + QPoint(expected.width(), expected.height())), qRgb(0, 0, 0));
    }
}

TEST(SkinBitmap, CachedHoldersLoadOnceAndStay) {
    const SkinBitmap& grid = CachedSkinBitmap(skin::kChartMinuteTile);
    EXPECT_EQ(&grid, &CachedSkinBitmap(skin::kChartMinuteTile));
    EXPECT_EQ(grid.Size(), QSize(60, 213));
    EXPECT_FALSE(CachedSkinBitmap(129).IsLoaded());
}

TEST(SkinBitmap, PointingCursorHotspotIsOnTheFingertip) {
    const QCursor cursor = PointingCursor();
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    ASSERT_TRUE(image.rect().contains(cursor.hotSpot()));
    EXPECT_GT(qAlpha(image.pixel(cursor.hotSpot())), 0);
    // The tip is the top of the hand.
    int firstDrawnRow = -1;
    for (int y = 0; y < 32 && firstDrawnRow < 0; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                firstDrawnRow = y;
                break;
            }
        }
    }
    EXPECT_LE(std::abs(firstDrawnRow - cursor.hotSpot().y()), 1);
}

TEST(SkinBitmap, ApplicationIconHasEverySize) {
    const QIcon icon = ApplicationIcon();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QPixmap pixmap = icon.pixmap(QSize(size, size));
        EXPECT_EQ(pixmap.size(), QSize(size, size));
        // Transparent at the corner, the heart in the middle.
        const QImage image = pixmap.toImage();
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255);
    }
}

}  // namespace
}  // namespace marulo::controls
