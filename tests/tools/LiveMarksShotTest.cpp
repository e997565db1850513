// SPDX-License-Identifier: GPL-3.0-or-later
// The live marks picture: every mark and hint is drawn, and a hint too long for the view is
// named.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

struct Outcome {
    int status = -1;
    std::string err;
};

Outcome RunMarks(const std::filesystem::path& language, const std::filesystem::path& picture) {
    const std::filesystem::path err = picture.parent_path() / "stderr";
    const std::string command = std::string("'") + MARULO_LIVE_SHOT + "' --marks '" +
                                language.string() + "' '" + picture.string() + "' 2>'" +
                                err.string() + "'";
    Outcome outcome;
    const int status = std::system(command.c_str());
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ostringstream text;
    text << std::ifstream(err).rdbuf();
    outcome.err = text.str();
    return outcome;
}

// The height in a PNG's header.
int PngHeight(const std::filesystem::path& picture) {
    std::ifstream in(picture, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.size() < 24) {
        return -1;
    }
    int height = 0;
    for (int i = 20; i < 24; ++i) {
        height = height * 256 + static_cast<unsigned char>(bytes[i]);
    }
    return height;
}

// English with one hint replaced by the given text.
std::filesystem::path LanguageWith(const std::filesystem::path& folder, const std::string& key,
                                   const std::string& text) {
    std::ifstream in(std::filesystem::path(MARULO_LANG_DIR) / "English.ini");
    const std::filesystem::path out = folder / "Long.ini";
    std::ofstream file(out);
    for (std::string line; std::getline(in, line);) {
        file << (line.starts_with(key + "=") ? key + "=" + text : line) << '\n';
    }
    return out;
}

TEST(LiveMarksShot, DrawsEveryMarkAndNamesOnlyHintsThatDoNotFit) {
    // Seven views of 183 px with 6 px between them.
    constexpr int kSheetHeight = 7 * 183 + 6 * 6;
    const std::string kLong =
        "Talking covers the heartbeat, so please keep quiet for a moment and hold the listener "
        "still where it is until the heartbeat is heard clearly again";
    const marulo::testing::TempFolder folder("live-marks-shot");
    const struct {
        std::filesystem::path language;
        std::string named;
    } cases[] = {
        {std::filesystem::path(MARULO_LANG_DIR) / "English.ini", ""},
        {std::filesystem::path(MARULO_LANG_DIR) / "German.ini", ""},
        {LanguageWith(folder.Path(), "LiveHintTalking", kLong), "LiveHintTalking"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language.string());
        const std::filesystem::path picture = folder.Path() / "marks.png";
        const Outcome outcome = RunMarks(c.language, picture);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(PngHeight(picture), kSheetHeight);
        const bool warned = outcome.err.find("does not fit") != std::string::npos;
        EXPECT_EQ(warned, !c.named.empty()) << outcome.err;
        if (!c.named.empty()) {
            EXPECT_NE(outcome.err.find("hint " + c.named + " does not fit"), std::string::npos)
                << outcome.err;
            EXPECT_EQ(outcome.err.find("does not fit"), outcome.err.rfind("does not fit"))
                << outcome.err;
        }
    }
}

}  // namespace
