// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/faults/StoredAudio.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Zip.h"
#include "tests/recordformat/WavBytes.h"
#include "tests/support/TempFolder.h"

namespace marulo::faults {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::Chunk;
using testing::FormatChunk;
using testing::Wav;

// The capture format: 16000 bytes a second.
Bytes CaptureWav(std::size_t dataBytes, std::int64_t declaredDataBytes = -1,
                 const std::vector<Bytes>& before = {}) {
    std::vector<Bytes> chunks{FormatChunk(1, 2, 8000, 8)};
    chunks.insert(chunks.end(), before.begin(), before.end());
    chunks.push_back(Chunk("data", Bytes(dataBytes, 128), declaredDataBytes));
    return Wav(chunks);
}

struct LooseCase {
    const char* what;
    Bytes file;
    std::optional<double> seconds;
};

TEST(LooseWavSeconds, CountsTheSamplesPresentWhateverTheHeaderClaims) {
    const Bytes noData = Wav({FormatChunk(1, 2, 8000, 8)});
    const Bytes empty = CaptureWav(0);
    const Bytes dataFirst = Wav({Chunk("data", Bytes(16000, 128)), FormatChunk(1, 2, 8000, 8)});
    const LooseCase cases[] = {
        {"header up to date", CaptureWav(32000), 2.0},
        {"header a second behind, as after a kill", CaptureWav(48000, 32000), 3.0},
        {"header never written", CaptureWav(8000, 0), 0.5},
        {"a chunk of odd size before the data", CaptureWav(16000, -1, {Chunk("LIST", Bytes(5))}),
         1.0},
        {"no data chunk", noData, std::nullopt},
        {"data before its format", dataFirst, std::nullopt},
        {"not a WAV", Bytes{'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, std::nullopt},
        {"cut inside the header", Bytes(empty.begin(), empty.begin() + 20), std::nullopt},
    };
    const testing::TempFolder folder("loose-wav");
    for (const LooseCase& c : cases) {
        testing::WriteFile(folder / "x.wav", c.file);
        EXPECT_EQ(LooseWavSeconds(folder / "x.wav"), c.seconds) << c.what;
    }
}

void WriteRecord(const fs::path& archive, const fs::path& scratch, std::size_t audioBytes,
                 std::size_t traceValues) {
    testing::WriteFile(scratch / "a.wav", CaptureWav(audioBytes));
    testing::WriteFile(scratch / "t.hr", Bytes(traceValues * 4, 0));
    platform::ZipWriter zip;
    ASSERT_TRUE(zip.Create(archive));
    ASSERT_TRUE(zip.AddFile("Data.wav", scratch / "a.wav"));
    ASSERT_TRUE(zip.AddFile("Data.hr", scratch / "t.hr"));
    ASSERT_TRUE(zip.Close());
}

struct Found {
    StoredPlace place;
    std::string file;
    std::optional<double> seconds;
    std::optional<std::size_t> traceValues;
    friend bool operator==(const Found&, const Found&) = default;
};

std::vector<Found> Summary(const fs::path& folder) {
    std::vector<Found> summary;
    for (const StoredAudio& found : FindStoredAudio(folder)) {
        summary.push_back({found.place, found.file.string(), found.seconds, found.traceValues});
    }
    return summary;
}

TEST(FindStoredAudio, ListsRecordsInOrderThenWhatWasKeptThenTheWorkingFile) {
    const testing::TempFolder program("fault-program");
    const testing::TempFolder scratch("fault-scratch");
    fs::create_directory(program / "Data");
    WriteRecord(program / "Data/Bench_20250101_20240102030405006.zip", scratch, 32000, 2);
    WriteRecord(program / "Data/Bench_20250101_20240102030401000.zip", scratch, 16000, 9);
    testing::WriteFile(program / "Data/broken.zip", Bytes{'P', 'K'});
    WriteRecord(program / "Data-unsaved-20240102030405006.zip", scratch, 8000, 1);
    testing::WriteFile(program / "Data-unsaved-20240102030409000.wav", CaptureWav(24000, 0));
    testing::WriteFile(program / "Data-unsaved-20240102030409000.hr", Bytes(8));
    WriteRecord(program / "Data.zip", scratch, 16000, 1);
    testing::WriteFile(program / "Data.wav", CaptureWav(4000, 0));
    // Not the program's: never counted.
    WriteRecord(program / "other.zip", scratch, 16000, 1);
    testing::WriteFile(program / "Data.wav.bak", CaptureWav(16000));

    const std::vector<Found> expected{
        {StoredPlace::Record, "Data/Bench_20250101_20240102030401000.zip", 1.0, 9},
        {StoredPlace::Record, "Data/Bench_20250101_20240102030405006.zip", 2.0, 2},
        {StoredPlace::Record, "Data/broken.zip", std::nullopt, std::nullopt},
        {StoredPlace::Kept, "Data-unsaved-20240102030405006.zip", 0.5, 1},
        {StoredPlace::Kept, "Data-unsaved-20240102030409000.wav", 1.5, std::nullopt},
        {StoredPlace::Kept, "Data.zip", 1.0, 1},
        {StoredPlace::Working, "Data.wav", 0.25, std::nullopt},
    };
    EXPECT_EQ(Summary(program), expected);
}

TEST(FindStoredAudio, ADataThatIsAFileHoldsNoRecords) {
    const testing::TempFolder program("fault-program");
    testing::WriteFile(program / "Data", Bytes{'x'});
    EXPECT_TRUE(Summary(program).empty());
}

}  // namespace
}  // namespace marulo::faults
