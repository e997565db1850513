// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/InputLevelWatch.h"

#include <utility>

namespace marulo::mainwnd {

InputLevelWatch::InputLevelWatch(const platform::SoundInputChoice& choice, Show show, Wanted wanted,
                                 QObject* parent)
    : QObject(parent),
      m_show(std::move(show)),
      m_wanted(std::move(wanted)),
      m_listener([this](const livesignal::InputLevelValue& value) {
          QMetaObject::invokeMethod(
              this,
              [this, value] {
                  if (m_showing) {
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
    connect(&m_period, &QTimer::timeout, this, &InputLevelWatch::Reconsider);
    connect(&m_moment, &QTimer::timeout, this, [this] { m_probe.StopCapture(); });
    m_period.start();
}

InputLevelWatch::~InputLevelWatch() {
    m_period.stop();
    LetGo();
    m_probe.RemoveListener(m_listener);
}

void InputLevelWatch::Reconsider() {
    if (m_wanted()) {
        ListenForAMoment();
    } else if (m_showing || Listening()) {
        LetGo();
    }
}

void InputLevelWatch::LetGo() {
    m_moment.stop();
    m_probe.StopCapture();
    m_probe.WaitUntilIdle({});
    if (m_showing) {
        m_showing = false;
        m_show(std::nullopt);
    }
}

void InputLevelWatch::ListenForAMoment() {
    m_showing = true;
    // A moment still going on, or its device still closing, is enough.
    if (m_probe.AnyThreadRunning()) {
        return;
    }
    m_probe.StartCapture();
    m_moment.start();
}

}  // namespace marulo::mainwnd
