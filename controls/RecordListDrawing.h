// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>
#include <QStyledItemDelegate>
#include <optional>

#include "archive/RecordItemTexts.h"
#include "archive/RecordListItem.h"

class QLocale;
class QPainter;
class QRect;

namespace marulo::controls {

// Height of every item of the record list.
inline constexpr int kRecordItemHeight = 56;

// What one record list item says, in the active language.
struct RecordItemView {
    QString whenLine;    // the start's date and time; the date alone until the length is known
    QString detailLine;  // the gestational age on the recording day and the duration
    QString markText;    // the confirmed share, or that no heartbeat was heard; empty until known
    std::optional<int> percent;  // the confirmed share the mark draws
    bool silent = false;         // no heartbeat heard: the item is greyed
    QString spoken;              // date, time, duration, share and age for a screen reader
};

// The item for a record, its summary where one is known, in the language of the locale.
RecordItemView RecordItemViewOf(const archive::RecordIdentity& record,
                                const std::optional<archive::RecordSummary>& summary,
                                const QLocale& locale);

// The locale of the chosen language of the user interface.
QLocale UiLocale();

// Paints one record list item: white, the selection frame when selected, the heart icon (faded
// for a record without a heartbeat), when it began, its age and duration, and the confirmed
// share as a small bar. Index -1 (an empty list) paints nothing.
void DrawRecordItem(QPainter& painter, const QRect& itemRect, int index, bool selected,
                    const RecordItemView& view);

// Paints a pink text panel (the homepage and language buttons); the caption moves one pixel
// right and down while the panel is held.
void DrawTextPanel(QPainter& painter, const QRect& itemRect, bool pressed, const QString& text);

// The item data roles a record list item carries its record and, once known, its summary
// under.
inline constexpr int kRecordIdentityRole = Qt::UserRole + 1;
inline constexpr int kRecordSummaryRole = Qt::UserRole + 2;

// The record a list item (or model index) stands for; empty for an item without one.
template <typename Item>
archive::RecordIdentity RecordOfItem(const Item& item) {
    return item.data(kRecordIdentityRole).template value<archive::RecordIdentity>();
}

// The summary a list item carries; nothing until it is known.
template <typename Item>
std::optional<archive::RecordSummary> SummaryOfItem(const Item& item) {
    const QVariant value = item.data(kRecordSummaryRole);
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.template value<archive::RecordSummary>();
}

// Draws the record list's items with DrawRecordItem, from the record and summary each carries.
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
Q_DECLARE_METATYPE(marulo::archive::RecordSummary)
