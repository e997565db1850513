// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/mdhtml/GuideHtml.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace marulo::tools {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(GuideHtml, PageKeepsTitleLanguageTablesAndText) {
    const std::string markdown =
        "# Marulo 使用说明\n\nIntro with **bold** text.\n\n## 1. First\n\n"
        "| Message | Meaning |\n|---|---|\n| Problem ü | 提示 |\n\n"
        "    marulo-report RECORD.zip --speed 3\n";
    const GuidePage page = MarkdownToHtml(markdown, "zh-Hans");
    struct Expected {
        const char* what;
        const char* text;
    };
    for (const Expected& expected : {
             Expected{"title from the first heading", "<title>Marulo 使用说明</title>"},
             Expected{"language mark", "<html lang=\"zh-Hans\">"},
             Expected{"table", "<table"},
             Expected{"table cell text in UTF-8", "Problem ü"},
             Expected{"Chinese cell", "提示"},
             Expected{"code block", "marulo-report RECORD.zip --speed 3"},
             Expected{"declared encoding", "utf-8"},
         }) {
        EXPECT_NE(page.html.find(expected.text), std::string::npos) << expected.what;
    }
    EXPECT_TRUE(page.pictures.empty());
    EXPECT_EQ(MarkdownToHtml("# T\n", "").html.find("lang="), std::string::npos);
}

TEST(GuideHtml, OnlyPlainRelativePicturesBelongToTheGuide) {
    const GuidePage page = MarkdownToHtml(
        "![a](report-page.png) ![again](report-page.png) ![b](pictures/chart.png)\n\n"
        "![remote](https://example.org/x.png) ![absolute](/etc/x.png) ![up](../x.png) "
        "![sneaky](pictures/../../x.png)\n",
        "en");
    EXPECT_EQ(page.pictures, (std::vector<std::string>{"report-page.png", "pictures/chart.png"}));
    EXPECT_NE(page.html.find("src=\"report-page.png\""), std::string::npos);
}

TEST(GuideHtml, ConvertCopiesPicturesAndListsWhatThePageIsMadeOf) {
    testing::TempFolder root("guide");
    const fs::path guide = root / "docs" / "my guide.md";
    WriteText(guide, "# Guide\n\n![here](shot.png) ![gone](missing.png) ![deep](sub/deep.png)\n");
    WriteText(root / "docs" / "shot.png", "picture bytes");
    WriteText(root / "docs" / "sub" / "deep.png", "deep bytes");
    const fs::path page = root / "bin" / "guide" / "guide.html";
    fs::create_directories(page.parent_path());

    const GuideResult result = ConvertGuide(guide, page, "de", root / "guide.d");
    ASSERT_TRUE(result.written) << result.error;
    EXPECT_EQ(result.missingPictures, std::vector<std::string>{"missing.png"});
    EXPECT_NE(ReadText(page).find("<title>Guide</title>"), std::string::npos);
    EXPECT_EQ(ReadText(page.parent_path() / "shot.png"), "picture bytes");
    EXPECT_EQ(ReadText(page.parent_path() / "sub" / "deep.png"), "deep bytes");

    // A missing picture is a dependency too, so the page is made again once the picture exists.
    const std::string depends = ReadText(root / "guide.d");
    EXPECT_EQ(depends.substr(0, depends.find(':')), page.string());
    for (const std::string name : {"my\\ guide.md", "shot.png", "missing.png", "sub/deep.png"}) {
        std::string listed = " ";
        listed += (root / "docs").string();
        listed += '/';
        listed += name;
        EXPECT_NE(depends.find(listed), std::string::npos) << name << depends;
    }
}

TEST(GuideHtml, ConvertReportsWhatItCannotReadOrWrite) {
    testing::TempFolder root("guide");
    WriteText(root / "guide.md", "# Guide\n");
    struct Case {
        const char* what;
        fs::path markdown;
        fs::path page;
    };
    for (const Case& c : {
             Case{"missing guide", root / "absent.md", root / "page.html"},
             Case{"page in a missing folder", root / "guide.md", root / "no" / "page.html"},
         }) {
        const GuideResult result = ConvertGuide(c.markdown, c.page, "en", {});
        EXPECT_FALSE(result.written) << c.what;
        EXPECT_FALSE(result.error.empty()) << c.what;
        EXPECT_FALSE(fs::exists(c.page)) << c.what;
    }
}

// The translations keep the English guide's sections, so each language's readers find the same
// numbered chapters and pictures.
TEST(GuideHtml, TranslatedGuidesKeepTheSectionsAndPictures) {
    const auto outline = [](const fs::path& path) {
        const std::string text = ReadText(path);
        std::vector<std::string> marks;
        static const std::regex mark(R"((^|\n)(#+) (\d+\.)?|!\[[^\]]*\]\(([^)]*)\))");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), mark);
             it != std::sregex_iterator(); ++it) {
            // A picture may be the same shot in the guide's own language.
            static const std::regex language("(^|/)(german|chinese)-");
            marks.push_back((*it)[4].matched
                                ? std::regex_replace((*it)[4].str(), language, "$1english-")
                                : (*it)[2].str() + (*it)[3].str());
        }
        return marks;
    };
    const fs::path docs = MARULO_DOCS_DIR;
    const auto english = outline(docs / "user-guide.md");
    ASSERT_GT(english.size(), 10u);
    for (const char* translation : {"user-guide.de.md", "user-guide.zh.md"}) {
        EXPECT_EQ(outline(docs / translation), english) << translation;
    }
}

}  // namespace
}  // namespace marulo::tools
