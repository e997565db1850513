// SPDX-License-Identifier: GPL-3.0-or-later
// Conversion and replay fed piece by piece must give what they give for all the bytes at once,
// wherever the pieces are cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <tuple>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureConversion.h"
#include "tests/acquisition/SyntheticAudio.h"

namespace marulo::acquisition {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Random cut points, sometimes empty pieces, sometimes long ones.
std::vector<std::size_t> RandomPieces(std::size_t total, std::mt19937& random) {
    std::vector<std::size_t> pieces;
    std::uniform_int_distribution<std::size_t> size(0, 5000);
    while (total > 0) {
        const std::size_t piece = std::min(total, size(random) % 7 == 0 ? 0 : size(random));
        pieces.push_back(piece);
        total -= piece;
    }
    return pieces;
}

TEST(StreamingConversion, PiecesGiveTheBytesOfTheWhole) {
    std::mt19937 random(7);
    Bytes samples(30011);
    for (auto& byte : samples) {
        byte = static_cast<std::uint8_t>(random());
    }
    // Rates below, at and above the capture rate, with frame counts whose last output frames
    // fall just before or after the input's end.
    for (const auto& [channels, rate, bits] :
         std::vector<std::tuple<std::uint16_t, std::uint32_t, std::uint16_t>>{{2, 8000, 8},
                                                                              {1, 8000, 16},
                                                                              {1, 1000, 8},
                                                                              {2, 4000, 16},
                                                                              {1, 11025, 16},
                                                                              {3, 12345, 8},
                                                                              {2, 16000, 8},
                                                                              {1, 44100, 16},
                                                                              {2, 384000, 16}}) {
        const auto align = static_cast<std::uint16_t>(channels * bits / 8);
        const recordformat::WaveFormat format{1, channels, rate, rate * align, align, bits};
        for (const std::size_t frames : {0u, 1u, 2u, 47u, 48u, 49u, 3001u}) {
            const auto input = std::span(samples).first(std::min(samples.size(), frames * align));
            const auto whole = ConvertToCaptureFormat(format, input);
            ASSERT_TRUE(whole);
            EXPECT_EQ(whole->size(), frames * 8000 / rate * 2) << rate << " Hz, " << frames;

            auto converter = CaptureConverter::For(format);
            ASSERT_TRUE(converter);
            Bytes pieces;
            Bytes scratch;
            std::size_t at = 0;
            for (std::size_t piece : RandomPieces(input.size() / align, random)) {
                const auto out =
                    converter->Convert(input.subspan(at * align, piece * align), scratch);
                pieces.insert(pieces.end(), out.begin(), out.end());
                at += piece;
            }
            const auto end = converter->Finish(scratch);
            pieces.insert(pieces.end(), end.begin(), end.end());
            EXPECT_EQ(pieces, *whole) << rate << " Hz, " << frames << " frames";
        }
    }
}

TEST(CaptureReplay, PiecesGiveTheValuesOfTheWhole) {
    Bytes audio = testing::PulseTrain(40, 3000);
    testing::Append(audio, testing::SilentCapture(2500));
    testing::Append(audio, testing::PulseTrain(27, 2000));
    audio.resize(audio.size() + 999, 128);
    std::mt19937 random(11);
    for (const auto values :
         {CaptureReplay::Values::ReportedRates, CaptureReplay::Values::FrameResults}) {
        const auto whole = values == CaptureReplay::Values::ReportedRates
                               ? AnalyzeCaptureBytes(audio)
                               : AnalyzeCaptureFrames(audio);
        ASSERT_EQ(whole.size(), values == CaptureReplay::Values::ReportedRates ? 75u : 7500u);
        std::vector<std::int32_t> streamed;
        CaptureReplay replay(values,
                             [&streamed](std::int32_t value) { streamed.push_back(value); });
        std::size_t at = 0;
        for (const std::size_t piece : RandomPieces(audio.size(), random)) {
            replay.Feed(std::span(audio).subspan(at, piece));
            at += piece;
        }
        EXPECT_EQ(streamed, whole);
        EXPECT_EQ(replay.BlockCount(), 750u);
    }
}

}  // namespace
}  // namespace marulo::acquisition
