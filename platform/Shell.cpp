// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <cctype>
#include <system_error>

namespace marulo::platform::Shell {

namespace {

std::function<bool(const QUrl&)>& TestHandler() {
    static std::function<bool(const QUrl&)> handler;
    return handler;
}

// A scheme is a letter, then letters, digits, "+", "-" or ".", then ":". One letter alone is a
// drive ("C:\"), not a scheme.
bool StartsWithScheme(const std::string& text) {
    const auto isAlpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    if (text.empty() || !isAlpha(text[0])) {
        return false;
    }
    std::size_t i = 1;
    while (i < text.size() &&
           (isAlpha(text[i]) || std::isdigit(static_cast<unsigned char>(text[i])) ||
            text[i] == '+' || text[i] == '-' || text[i] == '.')) {
        ++i;
    }
    return i >= 2 && i < text.size() && text[i] == ':';
}

bool OpenUrl(const QUrl& url) {
    if (const auto& handler = TestHandler()) {
        return handler(url);
    }
    return QDesktopServices::openUrl(url);
}

}  // namespace

bool Open(const std::string& addressOrPath, const std::filesystem::path& baseFolder) {
    if (addressOrPath.empty()) {
        return false;
    }
    if (StartsWithScheme(addressOrPath)) {
        return OpenUrl(QUrl(QString::fromStdString(addressOrPath), QUrl::TolerantMode));
    }
    // People write web addresses without their scheme; such a text is no file of ours.
    if (addressOrPath.starts_with("www.")) {
        return OpenUrl(
            QUrl(QString::fromStdString("https://" + addressOrPath), QUrl::TolerantMode));
    }
    std::filesystem::path path(addressOrPath);
    if (path.is_relative()) {
        path = baseFolder / path;
    }
    std::error_code error;
    path = std::filesystem::absolute(path, error);
    if (error || !std::filesystem::exists(path, error)) {
        return false;
    }
    return OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path.lexically_normal().string())));
}

void SetOpenHandlerForTesting(std::function<bool(const QUrl&)> handler) {
    TestHandler() = std::move(handler);
}

}  // namespace marulo::platform::Shell
