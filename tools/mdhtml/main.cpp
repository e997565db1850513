// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-mdhtml: turns a Markdown guide into the HTML page the program opens, at build time.
#include <QGuiApplication>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/mdhtml/GuideHtml.h"

namespace {

constexpr int kBadUsage = 2;

constexpr std::string_view kUsage =
    "usage: marulo-mdhtml GUIDE.md PAGE.html [--language TAG] [--depfile FILE]\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Fonts need a GUI application; nothing is shown, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The platform's notes (such as a missing runtime folder) say nothing about the page.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::cerr << "marulo-mdhtml: " << message.toStdString() << '\n';
        }
    });
    QGuiApplication application(argc, argv);

    const std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::string> files;
    std::string language;
    std::string depfile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if ((args[i] == "--language" || args[i] == "--depfile") && i + 1 < args.size()) {
            (args[i] == "--language" ? language : depfile) = args[i + 1];
            ++i;
        } else if (args[i].starts_with("--")) {
            std::cerr << kUsage;
            return kBadUsage;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) {
        std::cerr << kUsage;
        return kBadUsage;
    }

    const auto result = marulo::tools::ConvertGuide(files[0], files[1], language, depfile);
    for (const std::string& picture : result.missingPictures) {
        std::cerr << "marulo-mdhtml: warning: " << files[0] << " shows " << picture
                  << ", which is not there\n";
    }
    if (!result.written) {
        std::cerr << "marulo-mdhtml: " << result.error << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
