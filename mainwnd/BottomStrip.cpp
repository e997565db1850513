// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/BottomStrip.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMediaDevices>
#include <QScopeGuard>
#include <QTimer>
#include <QToolTip>
#include <memory>
#include <string>
#include <utility>

#include "acquisition/CaptureFormat.h"
#include "app/Fonts.h"
#include "controls/LayoutScale.h"
#include "controls/RecordListDrawing.h"
#include "controls/WindowTexts.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/InputMenu.h"
#include "mainwnd/LanguageMenu.h"
#include "mainwnd/UserPrompts.h"
#include "platform/SettingsStore.h"

namespace marulo::mainwnd {

using namespace controls;

BottomStrip::BottomStrip(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                         platform::SoundInputChoice& inputChoice,
                         const SkinnedButton::StateSource& state, std::function<bool()> monitoring)
    : QObject(&window),
      m_window(window),
      m_prompts(prompts),
      m_store(store),
      m_inputChoice(inputChoice),
      m_monitoring(std::move(monitoring)) {
    PlaceButton(window, m_languageButton, kLanguageButtonId, state, [this] { OpenLanguageMenu(); });
    PlaceButton(window, m_inputButton, kInputButtonId, state, [this] { OpenInputMenu(); });
    PlaceButton(window, m_homepageButton, kHomepageButtonId, state, [this] { OpenHomepage(); });
    m_inputButton->SetFallbackPainter([](QPainter& painter, const SkinnedButton& panel) {
        constexpr int kPadding = 6;
        const QRect place = LayoutRect(panel);
        // Measured with the font it is drawn in, where it is drawn: it ends in "..." only when
        // the whole caption cannot fit.
        const QString shown =
            QFontMetrics(app::UiFont(true))
                .elidedText(panel.text(), Qt::ElideRight, place.width() - kPadding);
        DrawTextPanel(painter, place, panel.isDown(), shown);
    });
    m_inputButton->installEventFilter(this);
    m_inputChoice.Choose(KeptInput(m_store));
    // Devices plugged in or out change what a run opens; the caption follows. Qt 6.4 on
    // PulseAudio updates its list without telling, so the list is also looked at every 2 s.
    connect(new QMediaDevices(this), &QMediaDevices::audioInputsChanged, this,
            &BottomStrip::UpdateInputCaption);
    auto* devicesWatch = new QTimer(this);
    connect(devicesWatch, &QTimer::timeout, this, [this] {
        std::vector<platform::SoundInputDevice> devices = platform::SoundInputDevices();
        if (devices != m_inputDevices) {
            m_inputDevices = std::move(devices);
            UpdateInputCaption();
        }
    });
    devicesWatch->start(kInputDevicesWatchMilliseconds);
}

std::array<QWidget*, 3> BottomStrip::FocusOrder() const {
    return {m_languageButton, m_inputButton, m_homepageButton};
}

void BottomStrip::LayoutBottomButtons() {
    mainwnd::LayoutBottomButtons(*m_languageButton, *m_homepageButton, LayoutScale(m_window));
    UpdateInputCaption();
}

void BottomStrip::UpdateInputCaption() {
    constexpr int kGap = 8;
    const double scale = LayoutScale(m_window);
    const QRect place = ScaledRect(ControlRect(kInputButtonId), scale);
    const int room = m_homepageButton->geometry().left() - kGap - place.left();
    // The button keeps the whole caption, which a screen reader hears; only its drawing is
    // shortened where the room ends.
    const QString whole = InputCaption(m_inputChoice.Chosen(), m_inputChoice.InUse());
    m_inputButton->setText(whole);
    m_inputButton->RefreshTip();
    m_inputButton->setGeometry(place.left(), place.top(),
                               std::min(room, CaptionPanelWidth(whole, scale)), place.height());
    m_inputButton->update();
}

bool BottomStrip::eventFilter(QObject* watched, QEvent* event) {
    // The tip shows the whole caption above what the input menu is for.
    if (watched == m_inputButton && event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           m_inputButton->text() + QLatin1Char('\n') + m_inputButton->toolTip(),
                           m_inputButton);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void BottomStrip::OpenInputMenu() {
    if (m_monitoring()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("InputWhileMonitoring"));
        return;
    }
    const InputMenuChoice choice = RunInputMenu(m_window, *m_inputButton, m_inputChoice.Chosen(),
                                                [this](QMenu& menu, const QPoint& globalPos) {
                                                    return m_prompts.RunMenu(menu, globalPos);
                                                });
    if (!choice.made) {
        return;
    }
    emit inputChoiceChanging();
    const auto settled = qScopeGuard([this] { emit inputChoiceChanged(); });
    if (choice.device) {
        platform::SoundInputError error;
        if (!platform::TrySoundInput(*choice.device, acquisition::CaptureFormat(), error)) {
            m_prompts.ShowMessage(
                MessageKind::Error,
                Message("InputNotChosen") + QLatin1Char('\n') +
                    CaptureErrorText(acquisition::CaptureErrorOf(error, true, false)));
            return;
        }
    }
    m_inputChoice.Choose(choice.device);
    KeepInput(m_store, choice.device);
    UpdateInputCaption();
}

void BottomStrip::OpenHomepage() {
    const auto where = std::make_shared<std::string>();
    const auto tellWhere = [this, where] {
        m_prompts.ShowMessage(MessageKind::Warning,
                              Message("OpenFailed") + '\n' + FromUtf8(*where));
    };
    if (!OpenHomepageAddress(*where, this, tellWhere) && !where->empty()) {
        tellWhere();
    }
}

void BottomStrip::OpenLanguageMenu() {
    const bool switched = RunLanguageMenu(
        m_window, *m_languageButton,
        [this](QMenu& menu, const QPoint& globalPos) { return m_prompts.RunMenu(menu, globalPos); },
        [this](const std::string& file) {
            m_prompts.ShowMessage(MessageKind::Warning, Message("LanguageOutsideFolder") +
                                                            QLatin1Char('\n') + FromUtf8(file));
        });
    if (switched) {
        KeepLanguageChoice(m_store);
        emit languageChanged();
    }
}

}  // namespace marulo::mainwnd
