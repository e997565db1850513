// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
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

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS) && !defined(Q_OS_ANDROID)
#define MARULO_SHELL_XDG_OPEN 1
// Qt hands a request to xdg-open without waiting for it, so a request no program takes looks
// taken. Run here, its exit status tells; it may also run as long as the program it started.
bool LaunchWithXdgOpen(const QUrl& url, QObject* context, std::function<void()> onLaunchFailed) {
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty()) {
        return QDesktopServices::openUrl(url);
    }
    // Owned by the application, so that one still running at exit goes with it.
    auto* process = new QProcess(QCoreApplication::instance());
    const auto failed = [guard = QPointer<QObject>(context),
                         onLaunchFailed = std::move(onLaunchFailed)] {
        if (guard != nullptr && onLaunchFailed) {
            QMetaObject::invokeMethod(guard, onLaunchFailed, Qt::QueuedConnection);
        }
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || exitCode != 0) {
                             failed();
                         }
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             failed();
                             process->deleteLater();
                         }
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(launcher,
                   {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    return true;
}
#endif

bool OpenUrl(const QUrl& url, [[maybe_unused]] QObject* context,
             [[maybe_unused]] std::function<void()> onLaunchFailed) {
    if (const auto& handler = TestHandler()) {
        return handler(url);
    }
#ifdef MARULO_SHELL_XDG_OPEN
    return LaunchWithXdgOpen(url, context, std::move(onLaunchFailed));
#else
    return QDesktopServices::openUrl(url);
#endif
}

}  // namespace

bool Open(const std::string& addressOrPath, const std::filesystem::path& baseFolder,
          QObject* context, std::function<void()> onLaunchFailed) {
    if (addressOrPath.empty()) {
        return false;
    }
    if (StartsWithScheme(addressOrPath)) {
        return OpenUrl(QUrl(QString::fromStdString(addressOrPath), QUrl::TolerantMode), context,
                       std::move(onLaunchFailed));
    }
    // People write web addresses without their scheme; such a text is no file of ours.
    if (IsWebAddressWithoutScheme(addressOrPath)) {
        return OpenUrl(QUrl(QString::fromStdString("https://" + addressOrPath), QUrl::TolerantMode),
                       context, std::move(onLaunchFailed));
    }
    const std::filesystem::path path = FullPath(addressOrPath, baseFolder);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return false;
    }
    return OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())), context,
                   std::move(onLaunchFailed));
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
