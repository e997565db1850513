// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ReportTexts.h"

namespace marulo::report {

ReportTexts LoadReportTexts(const MessageLookup& message, std::string fontFamily) {
    ReportTexts texts;
    texts.fontFamily = std::move(fontFamily);
    texts.programName = message("ProgramName");
    texts.title = message("ReportTitle");
    texts.mother = message("MotherTitle");
    texts.edc = message("EDCTitle");
    texts.age = message("ReportAge");
    texts.recorded = message("ReportRecorded");
    texts.duration = message("ReportDuration");
    texts.coverage = message("ReportCoverage");
    texts.median = message("ReportMedian");
    texts.percentiles = message("ReportPercentiles");
    texts.lowest = message("ReportLowest");
    texts.highest = message("ReportHighest");
    texts.outsideBand = message("ReportOutsideBand");
    texts.paperSpeed = message("ReportPaperSpeed");
    texts.bpm = message("Bpm");
    texts.page = message("ReportPage");
    texts.notice = message("ReportNotice");
    texts.checkedFigures = message("ReportChecked");
    texts.confirmed = message("ReportConfirmed");
    texts.confirmedWord = message("ReportConfirmedWord");
    texts.account = message("ReportAccount");
    texts.maternal = message("ReportMaternal");
    texts.halfRate = message("ReportHalfRate");
    texts.noSignal = message("ReportNoSignal");
    texts.unsure = message("ReportUnsure");
    texts.stripLegend = message("ReportStripLegend");
    texts.marks = message("ReportMarks");
    texts.note = message("ReportNote");
    texts.recordWords = {message("WeekTitle"), message("DayTitle"), message("Am"), message("Pm")};
    return texts;
}

}  // namespace marulo::report
