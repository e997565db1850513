// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "archive/RecordItemTexts.h"

namespace marulo::report {

// The words a report is written in, taken from a language file.
struct ReportTexts {
    std::string fontFamily;
    std::string programName;
    std::string title;
    std::string mother;
    std::string edc;
    std::string age;
    std::string recorded;
    std::string duration;
    std::string coverage;
    std::string median;
    std::string percentiles;
    std::string lowest;
    std::string highest;
    std::string outsideBand;
    std::string paperSpeed;
    std::string bpm;
    std::string page;  // "%1" is the page number, "%2" the page count
    std::string notice;
    std::string checkedFigures;
    std::string confirmed;
    std::string confirmedWord;
    std::string account;
    std::string maternal;
    std::string halfRate;
    std::string noSignal;
    std::string unsure;
    std::string stripLegend;
    std::string marks;
    std::string note;
    archive::RecordItemWords recordWords;
};

// Gives the text of a key of section Message.
using MessageLookup = std::function<std::string(std::string_view key)>;

ReportTexts LoadReportTexts(const MessageLookup& message, std::string fontFamily);

}  // namespace marulo::report
