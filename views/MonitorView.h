// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/CaptureController.h"
#include "views/LiveWaveform.h"

class QPainter;

namespace marulo::views {

// The live view of a monitoring run: the latest 0.1 s of audio as a line and the current heart
// rate as a number.
class MonitorView : public QWidget, public acquisition::AcquisitionListener {
public:
    static constexpr QSize kClientSize{331, 183};

    MonitorView(QWidget* parent, acquisition::CaptureController& controller);
    ~MonitorView() override;
    MonitorView(const MonitorView&) = delete;
    MonitorView& operator=(const MonitorView&) = delete;

    WaveformPoints Waveform() const;
    // The last rate received; -1 before the first one.
    std::int32_t CurrentRate() const;

    // Draws the whole client area: the background, and while capturing the line and the rate.
    void Paint(QPainter& painter, bool capturing) const;

    // Called on the capture thread.
    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RequestRepaint();
    void PaintRate(QPainter& painter, std::int32_t rate) const;

    acquisition::CaptureController& m_controller;
    std::atomic<std::int32_t> m_clientHeight{0};
    mutable std::mutex m_mutex;
    WaveformPoints m_waveform{};
    std::int32_t m_currentRate = -1;
};

}  // namespace marulo::views
