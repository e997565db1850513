// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-report: turns a stored record into a PDF report, a CSV of its trace and its audio.
#include <QGuiApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "archive/RecordArchive.h"
#include "platform/IniFile.h"
#include "report/ExportFiles.h"
#include "report/RecordReport.h"
#include "report/ReportPdf.h"
#include "report/ReportTexts.h"
#include "report/TraceSummary.h"

namespace {

constexpr int kWriteFailed = 1;
constexpr int kBadInput = 2;
constexpr int kDamagedInput = 4;

constexpr std::string_view kUsage =
    "usage: marulo-report RECORD.zip [--pdf OUT.pdf|-] [--csv OUT.csv|-] [--wav OUT.wav|-] "
    "[--speed 1|3] [--language FILE] | --help";

constexpr std::string_view kHelp = R"(usage: marulo-report RECORD.zip [options]

Reads a stored record straight from its archive (never the program's working files) and writes
what is asked. The mother's name, due date and recording time come from the record's file name.

  --pdf OUT.pdf     the report on trace paper: header, summary figures, the trace, a footer
  --csv OUT.csv     the trace, one row a second: second,time,bpm,quality,checked,status,
                    counted,date,moved,note (bpm empty for no rate; quality and checked as
                    marulo-analyze --check gives them; status and counted as the report
                    counts the second; date the day of that second; moved "1" where the
                    parent marked that the baby moved; the record's note in the first row)

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

Without an output the summary figures are printed. Every file is written whole or not at all:
into a temporary file beside it, then renamed into its place. An output that is a symbolic link
is written through: the file it leads to is replaced and the link stays. An output that exists
and is no ordinary file (a device such as /dev/stdout on a terminal or a pipe, a FIFO, a folder)
is refused. OUT given as - writes that output to standard output (one output at most).

A record's audio is unpacked only as far as its trace allows, as the program's window does: an
audio item longer than that is refused as a damaged record.

Exit status:
  0  success
  1  an output cannot be written (no room, no right, no ordinary file, a path that is no UTF-8)
  2  bad usage, or a file that is not a readable record (then nothing is written)
  4  the outputs are written, but the record's audio is damaged: cut off before the length its
     header declares, unreadable or failing its check sum (one warning line on standard error;
     the trace is shown unchecked where the audio cannot confirm it)
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
    const auto toStandardOutput = [](const std::optional<std::filesystem::path>& out) {
        return out && *out == "-";
    };
    if (!haveRecord ||
        toStandardOutput(parsed.pdf) + toStandardOutput(parsed.csv) + toStandardOutput(parsed.wav) >
            1) {
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

// Where an output is written: its own path, or for "-" a file in a private folder that is copied
// to standard output once it is whole.
class Output {
public:
    explicit Output(std::filesystem::path given) : m_given(std::move(given)) {}

    std::optional<std::filesystem::path> Path(std::string& error) {
        if (m_given != "-") {
            return m_given;
        }
        if (!m_folder.isValid()) {
            error = "cannot make a temporary folder: " + m_folder.errorString().toStdString();
            return std::nullopt;
        }
        return std::filesystem::path(m_folder.path().toStdString()) / "output";
    }

    bool Deliver(std::string& error) {
        if (m_given != "-") {
            return true;
        }
        std::ifstream in(std::filesystem::path(m_folder.path().toStdString()) / "output",
                         std::ios::binary);
        std::vector<char> piece(std::size_t{1} << 16);
        while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) ||
               in.gcount() > 0) {
            const auto got = static_cast<std::size_t>(in.gcount());
            if (std::fwrite(piece.data(), 1, got, stdout) != got) {
                break;
            }
        }
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || in.bad()) {
            error = "cannot write to standard output";
            return false;
        }
        return true;
    }

private:
    std::filesystem::path m_given;
    QTemporaryDir m_folder;
};

int Run(int argc, char** argv, const Arguments& parsed) {
    // The report draws no window; fonts and the PDF writer need only a GUI application.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Standard error carries the tool's own line alone, not the toolkit's notes.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QGuiApplication application(argc, argv);

    const std::filesystem::path languageFile =
        parsed.language ? *parsed.language
                        : FsPath(marulo::app::JoinFolderPath(marulo::app::ExeFolder(), "Conf.ini",
                                                             marulo::app::kPathSeparator));
    const marulo::report::ReportTexts texts = TextsOf(languageFile);

    std::string error;
    const std::optional<marulo::report::RecordReport> record =
        marulo::report::ReadRecordReport(parsed.record, texts.recordWords, error);
    if (!record) {
        return Fail(parsed.record.string() + ": " + error, kBadInput);
    }
    // The audio is read through once before anything is written: a bomb is refused as the
    // window refuses it, damage is told at the end.
    const marulo::report::AudioScan scan = marulo::report::ScanArchivedAudio(
        parsed.record, marulo::archive::MaxAudioBytesForTrace(record->trace.size()));
    if (scan.state == marulo::report::AudioState::TooLarge) {
        return Fail(scan.why, kBadInput);
    }
    if (parsed.wav) {
        Output output(*parsed.wav);
        const auto path = output.Path(error);
        marulo::report::ExportFailure failure = marulo::report::ExportFailure::Output;
        if (!path || !marulo::report::SaveArchivedAudio(parsed.record, *path, error, &failure)) {
            return failure == marulo::report::ExportFailure::Input
                       ? Fail(parsed.record.string() + ": " + error, kBadInput)
                       : Fail(error, kWriteFailed);
        }
        if (!output.Deliver(error)) {
            return Fail(error, kWriteFailed);
        }
    }
    // The check reads all the audio: once, for whichever reports want it.
    std::optional<std::optional<std::vector<marulo::ratecheck::SecondCheck>>> checks;
    const auto checksOnce = [&]() -> const auto& {
        if (!checks) {
            checks = marulo::report::CheckRecordAudio(*record);
        }
        return *checks;
    };
    if (parsed.csv) {
        Output output(*parsed.csv);
        const auto path = output.Path(error);
        if (!path || !marulo::report::WriteCsvReport(*record, *path, checksOnce(), error) ||
            !output.Deliver(error)) {
            return Fail(error, kWriteFailed);
        }
    }
    if (parsed.pdf) {
        marulo::report::ReportOptions options;
        options.speed = parsed.speed;
        options.pageSize = marulo::report::PageSizeForLocale(QLocale::system());
        Output output(*parsed.pdf);
        const auto path = output.Path(error);
        if (!path ||
            !marulo::report::WritePdfReport(*path, record->facts, record->trace, texts, options,
                                            error, checksOnce(), record->events) ||
            !output.Deliver(error)) {
            return Fail(error, kWriteFailed);
        }
    }
    if (!parsed.pdf && !parsed.csv && !parsed.wav) {
        PrintSummary(*record);
        if (!std::cout.flush()) {
            return Fail("cannot write to standard output", kWriteFailed);
        }
    }
    if (scan.state == marulo::report::AudioState::Damaged) {
        return Fail("warning: " + scan.why, kDamagedInput);
    }
    return 0;
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
    try {
        return Run(argc, argv, *parsed);
    } catch (const std::exception& problem) {
        // A path the system cannot take, met where no error code is asked for.
        return Fail(problem.what(), kBadInput);
    }
}
