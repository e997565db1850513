// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-report: turns a stored record into a PDF report, a CSV of its trace and its audio.
#include <QGuiApplication>
#include <QLocale>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Config.h"
#include "platform/IniFile.h"
#include "report/ExportFiles.h"
#include "report/RecordReport.h"
#include "report/ReportPdf.h"
#include "report/ReportTexts.h"
#include "report/TraceSummary.h"

namespace {

constexpr int kWriteFailed = 1;
constexpr int kBadInput = 2;

constexpr std::string_view kUsage =
    "usage: marulo-report RECORD.zip [--pdf OUT.pdf] [--csv OUT.csv] [--wav OUT.wav] "
    "[--speed 1|3] [--language FILE] | --help";

constexpr std::string_view kHelp = R"(usage: marulo-report RECORD.zip [options]

Reads a stored record straight from its archive (never the program's working files) and writes
what is asked. The mother's name, due date and recording time come from the record's file name.

  --pdf OUT.pdf     the report on trace paper: header, summary figures, the trace, a footer
  --csv OUT.csv     the trace, one row a second: second,time,bpm,quality,checked (bpm empty
                    for no rate; quality and checked as marulo-analyze --check gives them)

The record's audio is checked against its trace by a second analysis: the PDF then draws the
checked rate, gives its figures from checked seconds with the minutes that could not be
confirmed, and marks every second in a strip under its row. Audio that cannot be read, or that
is more than two seconds shorter than the trace, leaves the trace unchecked, as it was drawn
before.
  --wav OUT.wav     the recording's audio
  --speed 1|3       paper speed of the PDF in cm per minute (default 1)
  --language FILE   the language file for the report's texts (default: the Conf.ini beside
                    this program); a text it lacks is the program's own English one
  --help            print this text

Without an output the summary figures are printed. Every file is written whole or not at all.

Exit status: 0 on success, 1 when an output cannot be written, 2 on bad usage or a file that is
not a readable record (then nothing is written).
)";

struct Arguments {
    std::filesystem::path record;
    std::optional<std::filesystem::path> pdf;
    std::optional<std::filesystem::path> csv;
    std::optional<std::filesystem::path> wav;
    std::optional<std::filesystem::path> language;
    marulo::report::PaperSpeed speed = marulo::report::PaperSpeed::OneCmPerMinute;
};

int Fail(std::string_view message, int status) {
    std::cerr << "marulo-report: " << message << '\n';
    return status;
}

std::filesystem::path FsPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::optional<Arguments> Parse(const std::vector<std::string_view>& args) {
    Arguments parsed;
    bool haveRecord = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--")) {
            if (haveRecord) {
                return std::nullopt;
            }
            parsed.record = FsPath(arg);
            haveRecord = true;
            continue;
        }
        if (i + 1 == args.size()) {
            return std::nullopt;
        }
        const std::string_view value = args[++i];
        if (arg == "--pdf") {
            parsed.pdf = FsPath(value);
        } else if (arg == "--csv") {
            parsed.csv = FsPath(value);
        } else if (arg == "--wav") {
            parsed.wav = FsPath(value);
        } else if (arg == "--language") {
            parsed.language = FsPath(value);
        } else if (arg == "--speed" && (value == "1" || value == "3")) {
            parsed.speed = value == "3" ? marulo::report::PaperSpeed::ThreeCmPerMinute
                                        : marulo::report::PaperSpeed::OneCmPerMinute;
        } else {
            return std::nullopt;
        }
    }
    if (!haveRecord) {
        return std::nullopt;
    }
    return parsed;
}

marulo::report::ReportTexts TextsOf(const std::filesystem::path& languageFile) {
    using marulo::platform::IniFile;
    return marulo::report::LoadReportTexts(
        [&](std::string_view key) {
            // A language file older than a text gets the program's own, as the window does.
            std::string text = IniFile::ReadString(languageFile, "Message", key, "", 1024);
            return text.empty() ? marulo::app::MessageText(key) : text;
        },
        IniFile::ReadString(languageFile, "Font", "Name", "", 32));
}

void PrintSummary(const marulo::report::RecordReport& record) {
    const marulo::report::TraceSummary summary = marulo::report::Summarize(record.trace);
    std::cout << "seconds " << summary.seconds << "\nseconds with a rate " << summary.ratedSeconds
              << "\nmedian " << summary.median << "\n10th percentile " << summary.percentile10
              << "\n90th percentile " << summary.percentile90 << "\nlowest " << summary.lowest
              << "\nhighest " << summary.highest << "\nminutes outside 110-160 "
              << summary.MinutesOutsideBand() << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kHelp;
        return 0;
    }
    const std::optional<Arguments> parsed = Parse(args);
    if (!parsed) {
        std::cerr << kUsage << '\n';
        return kBadInput;
    }
    // The report draws no window; fonts and the PDF writer need only a GUI application.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Standard error carries the tool's own line alone, not the toolkit's notes.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QGuiApplication application(argc, argv);

    const std::filesystem::path languageFile =
        parsed->language ? *parsed->language
                         : FsPath(marulo::app::JoinFolderPath(marulo::app::ExeFolder(), "Conf.ini",
                                                              marulo::app::kPathSeparator));
    const marulo::report::ReportTexts texts = TextsOf(languageFile);

    std::string error;
    const std::optional<marulo::report::RecordReport> record =
        marulo::report::ReadRecordReport(parsed->record, texts.recordWords, error);
    if (!record) {
        return Fail(parsed->record.string() + ": " + error, kBadInput);
    }
    // The audio first: a damaged one makes the file no readable record, and nothing is written.
    if (parsed->wav && !marulo::report::SaveArchivedAudio(parsed->record, *parsed->wav, error)) {
        return Fail(parsed->record.string() + ": " + error, kBadInput);
    }
    if (parsed->csv && !marulo::report::WriteCsvReport(*record, *parsed->csv, error)) {
        return Fail(error, kWriteFailed);
    }
    if (parsed->pdf) {
        marulo::report::ReportOptions options;
        options.speed = parsed->speed;
        options.pageSize = marulo::report::PageSizeForLocale(QLocale::system());
        if (!marulo::report::WritePdfReport(*parsed->pdf, record->facts, record->trace, texts,
                                            options, error,
                                            marulo::report::CheckRecordAudio(*record))) {
            return Fail(error, kWriteFailed);
        }
    }
    if (!parsed->pdf && !parsed->csv && !parsed->wav) {
        PrintSummary(*record);
    }
    return 0;
}
