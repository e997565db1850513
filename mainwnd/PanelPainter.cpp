// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/PanelPainter.h"

#include <QPainter>
#include <QString>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowTexts.h"

namespace marulo::mainwnd {

namespace {

using controls::Box;

struct Caption {
    const char* key;  // a Message key, or null for a literal
    const char* literal;
    bool bold;
    QColor colour;
    QRect rect;
    Qt::Alignment alignment;
};

}  // namespace

void PaintPanel(QPainter& painter) {
    const QColor black(0, 0, 0);
    const QColor label(79, 129, 189);
    const QColor scale(192, 116, 183);
    const Caption captions[] = {
        {"Title", nullptr, true, black, Box(27, 2, 250, 28), Qt::AlignLeft},
        {"MotherTitle", nullptr, true, label, Box(150, 77, 213, 104), Qt::AlignRight},
        {"GestationTitle", nullptr, true, label, Box(150, 109, 213, 136), Qt::AlignRight},
        {"WeekTitle", nullptr, true, label, Box(263, 109, 299, 136), Qt::AlignLeft},
        {"DayTitle", nullptr, true, label, Box(328, 109, 354, 136), Qt::AlignLeft},
        {"EDCTitle", nullptr, true, label, Box(150, 141, 213, 169), Qt::AlignRight},
        {nullptr, "60", false, scale, Box(250, 461, 317, 482), Qt::AlignRight},
        {nullptr, "90", false, scale, Box(250, 431, 317, 452), Qt::AlignRight},
        {nullptr, "120", false, scale, Box(250, 401, 317, 422), Qt::AlignRight},
        {nullptr, "150", false, scale, Box(250, 371, 317, 392), Qt::AlignRight},
        {nullptr, "180", false, scale, Box(250, 341, 317, 362), Qt::AlignRight},
        {nullptr, "210", false, scale, Box(250, 311, 317, 332), Qt::AlignRight},
    };

    controls::CachedSkinBitmap(controls::skin::kWindowFace).DrawAt(painter, QPoint(0, 0));
    for (const Caption& caption : captions) {
        const QString text = caption.key != nullptr
                                 ? QString::fromStdString(app::MessageText(caption.key))
                                 : QString::fromLatin1(caption.literal);
        painter.save();
        painter.setFont(app::UiFont(caption.bold));
        painter.setPen(caption.colour);
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.setClipRect(caption.rect);
        painter.drawText(caption.rect, caption.alignment | Qt::AlignVCenter | Qt::TextSingleLine,
                         text);
        painter.restore();
    }
}

}  // namespace marulo::mainwnd
