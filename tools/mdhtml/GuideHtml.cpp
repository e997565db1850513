// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/mdhtml/GuideHtml.h"

#include <QFont>
#include <QSaveFile>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

namespace marulo::tools {

namespace {

// Only plain relative names are pictures of the guide's own folder; addresses with a scheme,
// absolute paths and names that climb out of the folder are left as they are.
bool IsLocalPicture(const QString& name) {
    if (name.isEmpty() || !QUrl(name).scheme().isEmpty()) {
        return false;
    }
    const std::filesystem::path path(name.toStdString());
    return path.is_relative() &&
           std::none_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
}

std::string FirstHeading(const QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1) {
            return block.text().trimmed().toStdString();
        }
    }
    return {};
}

// Make-style escaping of a path in a dependency list.
std::string DepfilePath(const std::filesystem::path& path) {
    std::string escaped;
    for (const char c : path.string()) {
        if (c == ' ' || c == '#' || c == '\\') {
            escaped += '\\';
        } else if (c == '$') {
            escaped += '$';
        }
        escaped += c;
    }
    return escaped;
}

bool WriteFile(const std::filesystem::path& path, const std::string& contents) {
    QSaveFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::WriteOnly) &&
           file.write(contents.data(), static_cast<qint64>(contents.size())) ==
               static_cast<qint64>(contents.size()) &&
           file.commit();
}

}  // namespace

GuidePage MarkdownToHtml(const std::string& markdown, const std::string& language) {
    QTextDocument document;
    // The page's font as a browser should show it: the program's own faces (the Chinese one for
    // the Chinese guide) at a reading size, not the tool's platform default.
    QFont font;
    font.setFamilies({"DejaVu Sans", "Noto Sans CJK SC"});
    font.setPointSize(12);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromStdString(markdown), QTextDocument::MarkdownDialectGitHub);
    document.setMetaInformation(QTextDocument::DocumentTitle,
                                QString::fromStdString(FirstHeading(document)));

    GuidePage page;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (!format.isImageFormat()) {
                continue;
            }
            const QString name = format.toImageFormat().name();
            if (IsLocalPicture(name) && std::find(page.pictures.begin(), page.pictures.end(),
                                                  name.toStdString()) == page.pictures.end()) {
                page.pictures.push_back(name.toStdString());
            }
        }
    }

    page.html = document.toHtml().toStdString();
    // A readable line length in a wide browser window.
    const std::string styleEnd = "</style>";
    if (const auto at = page.html.find(styleEnd); at != std::string::npos) {
        page.html.insert(at, "body { max-width: 50em; margin: 1em auto; padding: 0 1em; }\n");
    }
    if (!language.empty()) {
        const std::string plain = "<html>";
        if (const auto at = page.html.find(plain); at != std::string::npos) {
            page.html.insert(at + plain.size() - 1, " lang=\"" + language + '"');
        }
    }
    return page;
}

GuideResult ConvertGuide(const std::filesystem::path& markdown, const std::filesystem::path& html,
                         const std::string& language, const std::filesystem::path& depfile) {
    GuideResult result;
    std::ifstream in(markdown, std::ios::binary);
    if (!in) {
        result.error = markdown.string() + ": cannot be read";
        return result;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const GuidePage page = MarkdownToHtml(text.str(), language);

    std::string depends = DepfilePath(html) + ": " + DepfilePath(markdown);
    for (const std::string& picture : page.pictures) {
        const auto source = markdown.parent_path() / picture;
        const auto target = html.parent_path() / picture;
        // A missing picture is still listed, so the page is made again once it exists.
        depends += ' ';
        depends += DepfilePath(source);
        std::error_code error;
        if (!std::filesystem::exists(source, error)) {
            result.missingPictures.push_back(picture);
            continue;
        }
        std::filesystem::create_directories(target.parent_path(), error);
        std::filesystem::copy_file(source, target,
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) {
            result.error = target.string() + ": cannot be written (" + error.message() + ")";
            return result;
        }
    }

    if (!WriteFile(html, page.html)) {
        result.error = html.string() + ": cannot be written";
        return result;
    }
    if (!depfile.empty() && !WriteFile(depfile, depends + "\n")) {
        result.error = depfile.string() + ": cannot be written";
        return result;
    }
    result.written = true;
    return result;
}

}  // namespace marulo::tools
