// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QStyledItemDelegate>

#include "archive/RecordItemTexts.h"

class QPainter;
class QRect;
class QString;

namespace marulo::controls {

// Height of every item of the record list.
inline constexpr int kRecordItemHeight = 56;

// Paints one record list item: white, the selection frame when selected, the heart icon, the
// gestational age on the recording day and the time of day of the recording. Index -1 (an empty
// list) paints nothing. The words of the lines come from the active language.
void DrawRecordItem(QPainter& painter, const QRect& itemRect, int index, bool selected,
                    const archive::RecordDates& dates);

// Paints a pink text panel (the homepage and language buttons); the caption moves one pixel
// right and down while the panel is held.
void DrawTextPanel(QPainter& painter, const QRect& itemRect, bool pressed, const QString& text);

// The item data role a record list item carries its record under.
inline constexpr int kRecordIdentityRole = Qt::UserRole + 1;

// The record a list item (or model index) stands for; empty for an item without one.
template <typename Item>
archive::RecordIdentity RecordOfItem(const Item& item) {
    return item.data(kRecordIdentityRole).template value<archive::RecordIdentity>();
}

// Draws the record list's items with DrawRecordItem, from the record each carries.
class RecordListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace marulo::controls

Q_DECLARE_METATYPE(marulo::archive::RecordIdentity)
