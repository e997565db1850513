// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the live monitor view with a waveform and a rate into a PNG for the documentation.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdint>
#include <iostream>
#include <numbers>
#include <vector>

#include "acquisition/CaptureController.h"
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: marulo-screenshot-live-view OUTPUT.png\n";
        return 2;
    }
    marulo::acquisition::CaptureController controller([] { return nullptr; }, [] { return false; });
    marulo::views::MonitorView view(nullptr, controller);
    view.OnAudioBlock(HeartbeatBlock());
    view.OnHeartRate(138);

    QImage image(marulo::views::MonitorView::kClientSize, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        view.Paint(painter, true);
    }
    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::cerr << "cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
