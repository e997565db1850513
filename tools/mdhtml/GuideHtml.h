// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace marulo::tools {

// One Markdown guide turned into a stand-alone HTML page with Qt's own Markdown reader.
struct GuidePage {
    std::string html;
    // Local pictures the page shows, as written in the Markdown (relative to the guide).
    std::vector<std::string> pictures;
};

// The page of the Markdown text: titled after its first heading and marked with the language
// (a BCP 47 tag such as "de"; empty leaves it unmarked) so that browsers pick fitting fonts.
GuidePage MarkdownToHtml(const std::string& markdown, const std::string& language);

// What converting one guide file did.
struct GuideResult {
    bool written = false;
    std::string error;
    // Pictures the guide names that are not beside it; the page shows a gap in their place.
    std::vector<std::string> missingPictures;
};

// Writes the page of the guide at `markdown` to `html` and copies the pictures it shows from
// beside the guide to beside the page, keeping their relative names. With a non-empty `depfile`
// also writes the Makefile-style list of what the page was made from, for the build.
GuideResult ConvertGuide(const std::filesystem::path& markdown, const std::filesystem::path& html,
                         const std::string& language, const std::filesystem::path& depfile);

}  // namespace marulo::tools
