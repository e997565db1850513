// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace marulo::controls {

// Fingertip of the pointing cursor 106, in its 32 x 32 image.
inline constexpr QPoint PointingCursorHotspot{10, 1};

// From this device pixel ratio on, the skin is taken from its double-size drawings.
inline constexpr qreal kDoubleSizeSkinRatio = 1.5;

// Holds one numbered skin bitmap from the resources and copies it unscaled onto a painter: one
// bitmap pixel per logical pixel, drawn from the double-size bitmap on dense screens.
class SkinBitmap {
public:
    SkinBitmap() = default;
    SkinBitmap(const SkinBitmap&) = delete;
    SkinBitmap& operator=(const SkinBitmap&) = delete;
    SkinBitmap(SkinBitmap&&) noexcept = default;
    SkinBitmap& operator=(SkinBitmap&&) noexcept = default;
    virtual ~SkinBitmap();

    // Loads `:/skin/<number>.bmp`, or `:/skin/<number>@2x.bmp` for a device pixel ratio of
    // kDoubleSizeSkinRatio or more (by default the application's highest); an unknown number
    // leaves the holder empty.
    bool Load(int number);
    bool Load(int number, qreal devicePixelRatio);
    void Release();
    bool IsLoaded() const;
    // In logical pixels, whichever drawing was loaded.
    QSize Size() const;
    qreal DevicePixelRatio() const { return m_image.devicePixelRatio(); }

    // Plain copy of the whole bitmap with its top-left corner at `topLeft`.
    void DrawAt(QPainter& painter, QPoint topLeft) const;
    // Plain copy centred on `rect` (halvings truncate toward zero); not clipped to `rect`.
    void DrawCentred(QPainter& painter, const QRect& rect) const;

private:
    QImage m_image;
};

// Process-wide holder of a bitmap kept from first use to exit; user-interface thread only.
const SkinBitmap& CachedSkinBitmap(int number);

// The hand cursor shown over clickable things (cursor 106), loaded once.
QCursor PointingCursor();

// The program's icon at every size carried in the resources.
QIcon ApplicationIcon();

}  // namespace marulo::controls
