// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ReportPdf.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPointF>
#include <QPolygonF>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "report/CheckedTrace.h"
#include "report/ExportFiles.h"
#include "report/QualityPalette.h"
#include "report/TraceCsv.h"
#include "report/TraceSummary.h"

namespace marulo::report {

namespace {

constexpr int kResolution = 600;  // dots per inch of the page's coordinates

const QColor kLightGrid(246, 190, 200);
const QColor kDarkGrid(214, 110, 134);
const QColor kBand(222, 240, 222);
const QColor kTrace(24, 40, 150);
const QColor kSetApart(120, 120, 170);
const QColor kLabel(80, 80, 80);
// The parent's "baby moved" marks, apart from the trace's blue and the grid's red.
const QColor kMovementMark(20, 20, 20);
constexpr double kMarkArrowMm = 2.2;

constexpr double kStripGapMm = 0.5;  // between the paper and its strip, inside the row gap
constexpr double kStripMm = 2.0;

double Dots(double mm) {
    return mm * kResolution / 25.4;
}

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The UI face first; Noto Sans CJK carries the Chinese glyphs a Latin face lacks.
QFont ReportFont(const ReportTexts& texts, double points, bool bold = false) {
    QFont font;
    QStringList families;
    if (!texts.fontFamily.empty()) {
        families << Text(texts.fontFamily);
    }
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("DejaVu Sans");
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString RateText(double bpm, const ReportTexts& texts) {
    const bool whole = std::floor(bpm) == bpm;
    return QString::number(bpm, 'f', whole ? 0 : 1) + ' ' + Text(texts.bpm);
}

QString Field(const std::string& label, const QString& value) {
    return Text(label) + QStringLiteral(": ") + value;
}

constexpr double kNoteLineMm = 5.0;

// A note takes one more line of the first page's header.
PageFrame FrameFor(QPageSize::PageSizeId pageSize, const archive::RecordEvents& events) {
    PageFrame frame = LandscapeFrame(pageSize);
    if (!events.note.empty()) {
        frame.firstPageHeaderMm += kNoteLineMm;
    }
    return frame;
}

class ReportPainter {
public:
    ReportPainter(QPainter& painter, const RecordFacts& facts, std::span<const std::int32_t> trace,
                  const ReportTexts& texts, const ReportOptions& options,
                  const std::optional<std::vector<ratecheck::SecondCheck>>& checks,
                  const archive::RecordEvents& events)
        : m_painter(painter),
          m_events(events),
          m_facts(facts),
          m_checked(checks ? std::optional(CheckTrace(trace.size(), *checks)) : std::nullopt),
          m_trace(m_checked ? std::span<const std::int32_t>(m_checked->rates) : trace),
          m_texts(texts),
          m_options(options),
          m_frame(FrameFor(options.pageSize, events)),
          m_paper(options.speed, m_frame, static_cast<std::int64_t>(trace.size())),
          m_startSecondOfDay(facts.start.hour * 3600 + facts.start.minute * 60 +
                             facts.start.second) {}

    int PageCount() const { return m_paper.PageCount(); }

    void DrawPage(int page) {
        if (page == 0) {
            DrawHeader();
        }
        for (const PaperRow& row : m_paper.Rows()) {
            if (row.page == page) {
                DrawRow(row);
            }
        }
        DrawFooter(page);
    }

private:
    void TextAt(double xMm, double baselineMm, const QString& text) {
        m_painter.drawText(QPointF(Dots(xMm), Dots(baselineMm)), text);
    }

    // On one line within the width: a text too long for it is set in a smaller size.
    void TextFittedAt(double xMm, double baselineMm, double widthMm, const QString& text) {
        const QFont font = m_painter.font();
        const double width =
            QFontMetricsF(font, m_painter.device()).horizontalAdvance(text) / Dots(1.0);
        if (width > widthMm) {
            QFont smaller = font;
            // A little under the exact ratio, as the measured width does not shrink quite in step.
            smaller.setPointSizeF(font.pointSizeF() * widthMm / width * 0.97);
            m_painter.setFont(smaller);
        }
        TextAt(xMm, baselineMm, text);
        m_painter.setFont(font);
    }

    void TextRightAt(double rightMm, double baselineMm, const QString& text) {
        const double width =
            QFontMetricsF(m_painter.font(), m_painter.device()).horizontalAdvance(text);
        m_painter.drawText(QPointF(Dots(rightMm) - width, Dots(baselineMm)), text);
    }

    void DrawHeader() {
        const double left = m_frame.marginMm;
        const double right = m_frame.widthMm - m_frame.marginMm;
        double line = m_frame.marginMm + 5.0;
        m_painter.setPen(Qt::black);
        m_painter.setFont(ReportFont(m_texts, 15, true));
        TextAt(left, line, Text(m_texts.title));
        m_painter.setFont(ReportFont(m_texts, 8));
        TextRightAt(right, line, Text(m_texts.programName + " " + ProgramVersion()));

        const QString gap = QStringLiteral("      ");
        m_painter.setFont(ReportFont(m_texts, 10));
        line += 7.5;
        TextAt(left, line,
               Field(m_texts.mother, Text(m_facts.motherName)) + gap +
                   Field(m_texts.edc, Text(m_facts.edcText)) + gap +
                   Field(m_texts.age, Text(m_facts.ageLine)));
        line += 6.0;
        TextAt(left, line,
               Field(m_texts.recorded, Text(DateTimeText(m_facts.start)) + QStringLiteral(" – ") +
                                           Text(ClockText(m_startSecondOfDay + m_facts.seconds))) +
                   gap + Field(m_texts.duration, Text(DurationText(m_facts.seconds))) + gap +
                   Field(m_texts.paperSpeed, m_options.speed == PaperSpeed::ThreeCmPerMinute
                                                 ? QStringLiteral("3 cm/min")
                                                 : QStringLiteral("1 cm/min")));

        const TraceSummary summary = Summarize(m_trace);
        const bool rated = summary.ratedSeconds > 0;
        const QString none = QStringLiteral("–");
        line += 7.5;
        m_painter.setFont(ReportFont(m_texts, 10, true));
        // Checked, the first figure is the confirmed time, which the accounting below shares.
        const QString share =
            m_checked ? Field(m_texts.confirmed,
                              Share(m_checked->SecondsOf(SecondStatus::Confirmed), summary.seconds))
                      : Field(m_texts.coverage, QStringLiteral("%1 / %2 (%3%)")
                                                    .arg(summary.ratedSeconds)
                                                    .arg(summary.seconds)
                                                    .arg(std::lround(summary.Coverage() * 100.0)));
        TextAt(left, line,
               share + gap +
                   Field(m_texts.median, rated ? RateText(summary.median, m_texts) : none) + gap +
                   Field(m_texts.percentiles, rated ? QStringLiteral("%1–%2 %3")
                                                          .arg(summary.percentile10)
                                                          .arg(summary.percentile90)
                                                          .arg(Text(m_texts.bpm))
                                                    : none));
        line += 6.0;
        TextAt(
            left, line,
            Field(m_texts.lowest, rated ? RateText(summary.lowest, m_texts) : none) + gap +
                Field(m_texts.highest, rated ? RateText(summary.highest, m_texts) : none) + gap +
                Field(m_texts.outsideBand, QString::number(summary.MinutesOutsideBand(), 'f', 1)) +
                gap + Field(m_texts.marks, QString::number(m_events.marks.size())));
        if (m_checked) {
            line = DrawCheckedNote(line);
        }
        if (!m_events.note.empty()) {
            DrawRecordNote(line + kNoteLineMm);
        }
    }

    // The parent's note, on one line: line breaks become spaces, and a note too long for the line
    // is cut short with an ellipsis (the CSV holds it whole).
    void DrawRecordNote(double line) {
        m_painter.setPen(Qt::black);
        m_painter.setFont(ReportFont(m_texts, 9));
        const double width = m_frame.widthMm - 2 * m_frame.marginMm;
        const QString note = Field(m_texts.note, Text(m_events.note).replace('\n', ' '));
        const QFontMetricsF metrics(m_painter.font(), m_painter.device());
        TextAt(m_frame.marginMm, line, metrics.elidedText(note, Qt::ElideRight, Dots(width)));
    }

    // An arrow on the top edge of the paper pointing down at each marked second, with a tick
    // under it, as a fetal monitor prints its event marks.
    void DrawMovementMarks(const PaperRow& row) {
        const auto first = std::lower_bound(m_events.marks.begin(), m_events.marks.end(),
                                            static_cast<std::uint32_t>(row.firstSecond));
        m_painter.setPen(QPen(kMovementMark, Dots(0.3)));
        m_painter.setBrush(kMovementMark);
        for (auto mark = first;
             mark != m_events.marks.end() &&
             static_cast<std::int64_t>(*mark) < row.firstSecond + m_paper.SecondsPerRow();
             ++mark) {
            const double x = m_paper.XForSecond(row, *mark + 0.5);
            const double top = row.topMm;
            const QPointF arrow[] = {{Dots(x - kMarkArrowMm / 2), Dots(top)},
                                     {Dots(x + kMarkArrowMm / 2), Dots(top)},
                                     {Dots(x), Dots(top + kMarkArrowMm)}};
            m_painter.drawPolygon(arrow, 3);
            Line(x, top + kMarkArrowMm, x, top + 3 * kMarkArrowMm);
        }
        m_painter.setBrush(Qt::NoBrush);
    }

    static QString Share(std::int64_t part, std::int64_t whole) {
        const long percent =
            whole == 0
                ? 0L
                : std::lround(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
        return Text(DurationText(part)) + QStringLiteral(" (%1%)").arg(percent);
    }

    // Under the figures: every second counted once under one status, adding up to the
    // duration; then what is drawn and what the figures are made of.
    // Returns the last line's baseline.
    double DrawCheckedNote(double line) {
        const CheckedTrace& checked = *m_checked;
        const auto part = [&](const std::string& word, SecondStatus status) {
            return Text(word) + ' ' + Text(DurationText(checked.SecondsOf(status)));
        };
        const QString plus = QStringLiteral(" + ");
        const double width = m_frame.widthMm - 2 * m_frame.marginMm;
        line += 6.0;
        m_painter.setFont(ReportFont(m_texts, 9));
        TextFittedAt(
            m_frame.marginMm, line, width,
            Field(m_texts.account,
                  part(m_texts.confirmedWord, SecondStatus::Confirmed) + plus +
                      part(m_texts.maternal, SecondStatus::MaternalPulse) + plus +
                      part(m_texts.halfRate, SecondStatus::HalfRate) + plus +
                      part(m_texts.noSignal, SecondStatus::NoSignal) + plus +
                      part(m_texts.unsure, SecondStatus::Uncertain) + QStringLiteral(" = ") +
                      Text(DurationText(static_cast<std::int64_t>(checked.statuses.size())))));
        m_painter.setPen(kLabel);
        m_painter.setFont(ReportFont(m_texts, 7));
        line += 4.5;
        TextFittedAt(m_frame.marginMm, line, width, Text(m_texts.stripLegend));
        line += 3.5;
        TextFittedAt(m_frame.marginMm, line, width, Text(m_texts.checkedFigures));
        m_painter.setPen(Qt::black);
        return line;
    }

    // One box per run of equal marks along the row, just under its paper.
    void DrawStrip(const PaperRow& row) {
        const auto first = static_cast<std::size_t>(row.firstSecond);
        const std::size_t end = std::min(m_checked->marks.size(),
                                         first + static_cast<std::size_t>(m_paper.SecondsPerRow()));
        const double top = row.topMm + TracePaper::kPaperHeightMm + kStripGapMm;
        m_painter.setPen(Qt::NoPen);
        for (std::size_t second = first; second < end;) {
            std::size_t runEnd = second + 1;
            while (runEnd < end && m_checked->marks[runEnd] == m_checked->marks[second]) {
                ++runEnd;
            }
            const double left = m_paper.XForSecond(row, static_cast<double>(second));
            const double right = m_paper.XForSecond(row, static_cast<double>(runEnd));
            m_painter.fillRect(QRectF(Dots(left), Dots(top), Dots(right - left), Dots(kStripMm)),
                               MarkColour(m_checked->marks[second]));
            second = runEnd;
        }
    }

    void Line(double x1, double y1, double x2, double y2) {
        m_painter.drawLine(QPointF(Dots(x1), Dots(y1)), QPointF(Dots(x2), Dots(y2)));
    }

    void DrawGrid(const PaperRow& row, bool dark) {
        m_painter.setPen(QPen(dark ? kDarkGrid : kLightGrid, Dots(dark ? 0.25 : 0.12)));
        const double left = row.leftMm;
        const double right = row.leftMm + m_paper.RowWidthMm();
        const double top = row.topMm;
        const double bottom = row.topMm + TracePaper::kPaperHeightMm;
        for (const GridLine& line : m_paper.MinuteLines(row)) {
            if (line.dark == dark) {
                Line(line.positionMm, top, line.positionMm, bottom);
            }
        }
        for (const GridLine& line : m_paper.RateLines(row)) {
            if (line.dark == dark) {
                Line(left, line.positionMm, right, line.positionMm);
            }
        }
    }

    void DrawRow(const PaperRow& row) {
        const double width = m_paper.RowWidthMm();
        const double bandTop = m_paper.YForRate(row, kNormalBandHigh);
        const double bandBottom = m_paper.YForRate(row, kNormalBandLow);
        m_painter.fillRect(
            QRectF(Dots(row.leftMm), Dots(bandTop), Dots(width), Dots(bandBottom - bandTop)),
            kBand);
        DrawGrid(row, false);
        DrawGrid(row, true);
        m_painter.setPen(QPen(kDarkGrid, Dots(0.3)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRectF(Dots(row.leftMm), Dots(row.topMm), Dots(width),
                                  Dots(TracePaper::kPaperHeightMm)));

        m_painter.setPen(kLabel);
        m_painter.setFont(ReportFont(m_texts, 6.5));
        for (int bpm = 60; bpm <= TracePaper::kHighestBpm; bpm += 30) {
            TextRightAt(row.leftMm - 1.0, m_paper.YForRate(row, bpm) + 1.0, QString::number(bpm));
        }
        m_painter.setFont(ReportFont(m_texts, 8, true));
        m_painter.setPen(Qt::black);
        TextAt(row.leftMm, row.topMm - 1.5, Text(ClockText(m_startSecondOfDay + row.firstSecond)));
        m_painter.setFont(ReportFont(m_texts, 7));
        m_painter.setPen(kLabel);
        for (const GridLine& line : m_paper.MinuteLines(row)) {
            if (line.dark && line.positionMm > row.leftMm && line.positionMm < row.leftMm + width) {
                const double second =
                    row.firstSecond + (line.positionMm - row.leftMm) / m_paper.MmPerMinute() * 60;
                TextAt(line.positionMm + 0.8, row.topMm - 1.5,
                       Text(ClockText(m_startSecondOfDay + std::llround(second))));
            }
        }
        DrawTrace(row);
        if (m_checked) {
            DrawStrip(row);
        }
        DrawMovementMarks(row);
    }

    // Each run of rated seconds as one line; where a checked record counts a rate it could not
    // confirm, that part is dashed and paler, joined to its neighbours.
    void DrawTrace(const PaperRow& row) {
        QPen solid(kTrace, Dots(0.35));
        solid.setCapStyle(Qt::RoundCap);
        solid.setJoinStyle(Qt::RoundJoin);
        QPen apart(kSetApart, Dots(0.35));
        apart.setDashPattern({2.5, 2.0});
        const auto point = [&](std::int64_t second) {
            return QPointF(Dots(m_paper.XForSecond(row, static_cast<double>(second))),
                           Dots(m_paper.YForRate(row, m_trace[static_cast<std::size_t>(second)])));
        };
        const auto setApart = [&](std::int64_t second) {
            return m_checked && m_checked->IsSetApart(static_cast<std::size_t>(second));
        };
        for (const TraceRun& run : RatedRuns(m_trace, row.firstSecond, m_paper.SecondsPerRow())) {
            const std::int64_t end = run.firstSecond + run.seconds;
            for (std::int64_t first = run.firstSecond; first < end;) {
                const bool dashed = setApart(first);
                std::int64_t last = first + 1;
                while (last < end && setApart(last) == dashed) {
                    ++last;
                }
                m_painter.setPen(dashed ? apart : solid);
                QPolygonF points;
                for (std::int64_t second = first; second < std::min(last + 1, end); ++second) {
                    points << point(second);
                }
                if (points.size() == 1) {
                    m_painter.drawPoint(points.front());
                } else {
                    m_painter.drawPolyline(points);
                }
                first = last;
            }
        }
    }

    void DrawFooter(int page) {
        const double baseline = m_frame.heightMm - m_frame.marginMm;
        m_painter.setPen(kLabel);
        m_painter.setFont(ReportFont(m_texts, 7.5));
        TextAt(m_frame.marginMm, baseline, Text(m_texts.notice));
        TextRightAt(m_frame.widthMm - m_frame.marginMm, baseline,
                    Text(m_texts.page).arg(page + 1).arg(PageCount()));
        TextRightAt(
            m_frame.widthMm - m_frame.marginMm, baseline - 4.0,
            Text(m_facts.motherName) + QStringLiteral(" · ") + Text(DateTimeText(m_facts.start)));
    }

    QPainter& m_painter;
    const archive::RecordEvents& m_events;
    const RecordFacts& m_facts;
    std::optional<CheckedTrace> m_checked;
    std::span<const std::int32_t> m_trace;  // the checked rates where there are checks
    const ReportTexts& m_texts;
    const ReportOptions& m_options;
    PageFrame m_frame;
    TracePaper m_paper;
    std::int64_t m_startSecondOfDay;
};

}  // namespace

QPageSize::PageSizeId PageSizeForLocale(const QLocale& locale) {
    if (locale.measurementSystem() == QLocale::ImperialUSSystem) {
        return QPageSize::Letter;
    }
    switch (locale.territory()) {
        case QLocale::Canada:
        case QLocale::Mexico:
        case QLocale::Philippines:
        case QLocale::Chile:
        case QLocale::Colombia:
        case QLocale::Venezuela:
        case QLocale::CostaRica:
        case QLocale::Guatemala:
        case QLocale::PuertoRico:
            return QPageSize::Letter;
        default:
            return QPageSize::A4;
    }
}

PageFrame LandscapeFrame(QPageSize::PageSizeId pageSize) {
    const QSizeF portrait = QPageSize(pageSize).size(QPageSize::Millimeter);
    PageFrame frame;
    frame.widthMm = std::max(portrait.width(), portrait.height());
    frame.heightMm = std::min(portrait.width(), portrait.height());
    return frame;
}

std::string ProgramVersion() {
    return MARULO_VERSION;
}

bool WritePdfReport(const std::filesystem::path& target, const RecordFacts& facts,
                    std::span<const std::int32_t> trace, const ReportTexts& texts,
                    const ReportOptions& options, std::string& error,
                    const std::optional<std::vector<ratecheck::SecondCheck>>& checks,
                    const archive::RecordEvents& events) {
    return WriteThroughTemporary(
        target,
        [&](const std::filesystem::path& temporary, std::string& writeError) {
            QFile file(QString::fromStdU16String(temporary.u16string()));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                writeError = file.errorString().toStdString();
                return false;
            }
            QPdfWriter writer(&file);
            writer.setResolution(kResolution);
            writer.setPageSize(QPageSize(options.pageSize));
            writer.setPageOrientation(QPageLayout::Landscape);
            writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            writer.setTitle(Text(texts.title) + QStringLiteral(" – ") + Text(facts.motherName));
            writer.setCreator(Text(texts.programName + " " + ProgramVersion()));
            QPainter painter;
            if (!painter.begin(&writer)) {
                writeError = "cannot start the PDF file";
                return false;
            }
            painter.setRenderHint(QPainter::Antialiasing);
            ReportPainter report(painter, facts, trace, texts, options, checks, events);
            for (int page = 0; page < report.PageCount(); ++page) {
                if (page > 0) {
                    writer.newPage();
                }
                report.DrawPage(page);
            }
            painter.end();
            if (!file.flush() || file.error() != QFileDevice::NoError) {
                writeError = file.errorString().toStdString();
                return false;
            }
            file.close();
            return true;
        },
        error);
}

}  // namespace marulo::report
