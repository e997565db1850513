// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>
#include <functional>
#include <string>
#include <string_view>

#include "controls/RecordItemTexts.h"

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
                    const RecordDates& dates);

// Reads the dates of a bare record file name.
using RecordDatesReader = std::function<RecordDates(std::string_view bareFileName)>;

// Paints a pink text panel (the homepage and language buttons); the caption moves one pixel
// right and down while the panel is held.
void DrawTextPanel(QPainter& painter, const QRect& itemRect, bool pressed, const QString& text);

// Draws the record list's items, each a bare record file name, with DrawRecordItem.
class RecordListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RecordListDelegate(RecordDatesReader readDates, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), m_readDates(std::move(readDates)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    RecordDatesReader m_readDates;
};

}  // namespace marulo::controls
