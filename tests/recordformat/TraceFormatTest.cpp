// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/TraceFormat.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "recordformat/TraceFileWriter.h"
#include "tests/acquisition/CaptureTestSupport.h"

namespace marulo::recordformat {
namespace {

using namespace std::string_literals;
using testing::ReadBytes;

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(TraceFileWriter, WritesSignedLittleEndianValuesOnlyWhileOpen) {
    testing::WorkingFolder folder;
    TraceFileWriter trace;
    trace.Write(1);  // not open: nothing happens
    ASSERT_TRUE(trace.Open("t.hr"));
    trace.Write(0x01020304);
    trace.Write(0);
    trace.Write(-2);
    trace.Close();
    trace.Write(5);
    EXPECT_EQ(ReadBytes("t.hr"),
              (std::vector<std::uint8_t>{4, 3, 2, 1, 0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(ReadTrace, TakesWholeLittleEndianValues) {
    testing::WorkingFolder folder;
    const std::string bytes = "\x87\0\0\0\xff\xff\xff\xff\x01\x02\x03\x04"s;
    const std::vector<std::pair<std::size_t, std::vector<std::int32_t>>> cases = {
        {0, {}}, {3, {}}, {4, {135}}, {7, {135}}, {8, {135, -1}}, {12, {135, -1, 0x04030201}},
    };
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        WriteAll("trace", bytes.substr(0, size));
        EXPECT_EQ(ReadTrace("trace"), expected);
    }
    EXPECT_TRUE(ReadTrace("no such trace").empty());
}

}  // namespace
}  // namespace marulo::recordformat
