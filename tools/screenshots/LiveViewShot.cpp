// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the live monitor view with a waveform and a rate into a PNG for the documentation; with
// --marks, the view with each live signal mark and hint, one under the other, in the language of
// a given language file, and a warning for each hint too long for the view's two hint lines.
#include <cstdlib>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/CaptureController.h"
#include "app/ConfigFiles.h"
#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "livesignal/LiveSignal.h"
#include "views/MonitorView.h"

namespace {

// 0.1 s of a heartbeat burst as the listener gives it: a swelling Doppler tone on both channels.
std::vector<std::uint8_t> HeartbeatBlock() {
    constexpr int kFrames = 800;
    std::vector<std::uint8_t> block;
    block.reserve(std::size_t{kFrames} * 2);
    for (int i = 0; i < kFrames; ++i) {
        const double t = i / 8000.0;
        const double envelope = std::exp(-std::pow((i - 430.0) / 170.0, 2.0));
        const double tone = 0.7 * std::sin(2 * std::numbers::pi * 160 * t) +
                            0.3 * std::sin(2 * std::numbers::pi * 410 * t + 0.8);
        const auto sample = static_cast<std::uint8_t>(std::lround(128 + 110 * envelope * tone));
        block.push_back(sample);
        block.push_back(sample);
    }
    return block;
}

// What each picture of the marks shows: the mark, its hint and the rate beside them.
struct MarkShot {
    marulo::livesignal::LiveSignalValue value;
    std::int32_t rate;
};

QImage Render(marulo::views::MonitorView& view, std::int32_t rate,
              std::optional<marulo::livesignal::LiveSignalValue> mark) {
    view.ShowRate(rate);
    view.SetLiveSignal(mark);
    QImage image(marulo::views::MonitorView::kClientSize, QImage::Format_RGB32);
    QPainter painter(&image);
    view.Paint(painter, true);
    return image;
}

// Makes the language file the configuration the texts come from, as the language switch does.
bool UseLanguage(const std::filesystem::path& languageFile) {
    namespace fs = std::filesystem;
    std::string folder = (fs::temp_directory_path() / "marulo-live-shots-XXXXXX").string();
    std::error_code failed;
    if (mkdtemp(folder.data()) == nullptr ||
        !fs::copy_file(languageFile, fs::path(folder) / "Conf.ini", failed)) {
        return false;
    }
    marulo::app::SetConfigFolderForTesting(marulo::app::FolderLocation{"", folder + "/"});
    return true;
}

// The lines the view gives a hint under the number, and the margin around its text.
constexpr int kHintLines = 2;
constexpr int kViewMargin = 5;

// Warns of a hint the view would cut: more lines at the view's width than it has room for (the
// view makes its lines as tall as the text's own, fallback fonts included).
void HintFits(marulo::livesignal::Hint hint) {
    const char* key = marulo::livesignal::HintTextKey(hint);
    if (key == nullptr) {
        return;
    }
    const int width = marulo::views::MonitorView::kClientSize.width() - 2 * kViewMargin;
    QTextLayout layout(QString::fromStdString(marulo::app::MessageText(key)),
                       marulo::app::UiFont(false));
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    if (lines > kHintLines) {
        std::cerr << "hint " << key << " does not fit: " << lines << " lines at " << width
                  << " px wide; the view has " << kHintLines << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool marks = argc == 4 && std::string(argv[1]) == "--marks";
    if (argc != 2 && !marks) {
        std::cerr << "usage: marulo-screenshot-live-view OUTPUT.png\n"
                     "       marulo-screenshot-live-view --marks LANGUAGE.ini OUTPUT.png\n";
        return 2;
    }
    if (marks && !UseLanguage(argv[2])) {
        std::cerr << "cannot use the language file " << argv[2] << '\n';
        return 1;
    }
    marulo::views::MonitorView view(nullptr);
    view.ShowBlock(HeartbeatBlock());

    QImage image;
    if (marks) {
        using marulo::livesignal::Hint;
        using marulo::livesignal::SignalState;
        const MarkShot shots[] = {
            {{SignalState::Good, Hint::None}, 138},
            {{SignalState::Weak, Hint::MaternalPulse}, 78},
            {{SignalState::Weak, Hint::HalfRate}, 71},
            // The detector still gives a number; without a signal none is shown.
            {{SignalState::None, Hint::NoHeartbeat}, 214},
            {{SignalState::Weak, Hint::TooLoud}, 141},
            {{SignalState::Weak, Hint::Talking}, 152},
            {{SignalState::Weak, Hint::Unsure}, 96},
        };
        const QSize size = marulo::views::MonitorView::kClientSize;
        constexpr int kGap = 6;
        image = QImage(size.width(), std::ssize(shots) * (size.height() + kGap) - kGap,
                       QImage::Format_RGB32);
        image.fill(Qt::lightGray);
        QPainter sheet(&image);
        int top = 0;
        for (const MarkShot& shot : shots) {
            HintFits(shot.value.hint);
            sheet.drawImage(0, top, Render(view, shot.rate, shot.value));
            top += size.height() + kGap;
        }
    } else {
        image = Render(view, 138,
                       marulo::livesignal::LiveSignalValue{marulo::livesignal::SignalState::Good,
                                                           marulo::livesignal::Hint::None});
    }
    const char* output = argv[argc - 1];
    if (!image.save(QString::fromLocal8Bit(output))) {
        std::cerr << "cannot write " << output << '\n';
        return 1;
    }
    return 0;
}
