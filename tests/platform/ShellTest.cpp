// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <QUrl>
#include <vector>

#include "tests/support/TempFolder.h"

namespace marulo::platform {
namespace {

namespace fs = std::filesystem;

// Captures what would be opened instead of launching a program.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_base / "Data");
        Shell::SetOpenHandlerForTesting([this](const QUrl& url) {
            m_opened.push_back(url);
            return m_answer;
        });
    }
    void TearDown() override { Shell::SetOpenHandlerForTesting({}); }

    testing::TempFolder m_base{"shell"};
    std::vector<QUrl> m_opened;
    bool m_answer = true;
};

TEST_F(ShellTest, AddressesOpenAsTheyAre) {
    for (const char* address : {"https://example.org/a?b=1", "http://example.org",
                                "mailto:someone@example.org", "file:///tmp"}) {
        m_opened.clear();
        EXPECT_TRUE(Shell::Open(address, m_base)) << address;
        ASSERT_EQ(m_opened.size(), 1U) << address;
        EXPECT_EQ(m_opened[0], QUrl(address)) << address;
    }
}

TEST_F(ShellTest, WebAddressesWithoutSchemeOpenInTheBrowser) {
    // Even where a folder of that name lies beside the program, "www." means the web.
    fs::create_directories(m_base / "www.example.org");
    const struct {
        const char* text;
        const char* opened;
    } cases[] = {
        {"www.example.org", "https://www.example.org"},
        {"www.example.org/guide?lang=de", "https://www.example.org/guide?lang=de"},
    };
    for (const auto& c : cases) {
        m_opened.clear();
        EXPECT_TRUE(Shell::Open(c.text, m_base)) << c.text;
        ASSERT_EQ(m_opened.size(), 1U) << c.text;
        EXPECT_EQ(m_opened[0], QUrl(c.opened)) << c.text;
    }
    m_opened.clear();
    EXPECT_FALSE(Shell::Open("wwwguide", m_base));  // a missing file, not an address
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(ShellTest, WhereTellsTheFullPathOrTheAddress) {
    const struct {
        std::string text;
        fs::path base;
        std::string where;
    } cases[] = {
        {"Data", m_base.Path(), (m_base / "Data").string()},
        {"./Data/../Data", m_base.Path(), (m_base / "Data").string()},
        {"Missing", m_base.Path(), (m_base / "Missing").string()},
        {"/abs/olute", m_base.Path(), "/abs/olute"},
        {"https://example.org", m_base.Path(), "https://example.org"},
        {"www.example.org", m_base.Path(), "https://www.example.org"},
        {"", m_base.Path(), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shell::Where(c.text, c.base), c.where) << c.text;
    }
}

TEST_F(ShellTest, PathsResolveAgainstTheBaseFolder) {
    EXPECT_TRUE(Shell::Open("Data", m_base));
    EXPECT_TRUE(Shell::Open((m_base / "Data").string(), "/elsewhere"));
    ASSERT_EQ(m_opened.size(), 2U);
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString((m_base / "Data").string()));
    EXPECT_EQ(m_opened[0], folder);
    EXPECT_EQ(m_opened[1], folder);
    EXPECT_TRUE(m_opened[0].isLocalFile());
}

TEST_F(ShellTest, NothingOpensForEmptyTextOrMissingPath) {
    EXPECT_FALSE(Shell::Open("", m_base));
    EXPECT_FALSE(Shell::Open("Missing", m_base));
    EXPECT_FALSE(Shell::Open("C:\\Data", m_base));  // a drive letter is not a scheme
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(ShellTest, RefusalOfTheDesktopIsReported) {
    m_answer = false;
    EXPECT_FALSE(Shell::Open("https://example.org", m_base));
    EXPECT_EQ(m_opened.size(), 1U);
}

}  // namespace
}  // namespace marulo::platform
