// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRect>
#include <QString>
#include <functional>

#include "controls/WindowLayout.h"

class QPainter;

namespace marulo::controls {

// The program state a button picture may depend on, read at the moment of painting.
struct ButtonState {
    bool capturing = false;
    bool playing = false;
    bool muted = false;
};

// The keyboard focus mark: a solid dark violet rounded frame two pixels wide just inside the
// control, a shade of the skin's accent dark enough to stand out at more than 3:1 against the
// pink face and the white and lavender fields.
inline constexpr QColor kFocusMarkColour{84, 38, 140};
inline constexpr int kFocusMarkWidth = 2;
void DrawFocusMark(QPainter& painter, const QRect& itemRect);
// The mark shows only for focus that the keyboard moved, so a mouse user never sees it.
bool IsKeyboardFocusReason(Qt::FocusReason reason);

// Whether the button with this id is a text field (week, day, EDC) rather than a picture.
bool IsTextField(int id);

// The skin bitmap a bitmap button shows in the given state, or 0 for a button without one.
int SkinnedButtonBitmap(int id, const ButtonState& state);

// Paints the button with this id from its skin bitmap or as a flat text field. Returns false
// (having drawn nothing) for an id that is not a skinned button.
bool DrawSkinnedButton(int id, QPainter& painter, const QRect& itemRect, bool pressed,
                       const ButtonState& state, const QString& text);

// A push button of the main window, painted by DrawSkinnedButton or, for the ids that function
// does not know, by the fallback painter its owner installs. Tab reaches it (a mouse press does
// not focus it); Space and Enter press it.
class SkinnedButton : public QAbstractButton {
    Q_OBJECT
public:
    using StateSource = std::function<ButtonState()>;
    using FallbackPainter = std::function<void(QPainter&, const SkinnedButton&)>;

    SkinnedButton(int id, StateSource stateSource, QWidget* parent = nullptr);

    int Id() const { return m_id; }
    void SetFallbackPainter(FallbackPainter painter) { m_fallbackPainter = std::move(painter); }

    // What the button does, as its tooltip and for screen readers; asked again whenever the
    // button is painted, so a state-dependent text follows the picture.
    using TipSource = std::function<QString()>;
    void SetTipSource(TipSource source);
    // Renews the tooltip and accessible name: the tip, a text field's tip with its value, or a
    // caption button's caption.
    void RefreshTip();
    // The hint an empty text field shows in grey.
    void SetPlaceholder(const QString& hint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int m_id = 0;
    StateSource m_stateSource;
    FallbackPainter m_fallbackPainter;
    TipSource m_tipSource;
    QString m_placeholder;
    bool m_keyboardFocus = false;
};

}  // namespace marulo::controls
