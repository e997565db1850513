// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RecordReport.h"

#include <fstream>

#include "acquisition/RecordedAudioCheck.h"
#include "report/ExportFiles.h"
#include "report/TraceCsv.h"

namespace marulo::report {

std::optional<RecordReport> ReadRecordReport(const std::filesystem::path& archive,
                                             const archive::RecordItemWords& words,
                                             std::string& error) {
    std::optional<ArchivedRecord> stored = ReadArchivedRecord(archive, error);
    if (!stored) {
        return std::nullopt;
    }
    const auto seconds = static_cast<std::int64_t>(stored->trace.size());
    std::optional<RecordFacts> facts =
        FactsFromFileName(archive.filename().string(), seconds, words);
    if (!facts) {
        error = "the file name holds no recording time (NAME_EDC_yyyyMMddhhmmsszzz.zip)";
        return std::nullopt;
    }
    RecordReport report{std::move(*facts), std::move(stored->trace), archive, {}, {}};
    report.eventsProblem = archive::ReadRecordEvents(archive, report.events);
    if (report.eventsProblem != archive::EventsProblem::None) {
        report.events = {};
    }
    report.events.marks = archive::TidyMarks(std::move(report.events.marks), report.trace.size());
    return report;
}

std::optional<std::vector<ratecheck::SecondCheck>> CheckRecordAudio(
    const RecordReport& record, const std::atomic<bool>* stop,
    const std::function<void(double)>& progress) {
    // A report of the trace alone is still worth having when its audio cannot be checked.
    std::string error;
    return acquisition::CheckArchivedAudio(record.archive, record.trace, error, stop, progress);
}

bool WriteCsvReport(const RecordReport& record, const std::filesystem::path& target,
                    const std::optional<std::vector<ratecheck::SecondCheck>>& checks,
                    std::string& error) {
    const std::int64_t startSecondOfDay =
        record.facts.start.hour * 3600 + record.facts.start.minute * 60 + record.facts.start.second;
    return WriteThroughTemporary(
        target,
        [&](const std::filesystem::path& temporary, std::string& writeError) {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            WriteTraceCsv(
                out, record.trace, startSecondOfDay,
                checks ? std::span(*checks) : std::span<const ratecheck::SecondCheck>(),
                CsvAdditions{record.facts.start, record.events.marks, record.events.note});
            out.close();
            if (!out) {
                writeError = "cannot write " + target.string();
                return false;
            }
            return true;
        },
        error);
}

}  // namespace marulo::report
