// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/InputLevelWatch.h"

#include <utility>

namespace marulo::mainwnd {

InputLevelWatch::InputLevelWatch(const platform::SoundInputChoice& choice, Show show,
                                 QObject* parent)
    : QObject(parent),
      m_show(std::move(show)),
      m_listener([this](const livesignal::InputLevelValue& value) {
          QMetaObject::invokeMethod(
              this,
              [this, value] {
                  if (m_allowed) {
                      m_show(value);
                  }
              },
              Qt::QueuedConnection);
      }),
      // A moment of listening that fails shows no level; the run's own start tells why.
      m_probe([&choice] { return choice.CreateInput(); }, [] { return false; }) {
    m_probe.AddListener(m_listener);
    m_period.setInterval(kPeriodMilliseconds);
    m_moment.setSingleShot(true);
    m_moment.setInterval(kListenMilliseconds);
    connect(&m_period, &QTimer::timeout, this, &InputLevelWatch::ListenForAMoment);
    connect(&m_moment, &QTimer::timeout, this, &InputLevelWatch::LetGo);
}

InputLevelWatch::~InputLevelWatch() {
    SetAllowed(false);
    m_probe.RemoveListener(m_listener);
}

void InputLevelWatch::SetAllowed(bool allowed) {
    if (allowed == m_allowed) {
        return;
    }
    m_allowed = allowed;
    if (allowed) {
        ListenForAMoment();
        m_period.start();
        return;
    }
    m_period.stop();
    m_moment.stop();
    LetGo();
    m_probe.WaitUntilIdle({});
    m_show(std::nullopt);
}

void InputLevelWatch::ListenForAMoment() {
    // The moment before may still be closing its device.
    if (m_probe.AnyThreadRunning()) {
        return;
    }
    m_probe.StartCapture();
    m_moment.start();
}

void InputLevelWatch::LetGo() {
    m_probe.StopCapture();
}

}  // namespace marulo::mainwnd
