// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/WavFileWriter.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "tests/acquisition/CaptureTestSupport.h"
#include "tests/support/FileSizeLimit.h"

namespace marulo::recordformat {
namespace {

using testing::ReadBytes;
using testing::U32At;

TEST(WavHeader, IsLaidOutByteForByte) {
    const std::array<std::uint8_t, 44> expected{
        'R',  'I',  'F', 'F', 0xE4, 0xDA, 0,   0,                 // RIFF size 36 + 56000
        'W',  'A',  'V', 'E', 'f',  'm',  't', ' ', 16, 0, 0, 0,  // format block size
        1,    0,    2,   0,                                       // PCM, two channels
        0x40, 0x1F, 0,   0,                                       // 8000 Hz
        0x80, 0x3E, 0,   0,                                       // 16000 bytes per second
        2,    0,    8,   0,                                       // block align, bits per sample
        'd',  'a',  't', 'a', 0xC0, 0xDA, 0,   0};                // data size 56000
    EXPECT_EQ(WavHeader(acquisition::CaptureFormat(), 56000), expected);
}

TEST(WavFileWriter, AFailedWriteKeepsTheHeaderToWhatTheFileHolds) {
    struct Case {
        rlim_t limit;
        std::uint32_t heldBytes;  // audio the file keeps: whole frames below the limit
    };
    const Case cases[] = {
        {44 + 16000 + 700, 16000 + 700},  // mid-block, after a header update
        {44 + 1601, 1600},                // an odd byte over a block is dropped
        {44 + 3 * 16000, 3 * 16000},      // exactly at a block's end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        testing::WorkingFolder folder;
        const std::vector<std::uint8_t> block(acquisition::kBlockBytes, 200);
        WavFileWriter wav;
        int accepted = 0;
        {
            const testing::FileSizeLimit limit(c.limit);
            ASSERT_TRUE(wav.Open("w.wav"));
            for (int i = 0; i < 40 && wav.Append(block); ++i) {
                ++accepted;
            }
            EXPECT_TRUE(wav.Failed());
            EXPECT_FALSE(wav.Append(block)) << "no more bytes after a failure";
            wav.Close();
        }
        EXPECT_EQ(accepted,
                  static_cast<int>(c.limit - 44) / static_cast<int>(acquisition::kBlockBytes));
        const std::vector<std::uint8_t> bytes = ReadBytes("w.wav");
        ASSERT_EQ(bytes.size(), 44u + c.heldBytes);
        EXPECT_EQ(U32At(bytes, 40), c.heldBytes);
        EXPECT_EQ(U32At(bytes, 4), 36u + c.heldBytes);
    }
}

}  // namespace
}  // namespace marulo::recordformat
