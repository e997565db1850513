// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/RecordListDrawing.h"

#include <QDate>
#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QTime>
#include <cmath>
#include <initializer_list>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "archive/RecordItemTexts.h"
#include "archive/RecordListItem.h"
#include "controls/LayoutScale.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"

namespace marulo::controls {

namespace {

constexpr int kTextGap = 5;
// The rounded end of the selection frame, kept when the frame is stretched.
constexpr int kFrameEnd = 20;
// The text starts just right of the heart, which is centred in the item's left square.
constexpr int kTextLeft = 52;
constexpr int kLineHeight = 17;
constexpr int kMarkWidth = 24;
constexpr int kMarkHeight = 7;
constexpr double kFadedHeart = 0.3;
const QColor kItemBackground(255, 255, 255);
const QColor kAgeColour(0, 0, 0);
const QColor kTimeColour(85, 142, 213);
const QColor kSilentColour(120, 120, 120);
const QColor kConfirmedColour(60, 165, 90);
const QColor kMarkFrameColour(150, 150, 150);
const QColor kPanelBackground(255, 204, 255);
const QColor kPanelText(191, 102, 193);

archive::RecordItemWords CurrentWords() {
    // "DayTItle" is the same entry as "DayTitle": keys match regardless of case.
    return {app::MessageText("WeekTitle"), app::MessageText("DayTItle"), app::MessageText("Am"),
            app::MessageText("Pm")};
}

QString Text(const char* key) {
    return QString::fromStdString(app::MessageText(key));
}

QDateTime LocalDateTime(const platform::CivilDateTime& time) {
    return {QDate(time.year, time.month, time.day), QTime(time.hour, time.minute, time.second)};
}

QString SpokenAge(const archive::RecordDates& dates) {
    const std::optional<archive::RecordAge> age = archive::RecordAgeOf(dates);
    if (!age) {
        return {};
    }
    return Text(age->weeks == 1 ? "SpokenWeek" : "SpokenWeeks").arg(age->weeks) + QLatin1Char(' ') +
           Text(age->days == 1 ? "SpokenDay" : "SpokenDays").arg(age->days);
}

// Joins the pieces that are there with the separator.
QString Joined(std::initializer_list<QString> pieces, const QString& separator) {
    QString joined;
    for (const QString& piece : pieces) {
        if (!piece.isEmpty()) {
            joined += (joined.isEmpty() ? QString() : separator) + piece;
        }
    }
    return joined;
}

void DrawLine(QPainter& painter, const QRect& box, const QString& text) {
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, box.width()));
}

}  // namespace

QLocale UiLocale() {
    return QLocale(QString::fromStdString(app::UiText("Language", "Locale", "en_US")));
}

RecordItemView RecordItemViewOf(const archive::RecordIdentity& record,
                                const std::optional<archive::RecordSummary>& summary,
                                const QLocale& locale) {
    RecordItemView view;
    const archive::RecordDates& dates = record.dates;
    if (!dates.stored) {
        return view;
    }
    const std::optional<platform::CivilDateTime> start =
        summary ? archive::RecordStart(dates, summary->seconds) : std::nullopt;
    const QDateTime when = LocalDateTime(start ? *start : *dates.stored);
    const QString age =
        QString::fromStdString(archive::RecordItemTexts(dates, CurrentWords()).ageLine);
    QString spokenWhen = locale.toString(when.date(), QLocale::LongFormat);
    if (start) {
        view.whenLine = locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                        locale.toString(when.time(), QLocale::ShortFormat);
        spokenWhen += QStringLiteral(", ") + locale.toString(when.time(), QLocale::ShortFormat);
    } else {
        view.whenLine = locale.toString(when.date(), QLocale::ShortFormat);
    }
    QString duration;
    QString spokenShare;
    if (summary) {
        duration = QString::fromStdString(archive::ShortDuration(summary->seconds));
        view.percent = archive::ConfirmedPercent(*summary);
        view.silent = archive::NoHeartbeatHeard(*summary);
        if (view.silent) {
            view.markText = Text("ItemNoHeartbeat");
            spokenShare = Text("SpokenNoHeartbeat");
        } else if (view.percent) {
            view.markText = Text("ItemPercent").arg(locale.toString(*view.percent));
            spokenShare = Text("SpokenConfirmed").arg(*view.percent);
        }
    }
    view.detailLine = Joined({age, duration}, QStringLiteral("  "));
    view.spoken =
        Joined({spokenWhen, duration.isEmpty() ? QString() : Text("SpokenDuration").arg(duration),
                spokenShare, SpokenAge(dates)},
               QStringLiteral(", "));
    return view;
}

void DrawRecordItem(QPainter& painter, const QRect& itemRect, int index, bool selected,
                    const RecordItemView& view) {
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
        // An item wider than the frame gets the frame's right end at its own right edge; the
        // frame's middle is alike all along, so a second copy stretches it.
        const int wider = itemRect.width() - frame.Size().width();
        if (wider > 0) {
            painter.save();
            painter.setClipRect(itemRect.adjusted(wider + kFrameEnd, 0, 0, 0), Qt::IntersectClip);
            frame.DrawAt(painter, itemRect.topLeft() + QPoint(wider, 0));
            painter.restore();
        }
    }

    const int left = itemRect.left();
    const int top = itemRect.top();
    const int height = itemRect.height();
    const int right = left + itemRect.width();
    // A record without a heartbeat keeps its heart, faded.
    if (view.silent) {
        painter.setOpacity(kFadedHeart);
    }
    CachedSkinBitmap(skin::kRecordHeart).DrawCentred(painter, QRect(left, top, height, height));
    painter.setOpacity(1.0);

    const int textLeft = left + kTextLeft;
    const int textWidth = right - textLeft - kTextGap;
    const int firstTop = top + (height - 3 * kLineHeight) / 2;
    // Opaque white glyph cells, as over the white item.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(kItemBackground);

    painter.setFont(app::UiFont(true));
    painter.setPen(view.silent ? kSilentColour : kAgeColour);
    DrawLine(painter, QRect(textLeft, firstTop, textWidth, kLineHeight), view.whenLine);

    painter.setFont(app::UiFont(false));
    painter.setPen(view.silent ? kSilentColour : kTimeColour);
    DrawLine(painter, QRect(textLeft, firstTop + kLineHeight, textWidth, kLineHeight),
             view.detailLine);

    QRect markLine(textLeft, firstTop + 2 * kLineHeight, textWidth, kLineHeight);
    if (view.percent && !view.silent) {
        // A bar filled as far as the share of confirmed seconds.
        const QRect bar(markLine.left(), markLine.center().y() - kMarkHeight / 2, kMarkWidth,
                        kMarkHeight);
        painter.fillRect(bar, kItemBackground);
        painter.fillRect(
            QRect(bar.left(), bar.top(), bar.width() * *view.percent / 100, bar.height()),
            kConfirmedColour);
        painter.setPen(kMarkFrameColour);
        painter.drawRect(bar.adjusted(0, 0, -1, -1));
        markLine.setLeft(bar.right() + kTextGap - 1);
    }
    // One point smaller, so that the share's word fits beside its bar.
    QFont small = app::UiFont(false);
    if (small.pixelSize() > 1) {
        small.setPixelSize(small.pixelSize() - 1);
    } else if (small.pointSizeF() > 1.0) {
        small.setPointSizeF(small.pointSizeF() - 1.0);
    }
    painter.setFont(small);
    painter.setPen(view.silent ? kSilentColour : kAgeColour);
    DrawLine(painter, markLine, view.markText);
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
        RecordItemViewOf(RecordOfItem(index), SummaryOfItem(index), UiLocale()));
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
