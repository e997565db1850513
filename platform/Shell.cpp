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

bool IsWebAddressWithoutScheme(const std::string& text) {
    return text.starts_with("www.");
}

std::filesystem::path FullPath(const std::string& path, const std::filesystem::path& baseFolder) {
    std::filesystem::path full(path);
    if (full.is_relative()) {
        full = baseFolder / full;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(full, error);
    return (error ? full : absolute).lexically_normal();
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
    if (IsWebAddressWithoutScheme(addressOrPath)) {
        return OpenUrl(
            QUrl(QString::fromStdString("https://" + addressOrPath), QUrl::TolerantMode));
    }
    const std::filesystem::path path = FullPath(addressOrPath, baseFolder);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return false;
    }
    return OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
}

std::string Where(const std::string& addressOrPath, const std::filesystem::path& baseFolder) {
    if (addressOrPath.empty() || StartsWithScheme(addressOrPath)) {
        return addressOrPath;
    }
    if (IsWebAddressWithoutScheme(addressOrPath)) {
        return "https://" + addressOrPath;
    }
    return FullPath(addressOrPath, baseFolder).string();
}

void SetOpenHandlerForTesting(std::function<bool(const QUrl&)> handler) {
    TestHandler() = std::move(handler);
}

}  // namespace marulo::platform::Shell
