// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-report and marulo-analyze on outputs that are no ordinary file and on damaged records.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <zip.h>

#include "acquisition/CaptureFormat.h"
#include "recordformat/WavFileWriter.h"
#include "report/ExportFiles.h"
#include "tests/report/StoredRecords.h"
#include "tests/support/TempFolder.h"

namespace marulo::testing {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct ToolRun {
    int status = -1;
    std::string out;
    std::string errors;
    // A failure is told in one line, success in none.
    long ErrorLines() const { return std::count(errors.begin(), errors.end(), '\n'); }
};

// Runs a tool with its standard output in a file (or the given redirection).
ToolRun RunTool(const char* tool, const std::string& args, const fs::path& folder,
                const std::string& output = {}) {
    const fs::path out = folder / "stdout";
    const std::string shell = Quoted(tool) + " " + args +
                              (output.empty() ? " >" + Quoted(out.string()) : output) + " 2>" +
                              Quoted((folder / "stderr").string());
    const int raw = std::system(shell.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, output.empty() ? ReadBytes(out) : "",
            ReadBytes(folder / "stderr")};
}

std::string CaptureWav(std::uint32_t declared, std::size_t held) {
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(), declared);
    return std::string(header.begin(), header.end()) + std::string(held, '\x80');
}

// Items stored without compression, so a changed byte shows as a check sum that fails.
void WriteStoredArchive(const fs::path& archive,
                        const std::vector<std::pair<std::string, std::string>>& items) {
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, bytes] : items) {
        const zip_int64_t index = zip_file_add(
            zip, name.c_str(), zip_source_buffer(zip, bytes.data(), bytes.size(), 0), 0);
        zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

const std::string kRecord = "Anna_20100512_20100209153045123.zip";

class ToolOutputTest : public ::testing::Test {
protected:
    void SetUp() override { WriteRecord(m_folder / kRecord, std::vector<std::int32_t>(10, 140)); }

    ToolRun Report(const std::string& args, const std::string& output = {}) const {
        return RunTool(MARULO_REPORT_TOOL, Quoted((m_folder / kRecord).string()) + " " + args,
                       m_folder, output);
    }

    TempFolder m_folder{"tool-output"};
};

// An output is written as an ordinary file through a temporary one; a link is written through, and
// what is no ordinary file is refused with status 1 and left as it was.
TEST_F(ToolOutputTest, OutputsAreOrdinaryFilesOrRefused) {
    struct Case {
        const char* why;
        fs::path target;  // given to --csv, in the test's folder
        int status;
        fs::file_type leftAs;  // what the path is afterwards (a link is followed)
    };
    const fs::path folder = m_folder.Path();
    WriteBytes(folder / "real.csv", "old");
    fs::create_symlink("real.csv", folder / "link.csv");
    const bool madeDevice = ::mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    fs::create_symlink(folder / "null", folder / "to-null");
    ::mkfifo((folder / "fifo").c_str(), 0666);
    const Case cases[] = {
        {"new file", "new.csv", 0, fs::file_type::regular},
        {"link to a file", "link.csv", 0, fs::file_type::regular},
        {"device node", "null", 1, fs::file_type::character},
        {"link to a device node", "to-null", 1, fs::file_type::character},
        {"FIFO", "fifo", 1, fs::file_type::fifo},
        {"folder", folder, 1, fs::file_type::directory},
        {"path that is no UTF-8", "\xFF\xFE.csv", 1, fs::file_type::not_found},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const fs::path target = folder / c.target;
        if (c.leftAs == fs::file_type::character && !madeDevice) {
            continue;  // making a device node needs root
        }
        const ToolRun run = Report("--csv " + Quoted(target.string()));
        EXPECT_EQ(run.status, c.status) << run.errors;
        EXPECT_EQ(run.ErrorLines(), c.status == 0 ? 0 : 1) << run.errors;
        EXPECT_EQ(fs::status(target).type(), c.leftAs);
        if (c.status == 0) {
            EXPECT_TRUE(ReadBytes(target).starts_with("second,time,bpm"));
        }
    }
    EXPECT_TRUE(fs::is_symlink(folder / "link.csv"));
}

// "-" writes an output to standard output; a full one is a failed write.
TEST_F(ToolOutputTest, DashIsStandardOutput) {
    const ToolRun csv = Report("--csv -");
    EXPECT_EQ(csv.status, 0) << csv.errors;
    EXPECT_TRUE(csv.out.starts_with("second,time,bpm")) << csv.out;
    const ToolRun wav = Report("--wav -");
    EXPECT_EQ(wav.status, 0) << wav.errors;
    EXPECT_EQ(wav.out, WavBytes(2.0));
    for (const ToolRun& full : {Report("--csv -", " >/dev/full"), Report("--wav -", " >/dev/full"),
                                Report("", " >/dev/full"),
                                RunTool(MARULO_ANALYZE_TOOL, Quoted((m_folder / kRecord).string()),
                                        m_folder, " >/dev/full")}) {
        EXPECT_EQ(full.status, 1) << full.errors;
        EXPECT_EQ(full.ErrorLines(), 1) << full.errors;
    }
    EXPECT_EQ(Report("--csv - --wav -").status, 2);
}

// Damage the window would meet too: the tools say so with status 4 after their output, and audio
// longer than its trace allows is refused as the window refuses it.
TEST_F(ToolOutputTest, DamagedAudioIsToldAndABombIsRefused) {
    const std::string trace = TraceBytes(std::vector<std::int32_t>(10, 140));
    struct Case {
        const char* why;
        std::string wav;
        bool flipAByte;
        int status;  // of both tools
    };
    const std::vector<Case> cases = {
        {"whole", CaptureWav(160000, 160000), false, 0},
        {"cut off", CaptureWav(160000, 80000), false, 4},
        {"header claims 4 GB", CaptureWav(0xFFFFFFF0U, 80000), false, 4},
        {"check sum fails", CaptureWav(160000, 160000), true, 4},
        {"a minute of audio for ten seconds of trace", CaptureWav(960000, 960000), false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const fs::path record = m_folder / "Anna_20100512_20100209153045124.zip";
        WriteStoredArchive(record, {{"Data.wav", c.wav}, {"Data.hr", trace}});
        if (c.flipAByte) {
            std::string bytes = ReadBytes(record);
            bytes[bytes.find("data") + 200] ^= 1;
            WriteBytes(record, bytes);
        }
        const fs::path csv = m_folder / "r.csv";
        fs::remove(csv);
        const ToolRun report =
            RunTool(MARULO_REPORT_TOOL, Quoted(record.string()) + " --csv " + Quoted(csv.string()),
                    m_folder);
        EXPECT_EQ(fs::exists(csv), c.status != 2);
        for (const ToolRun& run :
             {report, RunTool(MARULO_ANALYZE_TOOL, Quoted(record.string()), m_folder)}) {
            EXPECT_EQ(run.status, c.status) << run.errors;
            EXPECT_EQ(run.ErrorLines(), c.status == 0 ? 0 : 1) << run.errors;
        }
    }
}

// The window's export goes the same way: through links, which stay links.
TEST(WriteThroughTemporaryTest, LinksAreWrittenThroughAndStay) {
    const TempFolder folder("write-through");
    fs::create_directory(folder / "real");
    WriteBytes(folder / "real" / "old.pdf", "old");
    fs::create_symlink("real/old.pdf", folder / "first.pdf");
    fs::create_symlink("first.pdf", folder / "chain.pdf");
    fs::create_symlink("real/new.pdf", folder / "dangling.pdf");
    const std::vector<std::pair<fs::path, fs::path>> cases = {
        {folder / "chain.pdf", folder / "real" / "old.pdf"},
        {folder / "dangling.pdf", folder / "real" / "new.pdf"},
    };
    for (const auto& [target, written] : cases) {
        std::string error;
        EXPECT_TRUE(report::WriteThroughTemporary(
            target,
            [](const fs::path& temporary, std::string&) {
                WriteBytes(temporary, "report");
                return true;
            },
            error))
            << error;
        EXPECT_TRUE(fs::is_symlink(target)) << target;
        EXPECT_EQ(ReadBytes(written), "report") << target;
    }
    EXPECT_TRUE(fs::is_symlink(folder / "first.pdf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace marulo::testing
