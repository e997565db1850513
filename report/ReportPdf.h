// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPageSize>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "archive/RecordEvents.h"
#include "ratecheck/RateCheck.h"
#include "report/RecordFacts.h"
#include "report/ReportTexts.h"
#include "report/TracePaper.h"

class QLocale;

namespace marulo::report {

struct ReportOptions {
    PaperSpeed speed = PaperSpeed::OneCmPerMinute;
    QPageSize::PageSizeId pageSize = QPageSize::A4;
};

// US Letter where the locale's people print on it, A4 elsewhere.
QPageSize::PageSizeId PageSizeForLocale(const QLocale& locale);

// The frame of a landscape page of that size.
PageFrame LandscapeFrame(QPageSize::PageSizeId pageSize);

// The version of the program that writes the report.
std::string ProgramVersion();

// Writes the report of a record as a PDF file: a header with the mother, due date, age, time
// and length of the recording, the summary figures, the trace on trace paper and a footer on
// every page. Given the checks of its audio, only the rates that count are drawn and enter the
// figures (CheckedTrace), each row has a strip of marks under it and the header counts every
// second once by its status, adding up to the duration. Needs a QGuiApplication. The file is
// written whole or not at all. The parent's marks are drawn on the paper as event marks and counted
// with the figures; her note is printed under them.
bool WritePdfReport(const std::filesystem::path& target, const RecordFacts& facts,
                    std::span<const std::int32_t> trace, const ReportTexts& texts,
                    const ReportOptions& options, std::string& error,
                    const std::optional<std::vector<ratecheck::SecondCheck>>& checks = {},
                    const archive::RecordEvents& events = {});

}  // namespace marulo::report
