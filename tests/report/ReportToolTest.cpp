// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-report as a user runs it, with its outputs read back by the PDF tools.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/Analysis.h"
#include "archive/RecordArchive.h"
#include "archive/RecordEvents.h"
#include "report/ExportFiles.h"
#include "report/ReportPdf.h"
#include "report/TraceCsv.h"
#include "report/TracePaper.h"
#include "tests/report/StoredRecords.h"
#include "tests/support/TempFolder.h"
#include "tools/synth/SyntheticRecording.h"

namespace marulo::report {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;

const std::string kRecordName = "Anna_20100512_20100209153045123.zip";

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct RunResult {
    int status = -1;
    std::string errors;
};

// Runs a command line in a locale, keeping its standard error.
RunResult RunTool(const std::string& commandLine, const fs::path& errorsFile,
                  const std::string& locale = "en_GB.UTF-8") {
    const std::string shell =
        "LC_ALL=" + locale + " " + commandLine + " >/dev/null 2>" + Quoted(errorsFile.string());
    const int raw = std::system(shell.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(errorsFile)};
}

std::string Capture(const std::string& commandLine, const fs::path& outputFile) {
    EXPECT_EQ(
        std::system((commandLine + " >" + Quoted(outputFile.string()) + " 2>/dev/null").c_str()), 0)
        << commandLine;
    return ReadBytes(outputFile);
}

// A binary PPM as pdftoppm writes it.
struct Picture {
    int width = 0;
    int height = 0;
    std::string pixels;

    struct Rgb {
        int r, g, b;
    };
    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {static_cast<unsigned char>(pixels[i]), static_cast<unsigned char>(pixels[i + 1]),
                static_cast<unsigned char>(pixels[i + 2])};
    }
    // The trace is drawn in a dark blue that neither paper nor grid holds.
    bool IsTrace(int x, int y) const {
        const Rgb c = At(x, y);
        return c.b > c.r + 60 && c.b > c.g + 50;
    }
};

Picture ReadPpm(const fs::path& file) {
    std::istringstream in(ReadBytes(file));
    std::string magic;
    int maxValue = 0;
    Picture picture;
    in >> magic >> picture.width >> picture.height >> maxValue;
    in.get();
    EXPECT_EQ(magic, "P6");
    picture.pixels.assign(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.width) * picture.height * 3);
    return picture;
}

class ReportToolTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_folder / "out"); }

    std::string Tool() const { return Quoted(MARULO_REPORT_TOOL); }
    std::string Out(const char* name) const { return (m_folder / "out" / name).string(); }
    std::vector<std::string> OutFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder / "out")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    std::string Language(const char* name) const {
        return Quoted((fs::path(MARULO_SOURCE_DIR) / "res" / "lang" / name).string());
    }

    // Twenty minutes: 145 bpm for five, three without a rate, then 100 bpm for twelve.
    static std::vector<std::int32_t> KnownTrace() {
        std::vector<std::int32_t> trace(1200, 100);
        std::fill(trace.begin(), trace.begin() + 300, 145);
        std::fill(trace.begin() + 300, trace.begin() + 480, 0);
        return trace;
    }

    TempFolder m_folder{"report-tool"};
};

TEST_F(ReportToolTest, CsvHoldsTheTraceOfTheArchive) {
    std::vector<std::int32_t> trace = KnownTrace();
    trace[7] = 300;  // damaged values count as no rate
    trace[8] = -2;
    const fs::path record = m_folder / kRecordName;
    testing::WriteRecord(record, trace);
    // The parent's marks and note come from their own items of the archive.
    ASSERT_EQ(archive::WriteRecordEvents(record, {{2, 9}, "kicked \"twice\"\nthen slept"}),
              archive::EventsProblem::None);
    const RunResult run =
        RunTool(Tool() + " " + Quoted(record.string()) + " --csv " + Quoted(Out("t.csv")),
                m_folder / "err");
    ASSERT_EQ(run.status, 0) << run.errors;

    std::istringstream csv(ReadBytes(Out("t.csv")));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "second,time,bpm,quality,checked,status,counted,date,moved,note\r");
    // Stored at 15:30:45 after 1200 seconds: it began at 15:10:45.
    const std::int64_t start = 15 * 3600 + 10 * 60 + 45;
    std::size_t rows = 0;
    for (; std::getline(csv, line); ++rows) {
        ASSERT_LT(rows, trace.size());
        const std::int32_t value = trace[rows];
        const bool rated = value >= 50 && value <= 240;
        const std::string events = rows == 0                ? ",\"kicked \"\"twice\"\" then slept\""
                                   : rows == 2 || rows == 9 ? "1,"
                                                            : ",";
        EXPECT_EQ(line, std::to_string(rows) + "," + ClockText(start + rows) + "," +
                            (rated ? std::to_string(value) : "") + ",,,,,2010-02-09," + events +
                            "\r")
            << rows;
    }
    EXPECT_EQ(rows, trace.size());
}

TEST_F(ReportToolTest, PdfTextNamesTheMotherAndGivesTheFigures) {
    const fs::path record = m_folder / kRecordName;
    testing::WriteRecord(record, KnownTrace());
    ASSERT_EQ(archive::WriteRecordEvents(record, {{60, 61, 900}, "Kicks after lunch"}),
              archive::EventsProblem::None);
    const RunResult run =
        RunTool(Tool() + " " + Quoted(record.string()) + " --pdf " + Quoted(Out("r.pdf")) +
                    " --language " + Language("English.ini"),
                m_folder / "err");
    ASSERT_EQ(run.status, 0) << run.errors;
    const std::string text =
        Capture("pdftotext -enc UTF-8 " + Quoted(Out("r.pdf")) + " -", m_folder / "text");
    for (const char* expected :
         {"Baby moved (marks): 3", "Note: Kicks after lunch", "Mother: Anna",
          "Due date: 2010-05-12", "Gestational age: 26wk 6d", "2010-02-09 15:10:45 – 15:30:45",
          "Duration: 0:20:00", "1020 / 1200 (85%)", "Median: 100 bpm",
          "10th–90th percentile: 100–145 bpm", "Lowest: 100 bpm", "Highest: 145 bpm",
          "Minutes outside 110–160 bpm: 12.0", "Page 1 of 1", "no diagnosis", "15:10:45"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    const std::string info = Capture("pdfinfo " + Quoted(Out("r.pdf")), m_folder / "info");
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    EXPECT_NE(info.find("842 x 595 pts (A4)"), std::string::npos) << info;
}

TEST_F(ReportToolTest, PagesFollowTheLengthSpeedAndLocale) {
    const fs::path record = m_folder / kRecordName;
    testing::WriteRecord(record, std::vector<std::int32_t>(8 * 3600, 140));
    const struct {
        const char* speed;
        const char* locale;
        const char* pages;
        const char* size;
    } cases[] = {
        {"1", "de_DE.UTF-8", "Pages:           10", "842 x 595 pts (A4)"},
        {"3", "de_DE.UTF-8", "Pages:           31", "842 x 595 pts (A4)"},
        {"1", "en_US.UTF-8", "Pages:           11", "792 x 612 pts (letter)"},
    };
    for (const auto& c : cases) {
        const RunResult run = RunTool(Tool() + " " + Quoted(record.string()) + " --speed " +
                                          c.speed + " --pdf " + Quoted(Out("long.pdf")),
                                      m_folder / "err", c.locale);
        ASSERT_EQ(run.status, 0) << run.errors;
        const std::string info = Capture("pdfinfo " + Quoted(Out("long.pdf")), m_folder / "info");
        EXPECT_NE(info.find(c.pages), std::string::npos) << c.speed << c.locale << info;
        EXPECT_NE(info.find(c.size), std::string::npos) << c.speed << c.locale << info;
        const std::string text =
            Capture("pdftotext -enc UTF-8 " + Quoted(Out("long.pdf")) + " -", m_folder / "text");
        const std::string lastPage = std::string(c.pages).substr(17);
        EXPECT_NE(text.find(" " + lastPage + " "), std::string::npos) << lastPage;
    }
}

TEST_F(ReportToolTest, GermanAndChineseRenderWithEmbeddedFonts) {
    const struct {
        const char* file;
        const char* language;
        std::vector<const char*> texts;
    } cases[] = {
        {"Bärbel Öztürk_20100512_20100209153045123.zip",
         "German.ini",
         {"Mutter: Bärbel Öztürk", "Höchste: 145 S/min", "Seite 1 von 1", "keine Diagnose"}},
        {"李娜_20100512_20100209153045123.zip",
         "Chinese.ini",
         {"孕妇: 李娜", "最低: 100", "中位数", "共 1"}},
    };
    for (const auto& c : cases) {
        const fs::path record = m_folder / c.file;
        testing::WriteRecord(record, KnownTrace());
        const RunResult run =
            RunTool(Tool() + " " + Quoted(record.string()) + " --pdf " + Quoted(Out("l.pdf")) +
                        " --language " + Language(c.language),
                    m_folder / "err");
        ASSERT_EQ(run.status, 0) << run.errors;
        const std::string text =
            Capture("pdftotext -enc UTF-8 " + Quoted(Out("l.pdf")) + " -", m_folder / "text");
        for (const char* expected : c.texts) {
            EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
        }
        // Every font the page uses travels inside the file.
        const std::string fonts = Capture("pdffonts " + Quoted(Out("l.pdf")), m_folder / "fonts");
        std::istringstream lines(fonts);
        std::string line;
        int fontCount = 0;
        for (int row = 0; std::getline(lines, line); ++row) {
            if (row >= 2) {
                ++fontCount;
                EXPECT_NE(line.find(" yes "), std::string::npos) << line;
            }
        }
        EXPECT_GT(fontCount, 0) << fonts;
    }
}

TEST_F(ReportToolTest, RenderedPageShowsBandGapAndValues) {
    const fs::path record = m_folder / kRecordName;
    testing::WriteRecord(record, KnownTrace());
    ASSERT_EQ(RunTool(Tool() + " " + Quoted(record.string()) + " --pdf " + Quoted(Out("p.pdf")),
                      m_folder / "err")
                  .status,
              0);
    constexpr double kDpi = 100;
    ASSERT_EQ(std::system(("pdftoppm -r 100 -singlefile " + Quoted(Out("p.pdf")) + " " +
                           Quoted((m_folder / "page").string()))
                              .c_str()),
              0);
    const Picture page = ReadPpm(m_folder / "page.ppm");
    ASSERT_NEAR(page.width, 1169, 1);  // A4 landscape at 100 dpi

    const TracePaper paper(PaperSpeed::OneCmPerMinute, LandscapeFrame(QPageSize::A4), 1200);
    const PaperRow& row = paper.Rows().front();
    const auto px = [&](double mm) { return static_cast<int>(mm / 25.4 * kDpi); };
    const auto xAtMinute = [&](double minute) { return px(paper.XForSecond(row, minute * 60)); };
    const int paperTop = px(row.topMm);
    const int paperBottom = px(row.topMm + TracePaper::kPaperHeightMm);

    // Within the gap (minutes 5 to 8): the band is shaded, above it the paper is white, and no
    // line crosses the column anywhere.
    const Picture::Rgb band = page.At(xAtMinute(6.5), px(paper.YForRate(row, 135)));
    EXPECT_NEAR(band.r, 222, 6);
    EXPECT_NEAR(band.g, 240, 6);
    EXPECT_NEAR(band.b, 222, 6);
    const Picture::Rgb white = page.At(xAtMinute(6.5), px(paper.YForRate(row, 175)));
    EXPECT_GT(white.r + white.g + white.b, 3 * 250);
    for (const double minute : {5.3, 6.5, 7.7}) {
        for (int y = paperTop; y <= paperBottom; ++y) {
            ASSERT_FALSE(page.IsTrace(xAtMinute(minute), y)) << minute << " " << y;
        }
    }
    // Where there is a rate, the line crosses the column at its value.
    const struct {
        double minute;
        int bpm;
    } values[] = {{2.5, 145}, {4.5, 145}, {10.5, 100}, {19.5, 100}};
    for (const auto& v : values) {
        std::vector<int> hits;
        for (int y = paperTop; y <= paperBottom; ++y) {
            if (page.IsTrace(xAtMinute(v.minute), y)) {
                hits.push_back(y);
            }
        }
        ASSERT_FALSE(hits.empty()) << v.minute;
        const double expected = paper.YForRate(row, v.bpm) / 25.4 * kDpi;
        EXPECT_NEAR(hits.front(), expected, 2.0) << v.minute;
        EXPECT_NEAR(hits.back(), expected, 2.0) << v.minute;
    }
}

// Thirty seconds heard as a listener hears them: twenty of the baby at 145 bpm, then ten with the
// probe on the mother's vessel; the trace is what the detector showed.
TEST_F(ReportToolTest, CheckedRecordDrawsTheCheckedRateAndMarksEverySecond) {
    const synth::SynthOptions options{30, 145, 145, 3};
    synth::ListeningOptions listening;
    listening.maternalBpm = 80;
    listening.slips.push_back({20, 10});
    const auto audio = synth::SynthesizeCaptureBytes(options, listening);
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(),
                                                static_cast<std::uint32_t>(audio.size()));
    const fs::path record = m_folder / kRecordName;
    testing::WriteArchive(
        record, {{"Data.wav", std::string(header.begin(), header.end()) +
                                  std::string(audio.begin(), audio.end())},
                 {"Data.hr", testing::TraceBytes(acquisition::AnalyzeCaptureBytes(audio))}});
    ASSERT_EQ(
        RunTool(Tool() + " " + Quoted(record.string()) + " --csv " + Quoted(Out("c.csv")) +
                    " --pdf " + Quoted(Out("c.pdf")) + " --language " + Language("English.ini"),
                m_folder / "err")
            .status,
        0);

    std::istringstream csv(ReadBytes(Out("c.csv")));
    std::vector<std::string> rows;
    for (std::string line; std::getline(csv, line);) {
        rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), 31u);
    for (const int second : {8, 15}) {
        EXPECT_TRUE(rows[second + 1].ends_with(",good,145,confirmed,145,2010-02-09,,\r"))
            << rows[second + 1];
    }
    for (const int second : {25, 29}) {
        EXPECT_TRUE(rows[second + 1].ends_with(",maternal,,maternal,,2010-02-09,,\r"))
            << rows[second + 1];
    }

    const std::string text =
        Capture("pdftotext -enc UTF-8 " + Quoted(Out("c.pdf")) + " -", m_folder / "text");
    // pdftotext gives "fi" as one ligature glyph, so the words searched for avoid it.
    for (const char* expected : {"Every second counted once", "possible mother's pulse",
                                 "Median: 145 bpm", "Drawn: only the con"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    ASSERT_EQ(std::system(("pdftoppm -r 100 -singlefile " + Quoted(Out("c.pdf")) + " " +
                           Quoted((m_folder / "page").string()))
                              .c_str()),
              0);
    const Picture page = ReadPpm(m_folder / "page.ppm");
    const TracePaper paper(PaperSpeed::OneCmPerMinute, LandscapeFrame(QPageSize::A4), 30);
    const PaperRow& row = paper.Rows().front();
    const auto px = [](double mm) { return static_cast<int>(mm / 25.4 * 100); };
    const int strip = px(row.topMm + TracePaper::kPaperHeightMm + 1.5);
    const Picture::Rgb confirmed = page.At(px(paper.XForSecond(row, 12)), strip);
    EXPECT_GT(confirmed.g, confirmed.r + 60) << "green under a confirmed second";
    const Picture::Rgb doubtful = page.At(px(paper.XForSecond(row, 27)), strip);
    EXPECT_GT(doubtful.r, doubtful.b + 100) << "amber under the mother's pulse";
    // No rate is drawn as fact over the slip.
    for (int y = px(row.topMm); y <= px(row.topMm + TracePaper::kPaperHeightMm); ++y) {
        ASSERT_FALSE(page.IsTrace(px(paper.XForSecond(row, 27)), y)) << y;
    }

    // A language file from before these texts existed gets the built-in English ones.
    std::string older;
    std::istringstream english(
        ReadBytes(fs::path(MARULO_SOURCE_DIR) / "res" / "lang" / "English.ini"));
    for (std::string line; std::getline(english, line);) {
        const bool checkText =
            line.starts_with("ReportChecked=") || line.starts_with("ReportConfirmed") ||
            line.starts_with("ReportAccount=") || line.starts_with("ReportMaternal=") ||
            line.starts_with("ReportHalfRate=") || line.starts_with("ReportNoSignal=") ||
            line.starts_with("ReportUnsure=") || line.starts_with("ReportStripLegend=");
        if (!checkText) {
            older += line + "\n";
        }
    }
    ASSERT_EQ(older.find("ReportChecked"), std::string::npos);
    testing::WriteBytes(m_folder / "older.ini", older);
    ASSERT_EQ(RunTool(Tool() + " " + Quoted(record.string()) + " --pdf " + Quoted(Out("o.pdf")) +
                          " --language " + Quoted((m_folder / "older.ini").string()),
                      m_folder / "err")
                  .status,
              0);
    EXPECT_NE(Capture("pdftotext -enc UTF-8 " + Quoted(Out("o.pdf")) + " -", m_folder / "text")
                  .find("Every second counted once"),
              std::string::npos);
}

TEST_F(ReportToolTest, WavIsTheArchivedAudio) {
    const fs::path record = m_folder / kRecordName;
    testing::WriteRecord(record, KnownTrace(), 3.5);
    const RunResult run =
        RunTool(Tool() + " " + Quoted(record.string()) + " --wav " + Quoted(Out("a.wav")),
                m_folder / "err");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(ReadBytes(Out("a.wav")), testing::WavBytes(3.5));
    EXPECT_EQ(OutFiles(), std::vector<std::string>{"a.wav"});
}

TEST_F(ReportToolTest, DamagedRecordsGiveStatusTwoAndNoFiles) {
    using testing::TraceBytes;
    using testing::WavBytes;
    const std::string wav = WavBytes(1);
    const std::string hr = TraceBytes({140, 141});
    const struct {
        const char* what;
        const char* file;
        std::vector<std::pair<std::string, std::string>> items;  // empty: the file is "text"
        const char* text;
    } cases[] = {
        {"not a ZIP", "Anna_20100512_20100209153045123.zip", {}, "not a zip archive"},
        {"empty file", "Anna_20100512_20100209153045124.zip", {}, ""},
        {"no trace", "Anna_20100512_20100209153045125.zip", {{"Data.wav", wav}}, nullptr},
        {"no audio", "Anna_20100512_20100209153045126.zip", {{"Data.hr", hr}}, nullptr},
        {"items in a folder",
         "Anna_20100512_20100209153045127.zip",
         {{"x/Data.wav", wav}, {"x/Data.hr", hr}},
         nullptr},
        {"other case",
         "Anna_20100512_20100209153045128.zip",
         {{"DATA.WAV", wav}, {"data.hr", hr}},
         nullptr},
        {"trace longer than any run",
         "Anna_20100512_20100209153045129.zip",
         {{"Data.wav", wav}, {"Data.hr", std::string(recordformat::kMaxTraceBytes + 4, '\0')}},
         nullptr},
        {"no time in its name", "record.zip", {{"Data.wav", wav}, {"Data.hr", hr}}, nullptr},
        {"audio is no WAV",
         "Anna_20100512_20100209153045130.zip",
         {{"Data.wav", "RIFF\x10\0\0\0WAVEjunk"}, {"Data.hr", hr}},
         nullptr},
    };
    for (const auto& c : cases) {
        const fs::path record = m_folder / c.file;
        if (c.items.empty()) {
            testing::WriteBytes(record, c.text);
        } else {
            testing::WriteArchive(record, c.items);
        }
        const RunResult run =
            RunTool(Tool() + " " + Quoted(record.string()) + " --pdf " + Quoted(Out("r.pdf")) +
                        " --csv " + Quoted(Out("r.csv")) + " --wav " + Quoted(Out("r.wav")),
                    m_folder / "err");
        EXPECT_EQ(run.status, 2) << c.what;
        EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1)
            << c.what << run.errors;
        EXPECT_NE(run.errors.find("marulo-report: "), std::string::npos) << c.what;
        EXPECT_TRUE(OutFiles().empty()) << c.what;
    }
    const RunResult missing = RunTool(
        Tool() + " " + Quoted((m_folder / "gone.zip").string()) + " --pdf " + Quoted(Out("r.pdf")),
        m_folder / "err");
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(OutFiles().empty());
}

TEST_F(ReportToolTest, UsageErrorsGiveStatusTwo) {
    for (const char* args : {"", "--pdf", "a.zip b.zip", "a.zip --speed 2", "a.zip --frames x"}) {
        EXPECT_EQ(RunTool(Tool() + " " + args, m_folder / "err").status, 2) << args;
    }
}

TEST(WriteThroughTemporaryTest, AFailedWriteLeavesTheTargetAsItWas) {
    const TempFolder folder("report-write");
    const fs::path target = folder / "report.pdf";
    testing::WriteBytes(target, "old");
    std::string error;
    EXPECT_FALSE(WriteThroughTemporary(
        target,
        [](const fs::path& temporary, std::string&) {
            testing::WriteBytes(temporary, "half a fi");
            return false;
        },
        error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);

    EXPECT_TRUE(WriteThroughTemporary(
        target,
        [](const fs::path& temporary, std::string&) {
            testing::WriteBytes(temporary, "new");
            return true;
        },
        error));
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
    // Readable by others, as any document the user saves.
    EXPECT_NE(fs::status(target).permissions() & fs::perms::others_read, fs::perms::none);

    EXPECT_FALSE(WriteThroughTemporary(
        folder / "missing" / "r.csv", [](const fs::path&, std::string&) { return true; }, error));
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

}  // namespace
}  // namespace marulo::report
