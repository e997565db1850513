// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's skin: the numbered bitmaps as 24-bit BMP files, the pointing cursor and the
// application icon as PNG files.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRect>
#include <QString>
#include <QTransform>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"

namespace marulo::skingen {
namespace {

using namespace controls;

// One colour scheme for every piece, so that copies sit seamlessly on the face.
namespace palette {
constexpr QColor Frame{241, 168, 207};
constexpr QColor FrameEdge{212, 118, 170};
constexpr QColor ContentTop{255, 246, 251};
constexpr QColor ContentBottom{250, 237, 250};
constexpr QColor Card{253, 234, 246};
constexpr QColor CardBorder{238, 192, 222};
constexpr QColor White{255, 255, 255};
constexpr QColor Lavender{246, 239, 255};
constexpr QColor LavenderBorder{214, 196, 240};
constexpr QColor Violet{158, 118, 208};
constexpr QColor FieldBorder{232, 200, 228};
constexpr QColor PortraitBlue{119, 190, 249};
constexpr QColor PortraitBlueDark{64, 134, 214};
constexpr QColor Sky{226, 241, 255};
constexpr QColor Skin{255, 226, 204};
constexpr QColor SkinShade{240, 196, 172};
constexpr QColor Hair{122, 78, 64};
constexpr QColor Dress{238, 128, 178};
constexpr QColor Blanket{255, 242, 204};
constexpr QColor HeartLight{255, 150, 196};
constexpr QColor HeartDark{226, 64, 132};
constexpr QColor GreenLight{146, 222, 120};
constexpr QColor GreenDark{54, 160, 76};
constexpr QColor OrangeLight{255, 196, 110};
constexpr QColor OrangeDark{236, 118, 40};
constexpr QColor PinkButtonLight{255, 150, 198};
constexpr QColor PinkButtonDark{218, 78, 146};
constexpr QColor GridMinor{251, 222, 238};
constexpr QColor GridMajor{243, 190, 222};
constexpr QColor GridEdge{226, 150, 198};
constexpr QColor Speaker{150, 108, 190};
constexpr QColor Red{222, 48, 60};
}  // namespace palette

// Every piece is drawn in logical pixels; the skin is drawn once at 1x and once at 2x for dense
// screens.
int g_scale = 1;

QImage NewImage(int width, int height, const QColor& fill) {
    QImage image(width * g_scale, height * g_scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(g_scale);
    image.fill(fill);
    return image;
}

QSize LogicalSize(const QImage& image) {
    return image.deviceIndependentSize().toSize();
}

// A one-pixel line along whole pixels, as sharp at 2x as at 1x.
void PixelColumn(QPainter& p, int x, int top, int bottom, const QColor& colour) {
    p.fillRect(QRect(x, top, 1, bottom - top + 1), colour);
}
void PixelRow(QPainter& p, int y, int left, int right, const QColor& colour) {
    p.fillRect(QRect(left, y, right - left + 1, 1), colour);
}

// A painter with smooth edges, since every shape here is drawn over its final background.
class SmoothPainter : public QPainter {
public:
    explicit SmoothPainter(QImage* image) : QPainter(image) {
        setRenderHint(QPainter::Antialiasing);
        setRenderHint(QPainter::SmoothPixmapTransform);
    }
};

QColor WithAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

// ---------------------------------------------------------------- file output

void AppendLe(QByteArray& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

// A 24-bit uncompressed BMP: 14-byte file header, 40-byte information header, bottom-up rows
// padded to 4 bytes.
QByteArray Bmp24(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const int stride = (width * 3 + 3) / 4 * 4;
    const auto pixelBytes = static_cast<std::uint32_t>(stride * height);
    constexpr std::uint32_t headersSize = 14 + 40;

    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(headersSize) + static_cast<qsizetype>(pixelBytes));
    bytes.append("BM", 2);
    AppendLe(bytes, headersSize + pixelBytes, 4);
    AppendLe(bytes, 0, 4);
    AppendLe(bytes, headersSize, 4);
    AppendLe(bytes, 40, 4);
    AppendLe(bytes, static_cast<std::uint32_t>(width), 4);
    AppendLe(bytes, static_cast<std::uint32_t>(height), 4);
    AppendLe(bytes, 1, 2);
    AppendLe(bytes, 24, 2);
    AppendLe(bytes, 0, 4);
    AppendLe(bytes, pixelBytes, 4);
    AppendLe(bytes, 2835, 4);  // 72 dots per inch
    AppendLe(bytes, 2835, 4);
    AppendLe(bytes, 0, 4);
    AppendLe(bytes, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            bytes.append(static_cast<char>(qBlue(row[x])));
            bytes.append(static_cast<char>(qGreen(row[x])));
            bytes.append(static_cast<char>(qRed(row[x])));
        }
        bytes.append(stride - width * 3, '\0');
    }
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// ---------------------------------------------------------------- shared shapes

// A heart filling `r`: two round lobes meeting in a point at the bottom.
QPainterPath HeartPath(const QRectF& r) {
    const auto at = [&r](qreal x, qreal y) {
        return QPointF(r.left() + x * r.width(), r.top() + y * r.height());
    };
    QPainterPath path;
    path.moveTo(at(0.5, 0.22));
    path.cubicTo(at(0.42, 0.02), at(0.0, 0.0), at(0.0, 0.33));
    path.cubicTo(at(0.0, 0.6), at(0.32, 0.76), at(0.5, 1.0));
    path.cubicTo(at(0.68, 0.76), at(1.0, 0.6), at(1.0, 0.33));
    path.cubicTo(at(1.0, 0.0), at(0.58, 0.02), at(0.5, 0.22));
    path.closeSubpath();
    return path;
}

void PaintHeart(QPainter& p, const QRectF& r) {
    const QPainterPath heart = HeartPath(r);
    QRadialGradient body(r.left() + r.width() * 0.35, r.top() + r.height() * 0.3, r.width() * 0.8);
    body.setColorAt(0.0, palette::HeartLight);
    body.setColorAt(1.0, palette::HeartDark);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(heart);
    p.setPen(QPen(WithAlpha(palette::HeartDark.darker(115), 160), qMax(0.8, r.width() / 40)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(heart);
    // Gloss on the left lobe.
    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(palette::White, 150));
    p.drawEllipse(QRectF(r.left() + r.width() * 0.14, r.top() + r.height() * 0.14, r.width() * 0.2,
                         r.height() * 0.14));
}

// A soft drop shadow under a round or rounded shape.
void PaintShadow(QPainter& p, const QRectF& r, qreal radius, int strength) {
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(QColor(190, 110, 160, strength / i));
        const qreal grow = i * 1.0;
        p.drawRoundedRect(r.adjusted(-grow, -grow + 1.5, grow, grow + 1.5), radius + grow,
                          radius + grow);
    }
}

// A glossy round button body; glyphs are painted over it by the caller.
void PaintRoundButton(QPainter& p, QPointF centre, qreal radius, const QColor& light,
                      const QColor& dark) {
    const QRectF disc(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    PaintShadow(p, disc, radius, 60);
    QRadialGradient body(centre.x() - radius * 0.3, centre.y() - radius * 0.4, radius * 1.6);
    body.setColorAt(0.0, light);
    body.setColorAt(1.0, dark);
    p.setPen(QPen(dark.darker(112), qMax(0.8, radius / 30)));
    p.setBrush(body);
    p.drawEllipse(disc);
    QLinearGradient gloss(centre.x(), disc.top(), centre.x(), centre.y());
    gloss.setColorAt(0.0, WithAlpha(palette::White, 130));
    gloss.setColorAt(1.0, WithAlpha(palette::White, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawEllipse(QRectF(centre.x() - radius * 0.72, disc.top() + radius * 0.08, radius * 1.44,
                         radius * 0.9));
}

QPen GlyphPen(qreal width) {
    return QPen(palette::White, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Head and shoulders of a woman, facing the viewer; `unit` is the head's half width.
void PaintWoman(QPainter& p, QPointF head, qreal unit) {
    const auto at = [&](qreal x, qreal y) {
        return QPointF(head.x() + x * unit, head.y() + y * unit);
    };
    p.setPen(Qt::NoPen);
    // Hair behind the head, falling to the shoulders.
    p.setBrush(palette::Hair);
    QPainterPath hair;
    hair.moveTo(at(-1.25, 1.6));
    hair.cubicTo(at(-1.6, -0.4), at(-1.2, -1.55), at(0, -1.55));
    hair.cubicTo(at(1.2, -1.55), at(1.6, -0.4), at(1.25, 1.6));
    hair.closeSubpath();
    p.drawPath(hair);
    // Shoulders in a pink dress.
    QLinearGradient dress(at(0, 1.2), at(0, 3.4));
    dress.setColorAt(0.0, palette::Dress.lighter(108));
    dress.setColorAt(1.0, palette::Dress.darker(108));
    p.setBrush(dress);
    p.drawRoundedRect(QRectF(at(-2.3, 1.5), at(2.3, 6.0)), unit * 1.6, unit * 1.6);
    // Neck and face.
    p.setBrush(palette::SkinShade);
    p.drawRect(QRectF(at(-0.32, 0.7), at(0.32, 1.7)));
    p.setBrush(palette::Skin);
    p.drawEllipse(QRectF(at(-1.0, -1.2), at(1.0, 1.15)));
    // Fringe swept to one side.
    p.setBrush(palette::Hair);
    QPainterPath fringe;
    fringe.moveTo(at(-1.05, 0.05));
    fringe.cubicTo(at(-1.25, -1.75), at(1.0, -1.95), at(1.05, -0.1));
    fringe.cubicTo(at(0.7, -0.55), at(-0.1, -0.2), at(-1.05, 0.05));
    p.drawPath(fringe);
    if (unit < 4) {
        return;
    }
    // Eyes, cheeks and smile where there is room for them.
    p.setBrush(palette::Hair.darker(150));
    p.drawEllipse(at(-0.38, 0.12), unit * 0.1, unit * 0.13);
    p.drawEllipse(at(0.38, 0.12), unit * 0.1, unit * 0.13);
    p.setBrush(WithAlpha(palette::HeartLight, 110));
    p.drawEllipse(at(-0.58, 0.48), unit * 0.2, unit * 0.12);
    p.drawEllipse(at(0.58, 0.48), unit * 0.2, unit * 0.12);
    p.setPen(QPen(palette::HeartDark, unit * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(at(-0.3, 0.3), at(0.3, 0.72)), 200 * 16, 140 * 16);
}

// A sleeping baby wrapped in a blanket with a hood, head at `head` with half width `unit`.
void PaintBaby(QPainter& p, QPointF head, qreal unit) {
    const auto at = [&](qreal x, qreal y) {
        return QPointF(head.x() + x * unit, head.y() + y * unit);
    };
    p.setPen(QPen(palette::Blanket.darker(115), unit * 0.08));
    p.setBrush(palette::Blanket);
    p.drawEllipse(QRectF(at(-1.45, -1.4), at(1.45, 1.4)));
    p.drawRoundedRect(QRectF(at(-1.3, 0.4), at(3.2, 2.6)), unit * 1.1, unit * 1.1);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::Skin);
    p.drawEllipse(QRectF(at(-1.0, -1.0), at(1.0, 1.0)));
    p.setPen(QPen(palette::Hair, unit * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(at(-0.6, -0.1), at(-0.12, 0.3)), 200 * 16, 140 * 16);
    p.drawArc(QRectF(at(0.12, -0.1), at(0.6, 0.3)), 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(palette::HeartLight, 120));
    p.drawEllipse(at(-0.55, 0.45), unit * 0.2, unit * 0.13);
    p.drawEllipse(at(0.55, 0.45), unit * 0.2, unit * 0.13);
    // The mother's arm around the blanket.
    QLinearGradient arm(at(-2.2, 2.0), at(3.4, 2.0));
    arm.setColorAt(0.0, palette::SkinShade);
    arm.setColorAt(1.0, palette::Skin);
    p.setBrush(arm);
    p.drawRoundedRect(QRectF(at(-2.4, 1.8), at(3.4, 2.75)), unit * 0.47, unit * 0.47);
}

// The mother-and-child portrait in a round blue frame of outer radius `radius`.
void PaintMotherAndChild(QPainter& p, QPointF centre, qreal radius) {
    const QRectF outer(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    PaintShadow(p, outer, radius, 50);
    QLinearGradient ring(outer.topLeft(), outer.bottomRight());
    ring.setColorAt(0.0, palette::PortraitBlue);
    ring.setColorAt(1.0, palette::PortraitBlueDark);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawEllipse(outer);
    const qreal inner = radius - 5;
    const QRectF window(centre.x() - inner, centre.y() - inner, 2 * inner, 2 * inner);
    p.setBrush(palette::White);
    p.drawEllipse(window.adjusted(-1.5, -1.5, 1.5, 1.5));

    p.save();
    QPainterPath clip;
    clip.addEllipse(window);
    p.setClipPath(clip);
    QLinearGradient sky(window.topLeft(), window.bottomLeft());
    sky.setColorAt(0.0, palette::Sky);
    sky.setColorAt(1.0, palette::PortraitBlue.lighter(125));
    p.setBrush(sky);
    p.drawRect(window);
    const qreal unit = inner / 4.6;
    PaintWoman(p, QPointF(centre.x() - inner * 0.12, centre.y() - inner * 0.3), unit);
    PaintBaby(p, QPointF(centre.x() + inner * 0.08, centre.y() + inner * 0.36), unit * 0.78);
    p.restore();
}

// A loudspeaker facing right, drawn in the 29 x 29 button space.
void PaintSpeaker(QPainter& p) {
    p.setPen(QPen(palette::Speaker.darker(115), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(palette::Speaker);
    QPolygonF cone;
    cone << QPointF(4.5, 11.5) << QPointF(8.5, 11.5) << QPointF(14, 6.5) << QPointF(14, 22.5)
         << QPointF(8.5, 17.5) << QPointF(4.5, 17.5);
    p.drawPolygon(cone);
}

// A pink grid on white: thin lines every 10 pixels, darker every `majorEvery` lines, placed so
// that the lines pass through (`originX`, `originY`).
void PaintGrid(QPainter& p, const QSize& size, int originX, int originY, int majorEvery) {
    const auto isMajor = [majorEvery](int offset) { return (offset / 10) % majorEvery == 0; };
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int pass = 0; pass < 2; ++pass) {
        for (int x = 0; x < size.width(); ++x) {
            const int offset = x - originX;
            if (offset % 10 == 0 && isMajor(offset) == (pass == 1)) {
                PixelColumn(p, x, 0, size.height() - 1,
                            pass == 1 ? palette::GridMajor : palette::GridMinor);
            }
        }
        for (int y = 0; y < size.height(); ++y) {
            const int offset = y - originY;
            if (offset % 10 == 0 && isMajor(offset) == (pass == 1)) {
                PixelRow(p, y, 0, size.width() - 1,
                         pass == 1 ? palette::GridMajor : palette::GridMinor);
            }
        }
    }
    p.setRenderHint(QPainter::Antialiasing, true);
}

// ---------------------------------------------------------------- the face (201)

// A raised panel with a soft shadow.
void PaintCard(QPainter& p, const QRectF& r, const QBrush& fill, qreal radius = 10) {
    PaintShadow(p, r, radius, 36);
    p.setPen(QPen(palette::CardBorder, 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A white area that a control fills, edged so that it reads as a field.
void PaintField(QPainter& p, const QRect& control, const QColor& fill, const QColor& border) {
    p.setPen(QPen(border, 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(control).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
}

void PaintFrame(QPainter& p, const QSize& size) {
    p.setPen(QPen(palette::FrameEdge, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 7.5, 7.5);
    // The small heart before the title.
    PaintHeart(p, QRectF(7, 8, 16, 14));
    // The content area between the title bar and the bottom strip.
    const QRectF content(6, 34, size.width() - 12, 564);
    QLinearGradient soft(content.topLeft(), content.bottomLeft());
    soft.setColorAt(0.0, palette::ContentTop);
    soft.setColorAt(1.0, palette::ContentBottom);
    p.setPen(QPen(palette::FrameEdge.lighter(115), 1.0));
    p.setBrush(soft);
    p.drawRoundedRect(content.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

void PaintProfilePanel(QPainter& p) {
    QLinearGradient card(0, 37, 0, 228);
    card.setColorAt(0.0, palette::Card.lighter(102));
    card.setColorAt(1.0, palette::Card);
    PaintCard(p, QRectF(12.5, 37.5, 390, 190), card);
    PaintMotherAndChild(p, QPointF(85, 125), 62);
    // Name: white with a thin underline.
    p.setPen(Qt::NoPen);
    p.setBrush(palette::White);
    const QRectF name(ControlRect(kNameBoxId));
    p.drawRoundedRect(name.adjusted(-2, -2, 2, 1), 3, 3);
    p.setPen(QPen(palette::Violet, 1.0));
    p.drawLine(QPointF(name.left() - 2, name.bottom() + 0.5),
               QPointF(name.right() + 2, name.bottom() + 0.5));
    // Week and day numbers.
    PaintField(p, ControlRect(kWeekButtonId), palette::White, palette::FieldBorder);
    PaintField(p, ControlRect(kDayButtonId), palette::White, palette::FieldBorder);
    // The date field and its calendar button share one lavender strip.
    PaintField(p, ControlRect(kEdcDisplayId).united(ControlRect(kCalendarButtonId)),
               palette::Lavender, palette::LavenderBorder);
}

void PaintMonitorPanels(QPainter& p) {
    PaintCard(p, QRectF(409.5, 37.5, 338, 190), palette::White, 8);
    PaintCard(p, QRectF(754.5, 37.5, 131, 190), palette::Card);
    // The soft spot under the round monitor button.
    QRadialGradient spot(820, 130, 64);
    spot.setColorAt(0.0, palette::White);
    spot.setColorAt(0.75, WithAlpha(palette::White, 200));
    spot.setColorAt(1.0, WithAlpha(palette::White, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(spot);
    p.drawEllipse(QPointF(820, 130), 64, 64);
}

void PaintReviewPanels(QPainter& p) {
    PaintCard(p, QRectF(26.5, 262.5, 203, 329), palette::Card);
    PaintField(p, ControlRect(kRecordListId), palette::White, palette::FieldBorder);
    PaintCard(p, QRectF(240.5, 262.5, 644, 329), palette::White);
    // Edge of the chart.
    p.setPen(QPen(palette::GridMajor, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(319.5, 269.5, 511, 251));
    // A thin rule between the chart and the playback strip.
    p.setPen(QPen(palette::GridMinor, 1.0));
    p.drawLine(QPointF(260, 526.5), QPointF(864, 526.5));
}

QImage Face() {
    QImage image = NewImage(kMainWindowSize.width(), kMainWindowSize.height(), palette::Frame);
    SmoothPainter p(&image);
    PaintFrame(p, LogicalSize(image));
    PaintProfilePanel(p);
    PaintMonitorPanels(p);
    PaintReviewPanels(p);
    return image;
}

// ---------------------------------------------------------------- pieces cut from the face

// Buttons lying on the face are drawn over the face's own pixels at their control's place.
QImage FacePiece(const QImage& face, int controlId, const QSize& size) {
    const QRect place(ControlRect(controlId).topLeft(), size);
    QImage piece = face.copy(QRect(place.topLeft() * g_scale, place.size() * g_scale));
    piece.setDevicePixelRatio(g_scale);
    return piece;
}

QImage CloseButton(QImage image) {
    SmoothPainter p(&image);
    PaintRoundButton(p, QPointF(10, 10.5), 8.5, palette::PinkButtonLight, palette::PinkButtonDark);
    p.setPen(GlyphPen(1.8));
    p.drawLine(QPointF(7, 7.5), QPointF(13, 13.5));
    p.drawLine(QPointF(13, 7.5), QPointF(7, 13.5));
    return image;
}

QImage MinimiseButton(QImage image) {
    SmoothPainter p(&image);
    PaintRoundButton(p, QPointF(10, 10.5), 8.5, palette::PinkButtonLight, palette::PinkButtonDark);
    p.setPen(GlyphPen(1.8));
    p.drawLine(QPointF(6.5, 12), QPointF(13.5, 12));
    return image;
}

QImage MonitorButton(QImage image, const QColor& light, const QColor& dark) {
    SmoothPainter p(&image);
    PaintRoundButton(p, QPointF(50, 49), 43, light, dark);
    return image;
}

QImage MicrophoneButton(const QImage& ground) {
    QImage image = MonitorButton(ground, palette::GreenLight, palette::GreenDark);
    SmoothPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::White);
    p.drawRoundedRect(QRectF(41, 22, 18, 33), 9, 9);
    p.setPen(GlyphPen(4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(34, 30, 32, 34), 180 * 16, 180 * 16);
    p.drawLine(QPointF(50, 64), QPointF(50, 72));
    p.drawLine(QPointF(41, 74), QPointF(59, 74));
    return image;
}

QImage SaveButton(const QImage& ground) {
    QImage image = MonitorButton(ground, palette::OrangeLight, palette::OrangeDark);
    SmoothPainter p(&image);
    const QColor cut = palette::OrangeDark;
    QPolygonF disk;
    disk << QPointF(30, 28) << QPointF(63, 28) << QPointF(70, 35) << QPointF(70, 70)
         << QPointF(30, 70);
    p.setPen(QPen(palette::White, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(palette::White);
    p.drawPolygon(disk);
    // Shutter with its slot, and the label.
    p.setPen(Qt::NoPen);
    p.setBrush(cut);
    p.drawRoundedRect(QRectF(38, 28, 22, 14), 1.5, 1.5);
    p.setBrush(palette::White);
    p.drawRect(QRectF(52, 31, 5, 8));
    p.setBrush(cut);
    p.drawRoundedRect(QRectF(36, 50, 28, 17), 2, 2);
    p.setPen(QPen(palette::White, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 56), QPointF(60, 56));
    p.drawLine(QPointF(40, 61), QPointF(56, 61));
    return image;
}

QImage PlaybackButton(QImage image, const QColor& light, const QColor& dark) {
    SmoothPainter p(&image);
    PaintRoundButton(p, QPointF(22.5, 23.5), 19.5, light, dark);
    return image;
}

QImage StopButton(const QImage& ground) {
    QImage image = PlaybackButton(ground, palette::OrangeLight, palette::OrangeDark);
    SmoothPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::White);
    p.drawRoundedRect(QRectF(16, 17, 13, 13), 2.5, 2.5);
    return image;
}

QImage PlayButton(const QImage& ground) {
    QImage image = PlaybackButton(ground, palette::GreenLight, palette::GreenDark);
    SmoothPainter p(&image);
    QPolygonF triangle;
    triangle << QPointF(18.5, 15) << QPointF(31, 23.5) << QPointF(18.5, 32);
    p.setPen(QPen(palette::White, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(palette::White);
    p.drawPolygon(triangle);
    return image;
}

QImage MutedSpeaker(QImage image) {
    SmoothPainter p(&image);
    PaintSpeaker(p);
    // A white edge keeps the red stroke apart from the speaker.
    p.setPen(QPen(palette::White, 4.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 23), QPointF(19, 6));
    p.setPen(QPen(palette::Red, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 23), QPointF(19, 6));
    return image;
}

QImage SoundingSpeaker(QImage image) {
    SmoothPainter p(&image);
    PaintSpeaker(p);
    p.setPen(QPen(palette::Speaker, 1.8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (const qreal radius : {4.5, 8.5, 12.5}) {
        p.drawArc(QRectF(14 - radius, 14.5 - radius, 2 * radius, 2 * radius), -45 * 16, 90 * 16);
    }
    return image;
}

// ---------------------------------------------------------------- free-standing pieces

QImage MonitorGrid() {
    QImage image = NewImage(411, 181, palette::White);
    SmoothPainter p(&image);
    PaintGrid(p, LogicalSize(image), 0, 90, 5);
    // The middle line the waveform swings about.
    PixelRow(p, 90, 0, 410, palette::GridEdge);
    return image;
}

QImage ChartMinute() {
    QImage image = NewImage(60, 213, palette::White);
    SmoothPainter p(&image);
    // Row r shows 243 - r beats per minute: the darker lines fall on 60, 90 ... 240.
    PaintGrid(p, LogicalSize(image), 0, 3, 3);
    PixelColumn(p, 0, 0, 212, palette::GridEdge);
    return image;
}

QImage Portrait(const QColor& ground) {
    QImage image = NewImage(27, 33, ground);
    SmoothPainter p(&image);
    PaintWoman(p, QPointF(13.5, 12.5), 5);
    return image;
}

QImage SelectionFrame() {
    QImage image = NewImage(147, 56, palette::White);
    SmoothPainter p(&image);
    p.setPen(QPen(WithAlpha(palette::Violet, 70), 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1.5, 1.5, 144, 53), 9, 9);
    p.setPen(QPen(palette::Violet, 1.4));
    p.drawRoundedRect(QRectF(1.5, 1.5, 144, 53), 9, 9);
    return image;
}

QImage ListHeart() {
    QImage image = NewImage(39, 32, palette::White);
    SmoothPainter p(&image);
    PaintHeart(p, QRectF(5, 3, 29, 26));
    return image;
}

QImage SliderThumb() {
    QImage image = NewImage(11, 21, palette::White);
    SmoothPainter p(&image);
    QRadialGradient ball(4, 8.5, 7);
    ball.setColorAt(0.0, palette::GreenLight.lighter(115));
    ball.setColorAt(1.0, palette::GreenDark);
    p.setPen(QPen(palette::GreenDark.darker(115), 0.8));
    p.setBrush(ball);
    p.drawEllipse(QPointF(5.5, 10.5), 4.9, 4.9);
    return image;
}

QImage SliderChannel() {
    QImage image = NewImage(107, 21, palette::White);
    SmoothPainter p(&image);
    QLinearGradient bar(0, 8.5, 0, 12.5);
    bar.setColorAt(0.0, palette::GreenLight);
    bar.setColorAt(1.0, palette::GreenDark);
    p.setPen(Qt::NoPen);
    p.setBrush(bar);
    p.drawRoundedRect(QRectF(1, 8.5, 105, 4), 2, 2);
    return image;
}

QImage CalendarSheet() {
    QImage image = NewImage(27, 28, palette::Lavender);
    SmoothPainter p(&image);
    const QRectF sheet(4.5, 5.5, 18, 18);
    p.setPen(QPen(palette::Violet, 1.0));
    p.setBrush(palette::White);
    p.drawRoundedRect(sheet, 2.5, 2.5);
    QPainterPath header;
    header.addRoundedRect(QRectF(4.5, 5.5, 18, 6), 2.5, 2.5);
    header.addRect(QRectF(4.5, 8.5, 18, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(palette::PinkButtonDark);
    p.drawPath(header.simplified());
    // Binding rings and the day cells.
    p.setPen(QPen(palette::Violet.darker(120), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 3.5), QPointF(9.5, 7.5));
    p.drawLine(QPointF(17.5, 3.5), QPointF(17.5, 7.5));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const bool today = row == 1 && column == 1;
            p.setBrush(today ? palette::PinkButtonDark : palette::LavenderBorder);
            p.drawRect(QRectF(7 + column * 5, 13.5 + row * 3.3, 3, 2.2));
        }
    }
    return image;
}

// ---------------------------------------------------------------- cursor and icon

QImage PointingHand() {
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    SmoothPainter p(&image);
    p.translate(PointingCursorHotspot.x() - 10, PointingCursorHotspot.y() - 1);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(7.5, 0.5, 6, 17), 3, 3);  // index finger, tip at the hotspot
    hand.addRoundedRect(QRectF(12.5, 9.5, 5, 10), 2.5, 2.5);
    hand.addRoundedRect(QRectF(16.5, 10.5, 5, 10), 2.5, 2.5);
    hand.addRoundedRect(QRectF(20.5, 11.5, 5, 10), 2.5, 2.5);
    hand.addRoundedRect(QRectF(7.5, 14.5, 18, 13), 4, 4);  // palm
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-2.5, -2.5, 5, 11), 2.5, 2.5);
    hand.addPath(QTransform().translate(5.5, 17).rotate(-40).map(thumb));
    hand.setFillRule(Qt::WindingFill);
    const QPainterPath outline = hand.simplified();
    p.setPen(QPen(QColor(40, 30, 50), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(palette::White);
    p.drawPath(outline);
    return image;
}

// A pink heart with a white heartbeat line, drawn on a 256-unit canvas scaled to `size`.
QImage AppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    SmoothPainter p(&image);
    p.scale(size / 256.0, size / 256.0);
    PaintHeart(p, QRectF(10, 18, 236, 222));
    QPolygonF beat;
    beat << QPointF(34, 118) << QPointF(86, 118) << QPointF(104, 78) << QPointF(128, 166)
         << QPointF(150, 96) << QPointF(164, 118) << QPointF(222, 118);
    const qreal width = size <= 32 ? 22 : 14;
    p.setPen(QPen(palette::White, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(beat);
    return image;
}

// ---------------------------------------------------------------- the table

struct SkinPiece {
    int number = 0;
    QSize size;
    // The control whose place on the face the piece is drawn over, or 0 for a free-standing one.
    int overControl = 0;
    // Given the ground: the face under the control, or the whole face for a free-standing piece.
    std::function<QImage(const QImage& ground)> draw;
};

QImage Ground(const QImage& face, const SkinPiece& piece) {
    return piece.overControl == 0 ? face : FacePiece(face, piece.overControl, piece.size);
}

std::vector<SkinPiece> SkinTable() {
    using namespace skin;
    const auto freeStanding = [](QImage (*draw)()) {
        return [draw](const QImage&) { return draw(); };
    };
    const auto asIs = [](const QImage& ground) { return ground; };
    return {
        {kCloseButton, {20, 21}, kCloseButtonId, CloseButton},
        {kMonitorStartButton, {100, 100}, kMonitorButtonId, MicrophoneButton},
        {kMonitorGrid, {411, 181}, 0, freeStanding(MonitorGrid)},
        {kMonitorSaveButton, {100, 100}, kMonitorButtonId, SaveButton},
        {kProfilePanel, {341, 133}, kMotherListButtonId, asIs},
        {kRecordSelectionFrame, {147, 56}, 0, freeStanding(SelectionFrame)},
        {kRecordHeart, {39, 32}, 0, freeStanding(ListHeart)},
        {kStopButton, {47, 48}, kPlayButtonId, StopButton},
        {kPlayButton, {47, 48}, kPlayButtonId, PlayButton},
        {kVolumeThumb, {11, 21}, 0, freeStanding(SliderThumb)},
        {kVolumeChannel, {107, 21}, 0, freeStanding(SliderChannel)},
        {kSelectedMotherIcon,
         {27, 33},
         0,
         [](const QImage&) { return Portrait(palette::PortraitBlue); }},
        {kMotherIcon, {27, 33}, 0, [](const QImage&) { return Portrait(palette::White); }},
        {kChartMinuteTile, {60, 213}, 0, freeStanding(ChartMinute)},
        {kMutedSpeaker, {29, 29}, kMuteButtonId, MutedSpeaker},
        {kSoundingSpeaker, {29, 29}, kMuteButtonId, SoundingSpeaker},
        {kMinimizeButton, {20, 21}, kMinimizeButtonId, MinimiseButton},
        {kWindowFace, {kMainWindowSize.width(), kMainWindowSize.height()}, 0, asIs},
        {kCalendarButton, {27, 28}, 0, freeStanding(CalendarSheet)},
    };
}

bool Generate(const QDir& skinDir, const QDir& iconDir) {
    bool ok = true;
    const auto fail = [&ok](const QString& what) {
        std::fprintf(stderr, "marulo-skingen: %s\n", qPrintable(what));
        ok = false;
    };
    for (const int scale : {1, 2}) {
        g_scale = scale;
        const QString name = scale == 1 ? QStringLiteral("%1.bmp") : QStringLiteral("%1@2x.bmp");
        const QImage face = Face();
        for (const SkinPiece& piece : SkinTable()) {
            const QImage image = piece.draw(Ground(face, piece));
            const QString path = skinDir.filePath(name.arg(piece.number));
            if (image.size() != piece.size * scale) {
                fail(QStringLiteral("bitmap %1 drawn at the wrong size").arg(piece.number));
            } else if (!WriteFile(path, Bmp24(image))) {
                fail(QStringLiteral("cannot write %1").arg(path));
            }
        }
    }
    g_scale = 1;
    const QString cursorPath =
        skinDir.filePath(QStringLiteral("%1.png").arg(skin::kPointingCursor));
    if (!PointingHand().save(cursorPath, "PNG")) {
        fail(QStringLiteral("cannot write %1").arg(cursorPath));
    }
    for (const int size : std::array{16, 32, 48, 64, 128, 256}) {
        const QString path = iconDir.filePath(QStringLiteral("marulo-%1.png").arg(size));
        if (!AppIcon(size).save(path, "PNG")) {
            fail(QStringLiteral("cannot write %1").arg(path));
        }
    }
    return ok;
}

}  // namespace
}  // namespace marulo::skingen

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: marulo-skingen SKIN_DIR [ICON_DIR]\n");
        return 2;
    }
    const QDir skinDir(QString::fromLocal8Bit(argv[1]));
    const QDir iconDir(QString::fromLocal8Bit(argc == 3 ? argv[2] : argv[1]));
    if (!skinDir.exists() || !iconDir.exists()) {
        std::fprintf(stderr, "marulo-skingen: output folder does not exist\n");
        return 1;
    }
    return marulo::skingen::Generate(skinDir, iconDir) ? 0 : 1;
}
