// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/SkinBitmap.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <array>
#include <map>

#include "controls/WindowLayout.h"

// The skin lives in a static library; referencing its initialiser keeps it linked and registered.
// The initialiser must be named from the global namespace.
static void RegisterSkinResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(skin);
        return true;
    }();
    (void)registered;
}

namespace marulo::controls {

SkinBitmap::~SkinBitmap() {
    Release();
}

bool SkinBitmap::Load(int number) {
    return Load(number, qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0);
}

bool SkinBitmap::Load(int number, qreal devicePixelRatio) {
    RegisterSkinResources();
    QImage image;
    if (devicePixelRatio >= kDoubleSizeSkinRatio &&
        image.load(QStringLiteral(":/skin/%1@2x.bmp").arg(number))) {
        image.setDevicePixelRatio(2.0);
    } else if (image.load(QStringLiteral(":/skin/%1.bmp").arg(number))) {
        image.setDevicePixelRatio(1.0);
    }
    m_image = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    return IsLoaded();
}

void SkinBitmap::Release() {
    m_image = QImage();
}

bool SkinBitmap::IsLoaded() const {
    return !m_image.isNull();
}

QSize SkinBitmap::Size() const {
    return m_image.deviceIndependentSize().toSize();
}

void SkinBitmap::DrawAt(QPainter& painter, QPoint topLeft) const {
    if (!IsLoaded()) {
        return;
    }
    const QPainter::CompositionMode previous = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(topLeft, m_image);
    painter.setCompositionMode(previous);
}

void SkinBitmap::DrawCentred(QPainter& painter, const QRect& rect) const {
    const int left = rect.left();
    const int top = rect.top();
    const int right = left + rect.width();
    const int bottom = top + rect.height();
    const QSize size = Size();
    DrawAt(painter,
           QPoint((left + right) / 2 - size.width() / 2, (top + bottom) / 2 - size.height() / 2));
}

const SkinBitmap& CachedSkinBitmap(int number) {
    static std::map<int, SkinBitmap> cache;
    auto [it, inserted] = cache.try_emplace(number);
    if (inserted) {
        it->second.Load(number);
    }
    return it->second;
}

QCursor PointingCursor() {
    RegisterSkinResources();
    static const QCursor cursor(QPixmap(QStringLiteral(":/skin/%1.png").arg(skin::kPointingCursor)),
                                PointingCursorHotspot.x(), PointingCursorHotspot.y());
    return cursor;
}

QIcon ApplicationIcon() {
    RegisterSkinResources();
    QIcon icon;
    for (const int size : std::array{16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/skin/icon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace marulo::controls
