// SPDX-License-Identifier: GPL-3.0-or-later
// The live marks picture draws every mark and hint and names each hint too long for the view.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(LiveMarksShot, DrawsEveryMarkAndNamesOnlyHintsThatDoNotFit) {
    const marulo::testing::TempFolder folder("live-marks-shot");
    const std::filesystem::path languages(MARULO_LANG_DIR);
    // English with the talking hint far longer than two lines.
    std::string english = Read(languages / "English.ini");
    const std::string talking = "LiveHintTalking=Talking covers the heartbeat";
    english.insert(english.find(talking) + talking.size(),
                   ", so please keep quiet for a moment and hold the listener still where it is "
                   "until the heartbeat is heard clearly again");
    std::ofstream(folder / "Long.ini") << english;
    const struct {
        std::filesystem::path language;
        std::string warnings;
    } cases[] = {
        {languages / "English.ini", ""},
        {languages / "German.ini", ""},
        {languages / "Chinese.ini", ""},
        {folder / "Long.ini", "hint LiveHintTalking does not fit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language.string());
        const std::string command = std::string("'") + MARULO_LIVE_SHOT + "' --marks '" +
                                    c.language.string() + "' '" + (folder / "marks.png").string() +
                                    "' 2>'" + (folder / "err").string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        // Seven views of 183 px with 6 px between them: the PNG header's height.
        const std::string png = Read(folder / "marks.png");
        ASSERT_GE(png.size(), 24U);
        EXPECT_EQ(png.substr(20, 4), std::string("\0\0\x05\x25", 4));
        const std::string err = Read(folder / "err");
        EXPECT_EQ(err.find("does not fit"), err.rfind("does not fit")) << err;
        EXPECT_EQ(err.find("does not fit") != std::string::npos, !c.warnings.empty()) << err;
        EXPECT_NE(err.find(c.warnings), std::string::npos) << err;
    }
}

}  // namespace
