// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/RecordListDrawing.h"

#include <QPainter>
#include <QRect>
#include <QString>
#include <cmath>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "archive/RecordItemTexts.h"
#include "controls/LayoutScale.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"

namespace marulo::controls {

namespace {

constexpr int kTextGap = 5;
const QColor kItemBackground(255, 255, 255);
const QColor kAgeColour(0, 0, 0);
const QColor kTimeColour(85, 142, 213);
const QColor kPanelBackground(255, 204, 255);
const QColor kPanelText(191, 102, 193);

archive::RecordItemWords CurrentWords() {
    // "DayTItle" is the same entry as "DayTitle": keys match regardless of case.
    return {app::MessageText("WeekTitle"), app::MessageText("DayTItle"), app::MessageText("Am"),
            app::MessageText("Pm")};
}

}  // namespace

void DrawRecordItem(QPainter& painter, const QRect& itemRect, int index, bool selected,
                    const archive::RecordDates& dates) {
    if (index == -1) {
        return;
    }
    painter.save();
    painter.fillRect(itemRect, kItemBackground);
    if (selected) {
        // The frame is loaded for this paint only.
        SkinBitmap frame;
        frame.Load(skin::kRecordSelectionFrame);
        frame.DrawAt(painter, itemRect.topLeft());
    }

    const int left = itemRect.left();
    const int top = itemRect.top();
    const int height = itemRect.height();
    const int right = left + itemRect.width();
    const int bottom = top + height;
    const int middle = (top + bottom) / 2;
    CachedSkinBitmap(skin::kRecordHeart).DrawCentred(painter, QRect(left, top, height, height));

    const archive::RecordItemLines lines = archive::RecordItemTexts(dates, CurrentWords());
    const int textLeft = left + height + kTextGap;
    // Opaque white glyph cells, as over the white item.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(kItemBackground);

    painter.setFont(app::UiFont(true));
    painter.setPen(kAgeColour);
    painter.drawText(QRect(textLeft, top, right - textLeft, middle - top),
                     Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                     QString::fromStdString(lines.ageLine));

    painter.setFont(app::UiFont(false));
    painter.setPen(kTimeColour);
    painter.drawText(QRect(textLeft, middle, right - textLeft, bottom - middle),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(lines.timeLine));
    painter.restore();
}

void DrawTextPanel(QPainter& painter, const QRect& itemRect, bool pressed, const QString& text) {
    painter.save();
    painter.fillRect(itemRect, kPanelBackground);
    const QRect textRect =
        pressed ? itemRect.adjusted(1, 1, 0, 0) : itemRect.adjusted(0, 0, -1, -1);
    painter.setFont(app::UiFont(true));
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(kPanelBackground);
    painter.setPen(kPanelText);
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.restore();
}

void RecordListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    // Drawn in the layout table's pixels, from the item's corner.
    painter->save();
    painter->translate(option.rect.topLeft());
    const double scale = option.widget != nullptr ? PaintInLayout(*painter, *option.widget) : 1.0;
    DrawRecordItem(
        *painter,
        QRect(0, 0, static_cast<int>(std::lround(option.rect.width() / scale)), kRecordItemHeight),
        index.isValid() ? index.row() : -1, option.state.testFlag(QStyle::State_Selected),
        RecordOfItem(index).dates);
    painter->restore();
    // The list's focus shows on its current item.
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        DrawFocusMark(*painter, option.rect);
    }
}

QSize RecordListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const double scale = option.widget != nullptr ? LayoutScale(*option.widget) : 1.0;
    return {option.rect.width(), ScaledCoordinate(kRecordItemHeight, scale)};
}

}  // namespace marulo::controls
