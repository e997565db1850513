// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSlider>

namespace marulo::mainwnd {

// The horizontal output-volume slider, 0 to 65535, painted from the skin: the green bar centred
// on the groove and the green ball centred on the handle, on white.
class VolumeSlider : public QSlider {
    Q_OBJECT
public:
    explicit VolumeSlider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool m_keyboardFocus = false;
};

}  // namespace marulo::mainwnd
