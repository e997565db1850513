// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <span>

#include "livesignal/InputLevel.h"
#include "livesignal/LiveSignal.h"
#include "views/LiveWaveform.h"
#include "views/RateLook.h"

class QPainter;

namespace marulo::views {

// The live view of a monitoring run: the latest 0.1 s of audio as a line and the current heart
// rate as a number. It only shows what it is given, on the user-interface thread.
class MonitorView : public QWidget {
public:
    static constexpr QSize kClientSize{331, 183};

    explicit MonitorView(QWidget* parent);
    MonitorView(const MonitorView&) = delete;
    MonitorView& operator=(const MonitorView&) = delete;

    WaveformPoints Waveform() const;
    // The last rate received; -1 before the first one.
    std::int32_t CurrentRate() const;
    // The number as shown by the live mark of its second.
    ShownRate Shown() const;
    // What the number, the mark, the hint and the input level say to a screen reader.
    QString SpokenValue() const;
    // What the input level says to a screen reader; empty while it is hidden.
    QString SpokenLevel() const;
    // The mark's word; empty while there is none.
    QString SpokenMark() const;

    // The live signal mark and hint of the latest second; none clears them. User-interface thread.
    void SetLiveSignal(std::optional<livesignal::LiveSignalValue> value);
    std::optional<livesignal::LiveSignalValue> LiveSignal() const { return m_liveSignal; }

    // The input's level along the bottom edge, before and during a run; none hides it.
    // User-interface thread.
    void SetInputLevel(std::optional<livesignal::InputLevelValue> value);
    std::optional<livesignal::InputLevelValue> InputLevel() const { return m_inputLevel; }

    // Whether a run captures now: only then are the line, the rate and the mark drawn. A change
    // forgets the line, the rate and the mark.
    void SetCapturing(bool capturing);
    bool Capturing() const { return m_capturing; }
    // The run's latest block of sound, drawn as the line.
    void ShowBlock(std::span<const std::uint8_t> block);
    void ShowRate(std::int32_t beatsPerMinute);

    // Draws the whole client area: the background and the input level, and while capturing the
    // line, the rate and the live signal mark with its hint.
    void Paint(QPainter& painter, bool capturing) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void PaintRate(QPainter& painter, const ShownRate& shown) const;
    void PaintLiveSignal(QPainter& painter, const livesignal::LiveSignalValue& value) const;
    void PaintInputLevel(QPainter& painter, const livesignal::InputLevelValue& value) const;

    bool m_capturing = false;
    WaveformPoints m_waveform{};
    std::int32_t m_currentRate = -1;
    std::optional<livesignal::LiveSignalValue> m_liveSignal;
    std::optional<livesignal::InputLevelValue> m_inputLevel;
};

}  // namespace marulo::views
