// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV reader read in order: in pieces of any size, from a FIFO, with broken sources.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "recordformat/WavReader.h"
#include "tests/recordformat/WavBytes.h"

namespace marulo::recordformat {
namespace {

using namespace marulo::testing;

// Bytes in memory; fails from failAt on, as a disk or an archive might.
class MemorySource final : public platform::ByteSource {
public:
    explicit MemorySource(Bytes bytes, std::size_t failAt = SIZE_MAX)
        : m_bytes(std::move(bytes)), m_failAt(failAt) {}

    std::size_t Read(std::span<std::uint8_t> into) override {
        const std::size_t end = std::min(m_bytes.size(), m_failAt);
        const std::size_t n = std::min(into.size(), end - std::min(end, m_at));
        std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at), n, into.begin());
        m_at += n;
        m_failed = n < into.size() && m_at >= m_failAt;
        return n;
    }
    bool Failed() const override { return m_failed; }

private:
    Bytes m_bytes;
    std::size_t m_failAt;
    std::size_t m_at = 0;
    bool m_failed = false;
};

Bytes Count(std::size_t n) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return bytes;
}

Bytes ReadAll(WavStream& stream, std::size_t piece) {
    Bytes all;
    Bytes buffer(piece);
    for (std::size_t got = 0; (got = stream.ReadFrames(buffer)) > 0;) {
        EXPECT_EQ(got % stream.Format().blockAlign, 0u);
        all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    }
    return all;
}

TEST(WavStream, SamplesAreTheSameInPiecesOfAnySize) {
    const Bytes data = Count(1001);
    struct Case {
        const char* what;
        Bytes wav;
        Bytes samples;
    };
    const std::vector<Case> cases{
        {"odd chunk before, chunk after",
         Wav({Chunk("LIST", {1, 2, 3}), FormatChunk(1, 2, 8000, 16), Chunk("data", data),
              Chunk("LIST", {4})}),
         Bytes(data.begin(), data.begin() + 1000)},
        {"declared smaller, odd", Wav({FormatChunk(1, 3, 8000, 8), Chunk("data", data, 301)}),
         Bytes(data.begin(), data.begin() + 300)},
        {"size left open while streaming",
         Wav({FormatChunk(1, 2, 8000, 8),
              Chunk("data", Bytes(data.begin(), data.begin() + 1000), 0xFFFFFFFF)}),
         Bytes(data.begin(), data.begin() + 1000)},
        {"cut off", Wav({FormatChunk(1, 2, 44100, 16), Chunk("data", data, 100000)}),
         Bytes(data.begin(), data.begin() + 1000)},
        {"empty", Wav({FormatChunk(1, 1, 8000, 8), Chunk("data", {})}), {}},
    };
    for (const Case& c : cases) {
        for (const std::size_t piece : {6u, 7u, 64u, 999u, 4096u}) {
            MemorySource source(c.wav);
            std::string error;
            auto stream = WavStream::Open(source, "x", error);
            ASSERT_TRUE(stream) << c.what << ": " << error;
            EXPECT_EQ(ReadAll(*stream, piece), c.samples) << c.what << ", pieces of " << piece;
            EXPECT_FALSE(stream->Failed());
        }
    }
}

TEST(WavStream, RefusesRatesOutsideTheRangeAndSaysWhenReadingFails) {
    const Bytes data(64, 1);
    for (const auto& [rate, accepted] : std::vector<std::pair<std::uint32_t, bool>>{
             {1, false}, {999, false}, {1000, true}, {384000, true}, {384001, false}}) {
        MemorySource source(Wav({FormatChunk(1, 1, rate, 8), Chunk("data", data)}));
        std::string error;
        EXPECT_EQ(WavStream::Open(source, "x.wav", error).has_value(), accepted) << rate;
        if (!accepted) {
            EXPECT_EQ(error,
                      "x.wav: sample rate of " + std::to_string(rate) + " Hz outside 1000..384000");
        }
    }

    const Bytes wav = Wav(
        {Chunk("LIST", Bytes(40, 0)), FormatChunk(1, 1, 8000, 8), Chunk("data", Bytes(5000, 9))});
    for (const std::size_t failAt : {5u, 30u, 60u}) {
        MemorySource source(wav, failAt);
        std::string error;
        EXPECT_FALSE(WavStream::Open(source, "x.wav", error)) << failAt;
        EXPECT_EQ(error, "x.wav: cannot read the file") << failAt;
    }
    MemorySource source(wav, 3000);
    std::string error;
    auto stream = WavStream::Open(source, "x.wav", error);
    ASSERT_TRUE(stream) << error;
    EXPECT_LT(ReadAll(*stream, 512).size(), 5000u);
    EXPECT_TRUE(stream->Failed());
}

TEST(WavStream, ReadsFromAFifo) {
    const auto fifo =
        std::filesystem::temp_directory_path() / ("marulo-wav-fifo-" + std::to_string(::getpid()));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Bytes data = Count(300000);
    std::thread writer([&] {
        WriteFile(fifo, Wav({FormatChunk(1, 2, 8000, 8), Chunk("data", data)}));
    });
    std::string error;
    const auto read = ReadWavFile(fifo, error);
    writer.join();
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->samples, data);

    // Small enough to fit the pipe at once, so the writer is done when the header has been read.
    writer = std::thread([&] {
        WriteFile(fifo, Wav({FormatChunk(1, 1, 11025, 16), Chunk("data", Count(600))}));
    });
    EXPECT_EQ(ReadWavFormat(fifo, error), (WaveFormat{1, 1, 11025, 22050, 2, 16})) << error;
    writer.join();
    std::filesystem::remove(fifo);
}

}  // namespace
}  // namespace marulo::recordformat
