// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ZipStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/recordformat/WavBytes.h"

namespace marulo::platform {
namespace {

using namespace marulo::testing;

class ZipStreamTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(m_dir); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // An archive of the items in order; compressed unless stored is set.
    std::filesystem::path Archive(const std::string& name,
                                  const std::vector<std::pair<std::string, Bytes>>& items,
                                  bool stored = false) {
        const auto path = m_dir / name;
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        EXPECT_NE(archive, nullptr);
        for (const auto& [itemName, bytes] : items) {
            zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
            const zip_int64_t index = zip_file_add(archive, itemName.c_str(), source, 0);
            EXPECT_GE(index, 0) << itemName;
            if (stored) {
                zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE,
                                         0);
            }
        }
        EXPECT_EQ(zip_close(archive), 0);
        return path;
    }

    static Bytes ReadAll(ZipItemStream& stream, std::size_t piece) {
        Bytes all;
        Bytes buffer(piece);
        for (std::size_t got = 0; (got = stream.Read(buffer)) > 0;) {
            all.insert(all.end(), buffer.begin(),
                       buffer.begin() + static_cast<std::ptrdiff_t>(got));
        }
        return all;
    }

    std::filesystem::path m_dir = std::filesystem::temp_directory_path() /
                                  ("marulo-zip-stream-" + std::to_string(::getpid()));
};

TEST_F(ZipStreamTest, TakesTheFirstTopLevelItemOfExactlyThatName) {
    Bytes big(700000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>((i * i) >> 7);
    }
    const auto archive = Archive("record.zip", {{"__MACOSX/._Data.wav", {1}},
                                                {"sub/Data.wav", {2}},
                                                {"data.wav", {3}},
                                                {"Data.wav ", {4}},
                                                {"Data.hr", {5}},
                                                {"Data.wav", big}});
    for (const std::size_t piece : {1u, 4095u, 1u << 20}) {
        std::string error;
        auto item = ZipItemStream::Open(archive, "Data.wav", error);
        ASSERT_TRUE(item) << error;
        EXPECT_EQ(ReadAll(*item, piece), big) << piece;
        EXPECT_FALSE(item->Failed());
    }
}

TEST_F(ZipStreamTest, SaysWhyAnArchiveOrItemCannotBeRead) {
    std::string error;
    const auto without = Archive("without.zip", {{"Data.hr", {1, 2}}, {"x/Data.wav", {3}}});
    EXPECT_FALSE(ZipItemStream::Open(without, "Data.wav", error));
    EXPECT_EQ(error, without.string() + ": no Data.wav in the archive");

    const auto garbage = m_dir / "garbage.zip";
    WriteFile(garbage, Bytes{'P', 'K', 3, 4, 0, 0, 0, 0});
    EXPECT_FALSE(ZipItemStream::Open(garbage, "Data.wav", error));
    EXPECT_TRUE(error.starts_with(garbage.string() + ": not a readable ZIP archive")) << error;

    // A stored item with one byte changed: the check sum fails when its end is read.
    const Bytes content(5000, 'a');
    const auto damaged = Archive("damaged.zip", {{"Data.wav", content}}, true);
    std::ifstream in(damaged, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    const auto at = std::search(bytes.begin(), bytes.end(), content.begin(), content.begin() + 64);
    ASSERT_NE(at, bytes.end());
    at[100] = 'b';
    WriteFile(damaged, bytes);
    auto item = ZipItemStream::Open(damaged, "Data.wav", error);
    ASSERT_TRUE(item) << error;
    ReadAll(*item, 1024);
    EXPECT_TRUE(item->Failed());
}

TEST_F(ZipStreamTest, KnowsAnArchiveByItsFirstBytesInRegularFilesOnly) {
    const auto fifo = m_dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteFile(m_dir / "a.wav", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    WriteFile(m_dir / "short", Bytes{'P', 'K'});
    Bytes endRecordOnly{'P', 'K', 5, 6};
    endRecordOnly.resize(22, 0);
    WriteFile(m_dir / "none.zip", endRecordOnly);
    const std::vector<std::pair<std::filesystem::path, bool>> cases{
        {Archive("one.zip", {{"Data.wav", {1}}}), true},
        {m_dir / "none.zip", true},
        {m_dir / "a.wav", false},
        {m_dir / "short", false},
        {m_dir / "missing.zip", false},
        {m_dir, false},
        {fifo, false},  // would block if it were opened
    };
    for (const auto& [path, isZip] : cases) {
        EXPECT_EQ(LooksLikeZipFile(path), isZip) << path;
    }
}

}  // namespace
}  // namespace marulo::platform
